// Appending a line to a file that another program holds locked: one write of the whole line
// at the end of the file, without taking the file's lock.
#pragma once

#include <string>

// Appends the bytes in one write at the current end of the file (created when absent). False
// when the file cannot be opened or not every byte went out. Sets no error code.
bool AppendWithoutLock(const std::string& name, const std::string& bytes);
