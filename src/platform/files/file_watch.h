// Watching the working folder for other programs' use of its files: every open, close and
// change the system reports, whichever user's program made it.
#pragma once

#include <cstdint>
#include <string>

// Starts watching the working folder; later calls do nothing. Without a watch (not started,
// or the system refused it) the counts below are unknown.
void WatchWorkingFolder();
// Ends the watch and forgets what it saw; the next WatchWorkingFolder starts afresh.
void StopWatchingWorkingFolder();

// Opens of the named file of the working folder, by any process and this one included, not
// closed again, as seen since the watch began; -1 when unknown (no watch, or a name in
// another folder). Opens made before the watch began are not seen.
int FileOpenCount(const std::string& name);

// Takes in what the system has seen so far. The system merges an event into an identical one
// still unread, so two closes (or two opens) in a row by different programs would count as
// one: this program catches up right before and right after its own opens and closes of a
// watched file, which leaves no room for its own events to merge with another program's.
void CatchUpWithWatch();

// Says that no other process has the named file open, as a lease just taken proves: the
// count is set to this program's own one open, undoing any merge the system made.
void NoteOnlyOwnOpen(const std::string& name);

// A number that grows with every change of the named file seen since the watch began
// (written, truncated, attributes, created, removed or renamed); 0 when unknown.
uint64_t FileChangeCount(const std::string& name);
