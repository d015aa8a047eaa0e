// Run-mode log "tavrel.log": one line an event, held open exclusively while run mode runs.

#include "monitor/run_monitor.h"

#include "platform/files.h"
#include "platform/text_rules.h"

// WriteLogLine() - Date, a zone, time, a zone, the message and CR LF; lost when the log
// could not be opened.
void WriteLogLine(const std::string& message) {
  FilePrint(LogFileNumber, DateText());
  FilePrintZone(LogFileNumber);
  FilePrint(LogFileNumber, TimeText());
  FilePrintZone(LogFileNumber);
  FilePrint(LogFileNumber, message);
  FileNewLine(LogFileNumber);
}
