// The line rules of a file open for input, over any operating system's reads: CR or CR LF
// ends a line, 1Ah ends the data, through a 128-byte read buffer filled from a larger
// read-ahead.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Bytes the line reader takes from the file at a time.
constexpr int FileReadBufferSize = 128;
// Bytes asked of the system at a time: the read buffer is filled from this read-ahead, so a
// long file costs one system call per 64 KB rather than one per 128 bytes.
constexpr size_t FileReadAheadSize = 65536;

// Reads up to `size` bytes of an open file into `into`: the count, 0 at the physical end, or
// -1 after a failed read, with ErrorCode (and its cause) set by the reader.
using ReadSystemBytes = long long (*)(void* file, char* into, size_t size);

// Where reading of one open file stands.
struct LineReader {
  char ReadBuffer[FileReadBufferSize];
  int ReadStart = 0;            // next unread byte in ReadBuffer
  int ReadEnd = 0;              // one past the last byte read into ReadBuffer
  bool DataEnded = false;       // the physical end or a 1Ah byte has been reached
  std::vector<char> ReadAhead;  // bytes read from the system, not yet in ReadBuffer
  size_t AheadStart = 0;        // next byte of ReadAhead to hand over
};

// Next line, without its line end. CR LF ends a line (also when the CR closes one buffer and
// the LF opens the next), a lone CR ends it, a lone LF stays in the text; the last line needs
// no CR. With no data left: "" and ErrorCode 62.
std::string ReaderLineInput(LineReader& reader, ReadSystemBytes read, void* file);
// True when no data byte is left to read: the physical end, or a 1Ah next.
bool ReaderAtEnd(LineReader& reader, ReadSystemBytes read, void* file);
