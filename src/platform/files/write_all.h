// Writing a whole byte string to a file descriptor: the console's terminal, a PDF file.
#pragma once

#include <string>

// Writes all bytes (retrying interrupted and partial writes, and waiting up to a second for
// room on a full non-blocking descriptor); false when some were lost, with errno set.
bool WriteAll(int fd, const std::string& bytes);
