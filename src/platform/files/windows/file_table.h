// Open-file table of the file services: one record per file number, shared by their parts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>

#include "platform/files/files.h"
#include "platform/files/line_reader.h"

constexpr int HighestFileNumber = 32767;

// Named apart from the system's own OpenFile call.
struct OpenFileRecord {
  HANDLE Handle = INVALID_HANDLE_VALUE;
  FileMode Mode = FileInput;
  LineReader Reader;   // where reading stands (input only)
  int64_t Column = 0;  // bytes written since the last line end
};

// The open files by file number.
extern std::map<int, OpenFileRecord> OpenFiles;

// The record of an open file, or nullptr with ErrorCode 52 (bad file number) when the number
// is not open.
OpenFileRecord* FindOpenFile(int number);

// Whether what a handle holds is an ordinary file: on a disk, not a folder, not a link
// (reparse point). `info` gets the file's information.
bool IsOrdinaryFile(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info);

// The identity text of a file's information (FileIdentity, OpenFileIdentity): volume, file
// index, size, last-write time and attributes.
std::string FileIdentityText(const BY_HANDLE_FILE_INFORMATION& info);
