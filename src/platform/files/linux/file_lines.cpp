// Reading text files: the line rules (CR or CR LF ends a line, 1Ah ends the data) and the
// end-of-file test, through a 128-byte read buffer filled from a larger read-ahead.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/error_code.h"
#include "platform/files/linux/file_table.h"
#include "platform/files/linux/errno_codes.h"

namespace {

constexpr char CarriageReturn = '\r';
constexpr char LineFeed = '\n';
constexpr char EndOfData = '\x1a';

// The record of a file open for input; 52 when the number is not open, 54 (bad file mode)
// when it is open for output or append, which are never read.
OpenFile* InputFile(int number) {
  OpenFile* file = FindOpenFile(number);
  if (file != nullptr && file->Mode != FileInput) {
    ErrorCode = BadFileModeCode;
    return nullptr;
  }
  return file;
}

enum class Readable { Byte, End, Failed };

// Fills the read buffer with the next (up to) 128 bytes of the file, taking them from the
// read-ahead and refilling that from the system when it is used up. The count, 0 at the
// physical end, or -1 with errno set by a failed read.
ssize_t FillReadBuffer(OpenFile& file) {
  if (file.AheadStart == file.ReadAhead.size()) {
    file.ReadAhead.resize(FileReadAheadSize);
    ssize_t count;
    do count = read(file.Descriptor, file.ReadAhead.data(), file.ReadAhead.size());
    while (count < 0 && errno == EINTR);
    file.ReadAhead.resize(count > 0 ? static_cast<size_t>(count) : 0);
    file.AheadStart = 0;
    if (count <= 0) return count;
  }
  const size_t count =
      std::min(file.ReadAhead.size() - file.AheadStart, static_cast<size_t>(FileReadBufferSize));
  std::memcpy(file.ReadBuffer, file.ReadAhead.data() + file.AheadStart, count);
  file.AheadStart += count;
  return static_cast<ssize_t>(count);
}

// Makes sure an unread data byte waits in the buffer, reading the next 128 bytes when it is
// used up. A 1Ah byte or the physical end ends the data for good; so does a read error,
// which leaves its code.
Readable NextByteReady(OpenFile& file) {
  if (file.DataEnded) return Readable::End;
  if (file.ReadStart == file.ReadEnd) {
    const ssize_t count = FillReadBuffer(file);
    file.ReadStart = 0;
    file.ReadEnd = count > 0 ? static_cast<int>(count) : 0;
    if (count <= 0) {
      file.DataEnded = true;
      if (count < 0) {
        ErrorCode = ErrorCodeFromErrno(errno);
        return Readable::Failed;
      }
      return Readable::End;
    }
  }
  if (file.ReadBuffer[file.ReadStart] == EndOfData) {
    file.DataEnded = true;
    return Readable::End;
  }
  return Readable::Byte;
}

// Position of the first CR or 1Ah in [from, to), or to when there is none.
const char* LineStop(const char* from, const char* to) {
  while (from < to && *from != CarriageReturn && *from != EndOfData) ++from;
  return from;
}

}  // namespace

// Next line of a file open for input, without its line end. CR LF ends a line (also when the
// CR closes one buffer and the LF opens the next), a lone CR ends it, a lone LF stays in the
// text; the last line needs no CR. With no data left: "" and ErrorCode 62.
std::string FileLineInput(int number) {
  OpenFile* file = InputFile(number);
  if (file == nullptr) return "";
  Readable first = NextByteReady(*file);
  if (first != Readable::Byte) {
    if (first == Readable::End) ErrorCode = InputPastEndCode;
    return "";
  }
  std::string line;
  while (NextByteReady(*file) == Readable::Byte) {
    const char* start = file->ReadBuffer + file->ReadStart;
    const char* end = file->ReadBuffer + file->ReadEnd;
    const char* stop = LineStop(start, end);
    line.append(start, stop);
    file->ReadStart = static_cast<int>(stop - file->ReadBuffer);
    if (stop == end || *stop == EndOfData)
      continue;         // refill, or let NextByteReady see the 1Ah and end the data
    ++file->ReadStart;  // the CR
    if (NextByteReady(*file) == Readable::Byte && file->ReadBuffer[file->ReadStart] == LineFeed)
      ++file->ReadStart;
    return line;
  }
  return line;
}

// True when no data byte is left to read: the physical end, or a 1Ah next. A number not
// open for input answers true (with its code) so that a reading loop ends.
bool FileAtEnd(int number) {
  OpenFile* file = InputFile(number);
  if (file == nullptr) return true;
  return NextByteReady(*file) != Readable::Byte;
}
