// Run mode's hold on its working folder: one run mode a folder, so that no document is
// printed by two of them, or printed by one and set aside as unprinted by the other.
#pragma once

#include <string>

// Takes the working folder for this run mode. When another run mode has it (or the lock
// cannot be taken), says so in one line on the console and in the log, and returns false:
// this run mode then ends without touching anything else.
bool TakeRunFolder();
// Leaves the working folder to the next run mode.
void ReleaseRunFolder();
