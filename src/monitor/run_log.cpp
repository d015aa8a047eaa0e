// Run-mode log "tavrel.log": one line an event, held open exclusively while run mode runs.

#include "monitor/run_monitor.h"

#include "base/print_zones.h"
#include "platform/files/files.h"
#include "platform/process/date_time.h"

// PadToZone() - Blanks up to the next zone: 1 to 14 of them.
static void PadToZone(std::string& line) {
  line.append(static_cast<size_t>(BlanksToNextZone(static_cast<long long>(line.size()))), ' ');
}

// LogLineText() - Date, a zone, time, a zone, the message and CR LF.
std::string LogLineText(const std::string& message) {
  std::string line = DateText();
  PadToZone(line);
  line += TimeText();
  PadToZone(line);
  return line + message + "\r\n";
}

// WriteLogLine() - The whole line in one write, so a line that a second run mode appends
// never lands inside it; lost when the log could not be opened.
void WriteLogLine(const std::string& message) {
  FilePrint(LogFileNumber, LogLineText(message));
}
