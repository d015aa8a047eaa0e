// Run mode: the spool monitor that finds, prints and deletes capture files.
#pragma once

#include <string>

inline const std::string CaptureFileName = "WLSDFKJN.DRY";
inline const std::string LogFileName = "tavrel.log";

void RunMonitor();
// Appends "date, zone, time, zone, message, CR LF" to the open log.
void WriteLogLine(const std::string& message);
