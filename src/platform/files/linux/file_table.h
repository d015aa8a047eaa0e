// Open-file table of the file services: one record per file number, shared by their parts.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/files/files.h"

// Bytes the line reader takes from the file at a time.
constexpr int FileReadBufferSize = 128;
// Bytes asked of the system at a time: the read buffer is filled from this read-ahead, so a
// long file costs one system call per 64 KB rather than one per 128 bytes.
constexpr int FileReadAheadSize = 65536;
constexpr int HighestFileNumber = 32767;

struct OpenFile {
  int Descriptor = -1;
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
extern std::map<int, OpenFile> OpenFiles;

// The record of an open file, or nullptr with ErrorCode 52 (bad file number) when the number
// is not open.
OpenFile* FindOpenFile(int number);

// Code for a name that is not there: 76 (path not found) when its folder is missing or is
// not a folder, else 53 (file not found).
int MissingNameCode(const std::string& name);

// The identity text of a file's status (FileIdentity, OpenFileIdentity).
std::string FileIdentityText(const struct stat& info);
