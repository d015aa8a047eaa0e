// Reading text files: the line rules (CR or CR LF ends a line, 1Ah ends the data) and the
// end-of-file test, through a 128-byte read buffer filled from a larger read-ahead.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "base/error_code.h"
#include "platform/files/windows/file_table.h"
#include "platform/files/windows/win32_codes.h"

namespace {

constexpr char CarriageReturn = '\r';
constexpr char LineFeed = '\n';
constexpr char EndOfData = '\x1a';

// The record of a file open for input; 52 when the number is not open, 54 (bad file mode)
// when it is open for output or append, which are never read.
OpenFileRecord* InputFile(int number) {
  OpenFileRecord* file = FindOpenFile(number);
  if (file != nullptr && file->Mode != FileInput) {
    ErrorCode = BadFileModeCode;
    return nullptr;
  }
  return file;
}

enum class Readable { Byte, End, Failed };

// Fills the read buffer with the next (up to) 128 bytes of the file, taking them from the
// read-ahead and refilling that from the system when it is used up. The count, 0 at the
// physical end, or -1 with the system's error number in `error`.
int FillReadBuffer(OpenFileRecord& file, DWORD& error) {
  if (file.AheadStart == file.ReadAhead.size()) {
    file.ReadAhead.resize(FileReadAheadSize);
    DWORD count = 0;
    const bool read =
        ReadFile(file.Handle, file.ReadAhead.data(), FileReadAheadSize, &count, nullptr) != 0;
    error = read ? 0 : GetLastError();
    if (!read && error == ERROR_HANDLE_EOF) error = 0;
    file.ReadAhead.resize(read ? count : 0);
    file.AheadStart = 0;
    if (error != 0) return -1;
    if (count == 0) return 0;
  }
  const size_t count =
      std::min(file.ReadAhead.size() - file.AheadStart, static_cast<size_t>(FileReadBufferSize));
  std::memcpy(file.ReadBuffer, file.ReadAhead.data() + file.AheadStart, count);
  file.AheadStart += count;
  return static_cast<int>(count);
}

// Makes sure an unread data byte waits in the buffer, reading the next 128 bytes when it is
// used up. A 1Ah byte or the physical end ends the data for good; so does a read error,
// which leaves its code.
Readable NextByteReady(OpenFileRecord& file) {
  if (file.DataEnded) return Readable::End;
  if (file.ReadStart == file.ReadEnd) {
    DWORD error = 0;
    const int count = FillReadBuffer(file, error);
    file.ReadStart = 0;
    file.ReadEnd = count > 0 ? count : 0;
    if (count <= 0) {
      file.DataEnded = true;
      if (count < 0) {
        SetErrorFromWin32(error);
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
  OpenFileRecord* file = InputFile(number);
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
  OpenFileRecord* file = InputFile(number);
  if (file == nullptr) return true;
  return NextByteReady(*file) != Readable::Byte;
}
