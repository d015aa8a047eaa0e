// The test whether another process holds a file: its lock, or any open of it at all.
#pragma once

#include <string>

// Takes the exclusive lock on an open ordinary file, probes it with a write lease and asks the
// working folder's watch how often the name is open. True (code 70 for the caller) when
// another process holds the lock or has the file open; the lock stays taken otherwise and
// goes with the descriptor. `name` is the name the descriptor was opened by.
bool HeldElsewhere(int descriptor, const std::string& name);
