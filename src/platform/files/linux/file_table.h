// Open-file table of the file services: one record per file number, shared by their parts.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <string>

#include "platform/files/files.h"
#include "platform/files/line_reader.h"

constexpr int HighestFileNumber = 32767;

struct OpenFile {
  int Descriptor = -1;
  FileMode Mode = FileInput;
  LineReader Reader;   // where reading stands (input only)
  int64_t Column = 0;  // bytes written since the last line end
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
