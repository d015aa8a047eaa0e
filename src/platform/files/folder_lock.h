// Folder lock: one holder at a time for a folder, through a small lock file that the system
// frees when its holder ends, however it ends (a kill -9 included).
#pragma once

#include <string>

// What an attempt to take the lock found.
enum class FolderLockState {
  Taken,          // this process holds the lock now
  HeldElsewhere,  // another process holds it; holderProcess names it
  Failed,         // the lock file could not be opened or locked; errorCode says why
};

struct FolderLockResult {
  FolderLockState state = FolderLockState::Failed;
  int holderProcess = 0;  // the holder's process id; 0 when the system cannot tell it
  int errorCode = 0;      // the program's error code of a failure (70, 53, 76, ...)
};

// Takes the lock on the named file (created when absent, readable by every user) and writes
// this process's id into it. A holder of another user is seen too, even when its lock file
// cannot be written here. The lock stays until ReleaseFolderLock or the end of the process;
// this process must not open and close the lock file by other means meanwhile.
FolderLockResult TakeFolderLock(const std::string& name);
// Gives the lock up; the file stays, empty, for the next holder. Nothing happens without one.
void ReleaseFolderLock();
