// The working folder's watch on Windows. The share mode answers the question the Linux watch
// is for: an open with share mode 0 fails while any other program has the file open, so the
// capture file that its writer still holds is refused at FileOpen (code 70) and tried again on
// the next pass. Opens are therefore not counted here (-1, unknown). Changes are counted from
// the file's identity (volume, index, size, last-write time, attributes), read through a
// handle that asks for attributes only and so never keeps the writer out: each look that finds
// a new identity counts one change.
#include "platform/files/file_watch.h"

#include <map>

#include "platform/files/file_exists.h"

namespace {

struct SeenVersion {
  std::string identity;
  uint64_t changes = 0;
};

bool Watching = false;
// By name with letter case folded, as the file system sees names.
std::map<std::string, SeenVersion> Seen;

bool InWorkingFolder(const std::string& name) {
  return !name.empty() && name.find_first_of("\\/:") == std::string::npos &&
         name.find('\0') == std::string::npos;
}

std::string FoldedName(std::string name) {
  for (char& c : name)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return name;
}

}  // namespace

void WatchWorkingFolder() {
  Watching = true;
}

void StopWatchingWorkingFolder() {
  Watching = false;
  Seen.clear();
}

// Nothing is queued: each question looks at the file itself.
void CatchUpWithWatch() {}

void NoteOnlyOwnOpen(const std::string&) {}

int FileOpenCount(const std::string&) {
  return -1;
}

// The first look at a name records its identity; every later look that finds another one
// counts a change (written, cut, attributes changed, removed or replaced).
uint64_t FileChangeCount(const std::string& name) {
  if (!Watching || !InWorkingFolder(name)) return 0;
  const std::string identity = FileIdentity(name);
  auto [seen, first] = Seen.try_emplace(FoldedName(name), SeenVersion{identity, 0});
  if (!first && seen->second.identity != identity) {
    seen->second.identity = identity;
    seen->second.changes++;
  }
  return seen->second.changes;
}
