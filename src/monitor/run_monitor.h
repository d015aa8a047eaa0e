// Run mode: the spool monitor that finds, prints and deletes capture files.
#pragma once

#include <string>

void RunMonitor();
// Appends "date, zone, time, zone, message, CR LF" to the open log.
void WriteLogLine(const std::string& message);
// The log line of a message, CR LF included.
std::string LogLineText(const std::string& message);
// Has a print job that is still open when the program ends through exit() cancelled, so the
// printer's queue is not left with an empty job waiting for its data. Set up once.
void CancelOpenJobAtExit();
