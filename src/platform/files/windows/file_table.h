// Open-file table of the file services: one record per file number, shared by their parts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/files/files.h"

// Bytes the line reader takes from the file at a time.
constexpr int FileReadBufferSize = 128;
// Bytes asked of the system at a time: the read buffer is filled from this read-ahead, so a
// long file costs one system call per 64 KB rather than one per 128 bytes.
constexpr DWORD FileReadAheadSize = 65536;
constexpr int HighestFileNumber = 32767;

// Named apart from the system's own OpenFile call.
struct OpenFileRecord {
  HANDLE Handle = INVALID_HANDLE_VALUE;
  FileMode Mode = FileInput;
  char ReadBuffer[FileReadBufferSize];
  int ReadStart = 0;            // next unread byte in ReadBuffer
  int ReadEnd = 0;              // one past the last byte read into ReadBuffer
  bool DataEnded = false;       // the physical end or a 1Ah byte has been reached
  std::vector<char> ReadAhead;  // bytes read from the system, not yet in ReadBuffer
  size_t AheadStart = 0;        // next byte of ReadAhead to hand over
  int64_t Column = 0;           // bytes written since the last line end
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
