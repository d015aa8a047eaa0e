// The test whether another process holds a file: its lock, or any open of it at all.
#pragma once

// Takes the exclusive lock on an open ordinary file and probes it with a write lease. True
// (code 70 for the caller) when another process holds the lock or has the file open; the lock
// stays taken otherwise and goes with the descriptor.
bool HeldElsewhere(int descriptor);
