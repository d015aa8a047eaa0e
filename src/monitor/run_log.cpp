// Run-mode log "tavrel.log": one line an event, held open exclusively while run mode runs.

#include "monitor/run_monitor.h"

#include "platform/files/files.h"
#include "platform/process/date_time.h"

// Items of a log line start on multiples of this many columns.
static constexpr size_t LogZoneWidth = 14;

// PadToZone() - Blanks up to the next zone: 1 to 14 of them.
static void PadToZone(std::string& line) {
  line.append(LogZoneWidth - line.size() % LogZoneWidth, ' ');
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
