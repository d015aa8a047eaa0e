// The line rules of a file open for input, over the operating system's reads.
#include "platform/files/line_reader.h"

#include <algorithm>
#include <cstring>

#include "base/error_code.h"

namespace {

constexpr char CarriageReturn = '\r';
constexpr char LineFeed = '\n';
constexpr char EndOfData = '\x1a';

enum class Readable { Byte, End, Failed };

// Fills the read buffer with the next (up to) 128 bytes of the file, taking them from the
// read-ahead and refilling that from the system when it is used up. The count, 0 at the
// physical end, or -1 after a failed read.
long long FillReadBuffer(LineReader& reader, ReadSystemBytes read, void* file) {
  if (reader.AheadStart == reader.ReadAhead.size()) {
    reader.ReadAhead.resize(FileReadAheadSize);
    const long long count = read(file, reader.ReadAhead.data(), reader.ReadAhead.size());
    reader.ReadAhead.resize(count > 0 ? static_cast<size_t>(count) : 0);
    reader.AheadStart = 0;
    if (count <= 0) return count;
  }
  const size_t count = std::min(reader.ReadAhead.size() - reader.AheadStart,
                                static_cast<size_t>(FileReadBufferSize));
  std::memcpy(reader.ReadBuffer, reader.ReadAhead.data() + reader.AheadStart, count);
  reader.AheadStart += count;
  return static_cast<long long>(count);
}

// Makes sure an unread data byte waits in the buffer, reading the next 128 bytes when it is
// used up. A 1Ah byte or the physical end ends the data for good; so does a read error,
// which leaves its code.
Readable NextByteReady(LineReader& reader, ReadSystemBytes read, void* file) {
  if (reader.DataEnded) return Readable::End;
  if (reader.ReadStart == reader.ReadEnd) {
    const long long count = FillReadBuffer(reader, read, file);
    reader.ReadStart = 0;
    reader.ReadEnd = count > 0 ? static_cast<int>(count) : 0;
    if (count <= 0) {
      reader.DataEnded = true;
      return count < 0 ? Readable::Failed : Readable::End;
    }
  }
  if (reader.ReadBuffer[reader.ReadStart] == EndOfData) {
    reader.DataEnded = true;
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

std::string ReaderLineInput(LineReader& reader, ReadSystemBytes read, void* file) {
  Readable first = NextByteReady(reader, read, file);
  if (first != Readable::Byte) {
    if (first == Readable::End) ErrorCode = InputPastEndCode;
    return "";
  }
  std::string line;
  while (NextByteReady(reader, read, file) == Readable::Byte) {
    const char* start = reader.ReadBuffer + reader.ReadStart;
    const char* end = reader.ReadBuffer + reader.ReadEnd;
    const char* stop = LineStop(start, end);
    line.append(start, stop);
    reader.ReadStart = static_cast<int>(stop - reader.ReadBuffer);
    if (stop == end || *stop == EndOfData)
      continue;          // refill, or let NextByteReady see the 1Ah and end the data
    ++reader.ReadStart;  // the CR
    if (NextByteReady(reader, read, file) == Readable::Byte &&
        reader.ReadBuffer[reader.ReadStart] == LineFeed)
      ++reader.ReadStart;
    return line;
  }
  return line;
}

bool ReaderAtEnd(LineReader& reader, ReadSystemBytes read, void* file) {
  return NextByteReady(reader, read, file) != Readable::Byte;
}
