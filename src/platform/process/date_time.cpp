
#include "platform/process/date_time.h"
// The local date and time as the log and the console show them.

#include <ctime>

namespace {

// The current local time broken into fields, formatted with the given strftime pattern.
std::string LocalTimeText(const char* pattern) {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return std::string();
  char buffer[32];
  size_t length = std::strftime(buffer, sizeof buffer, pattern, &local);
  return std::string(buffer, length);
}

}  // namespace

// "MM-DD-YYYY", each field zero-padded.
std::string DateText() {
  return LocalTimeText("%m-%d-%Y");
}

// "HH:MM:SS" on the 24-hour clock, each field zero-padded.
std::string TimeText() {
  return LocalTimeText("%H:%M:%S");
}
