// The local date and time as the log and the console show them.
#include "platform/process/date_time.h"

#include <ctime>

namespace {

// The current local time broken into fields; false when the clock cannot be read as local time.
bool LocalNow(std::tm& local) {
  std::time_t now = std::time(nullptr);
  return localtime_r(&now, &local) != nullptr;
}

}  // namespace

// "MM-DD-YYYY", each field zero-padded. Each pattern is written out at its strftime call, so
// the compiler checks it.
std::string DateText() {
  std::tm local{};
  if (!LocalNow(local)) return std::string();
  char buffer[32];
  return std::string(buffer, std::strftime(buffer, sizeof buffer, "%m-%d-%Y", &local));
}

// "HH:MM:SS" on the 24-hour clock, each field zero-padded.
std::string TimeText() {
  std::tm local{};
  if (!LocalNow(local)) return std::string();
  char buffer[32];
  return std::string(buffer, std::strftime(buffer, sizeof buffer, "%H:%M:%S", &local));
}
