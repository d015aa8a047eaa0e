// Run mode's hold on its working folder: the folder lock, and what a second run mode says
// before it ends.

#include "monitor/run_guard.h"

#include "config/program_files.h"
#include "monitor/run_monitor.h"
#include "platform/console/console.h"
#include "platform/files/folder_lock.h"
#include "platform/files/shared_append.h"

// RefusalMessage() - The line a run mode that may not run here shows and logs.
static std::string RefusalMessage(const FolderLockResult& lock) {
  if (lock.state == FolderLockState::HeldElsewhere && lock.holderProcess > 0)
    return "Run mode already runs in this folder (process " + std::to_string(lock.holderProcess) +
           "); this one ends.";
  if (lock.state == FolderLockState::HeldElsewhere)
    return "Run mode already runs in this folder; this one ends.";
  return "Run mode cannot lock this folder with " + RunLockFileName + " (error " +
         std::to_string(lock.errorCode) + "); this one ends.";
}

// TakeRunFolder() - The folder lock, or one line why not. The first run mode holds the log
// open and locked, so the line is appended to it without the lock, in one write.
bool TakeRunFolder() {
  const FolderLockResult lock = TakeFolderLock(RunLockFileName);
  if (lock.state == FolderLockState::Taken) return true;
  const std::string message = RefusalMessage(lock);
  ConsolePrintLine(message);
  AppendWithoutLock(LogFileName, LogLineText(message));
  return false;
}

// ReleaseRunFolder() - The folder lock given up.
void ReleaseRunFolder() {
  ReleaseFolderLock();
}
