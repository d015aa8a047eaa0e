// The working folder's watch over inotify. A lease tells whether another process has a file
// open only when this program owns the file; inotify reports the opens and closes of every
// user's programs, so a writer running under another account is seen as well.
#include "platform/files/file_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <map>

namespace {

constexpr uint32_t OpenEvents = IN_OPEN;
constexpr uint32_t CloseEvents = IN_CLOSE_WRITE | IN_CLOSE_NOWRITE;
// A close after writing is a change too: the last write may have left the size and the
// modification time as they were.
constexpr uint32_t ChangeEvents =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
// A name that leaves or arrives is another file from then on: the opens counted so far
// belong to the file that went.
constexpr uint32_t NewFileEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

struct FileUse {
  int opens = 0;
  uint64_t changes = 0;
};

int WatchDescriptor = -1;
bool WatchTried = false;
std::map<std::string, FileUse> Uses;
// Bumped when the system dropped events: every file counts as changed, and opens start over.
uint64_t LostEvents = 0;

void NoteEvent(const inotify_event& event) {
  if (event.mask & IN_IGNORED) {  // the folder itself went away: nothing is watched any more
    StopWatchingWorkingFolder();
    return;
  }
  if (event.mask & IN_Q_OVERFLOW) {
    LostEvents++;
    for (auto& [name, use] : Uses) use.opens = 0;
    return;
  }
  if (event.len == 0) return;  // the folder itself
  FileUse& use = Uses[event.name];
  if (event.mask & NewFileEvents) use.opens = 0;
  if (event.mask & OpenEvents) use.opens++;
  // An open from before the watch closes without having been counted.
  if ((event.mask & CloseEvents) && use.opens > 0) use.opens--;
  if (event.mask & ChangeEvents) use.changes++;
}

// Takes in every event the system has queued. Events are queued as the calls happen, so after
// this the counts include everything done up to now, this program's own opens too.
void DrainEvents() {
  alignas(inotify_event) char buffer[16384];
  while (WatchDescriptor >= 0) {
    ssize_t got = read(WatchDescriptor, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    const size_t length = static_cast<size_t>(got);
    for (size_t at = 0; WatchDescriptor >= 0 && at + sizeof(inotify_event) <= length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      NoteEvent(*event);
      at += sizeof(inotify_event) + event->len;
    }
  }
}

bool InWorkingFolder(const std::string& name) {
  return !name.empty() && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

}  // namespace

void WatchWorkingFolder() {
  if (WatchTried) return;
  WatchTried = true;
  int descriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (descriptor < 0) return;
  if (inotify_add_watch(descriptor, ".", OpenEvents | CloseEvents | ChangeEvents) < 0) {
    close(descriptor);
    return;
  }
  WatchDescriptor = descriptor;
}

void StopWatchingWorkingFolder() {
  if (WatchDescriptor >= 0) close(WatchDescriptor);
  WatchDescriptor = -1;
  WatchTried = false;
  Uses.clear();
}

void CatchUpWithWatch() {
  DrainEvents();
}

void NoteOnlyOwnOpen(const std::string& name) {
  if (WatchDescriptor < 0 || !InWorkingFolder(name)) return;
  DrainEvents();
  Uses[name].opens = 1;
}

int FileOpenCount(const std::string& name) {
  if (WatchDescriptor < 0 || !InWorkingFolder(name)) return -1;
  DrainEvents();
  auto found = Uses.find(name);
  return found == Uses.end() ? 0 : found->second.opens;
}

uint64_t FileChangeCount(const std::string& name) {
  if (WatchDescriptor < 0 || !InWorkingFolder(name)) return 0;
  DrainEvents();
  auto found = Uses.find(name);
  return LostEvents + (found == Uses.end() ? 0 : found->second.changes);
}
