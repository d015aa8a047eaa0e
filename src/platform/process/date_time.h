// The local date and time as the console and the log show them.
#pragma once

#include <string>

// Local date "MM-DD-YYYY" and time "HH:MM:SS".
std::string DateText();
std::string TimeText();
