// Fuzz target: the text file line reader over any bytes, written to a real file and read back
// through its 128-byte buffer and 64 KB read-ahead. The lines must be those of the plain
// reference split of the same bytes, wherever a CR, LF or 1Ah falls against a buffer's edge.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_folder.h"
#include "line_rules.h"
#include "base/error_code.h"
#include "platform/files/files.h"

namespace {

// The file's bytes: the fuzzer's bytes behind a run of plain filler, so that they meet the
// edges of the 128-byte buffer (a short run) or of the 64 KB read-ahead (a run near 64 KB).
std::string FileBytes(const uint8_t* data, size_t size) {
  if (size < 2) return std::string(reinterpret_cast<const char*>(data), size);
  const size_t filler = (data[0] & 1) ? 65536 - 256 + data[1] : data[1];
  std::string bytes(filler, 'x');
  if (filler > 0 && (data[0] & 2)) bytes[filler - 1] = '\r';  // a CR just before the edge
  bytes.append(reinterpret_cast<const char*>(data) + 2, size - 2);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = FileBytes(data, size);
  const std::string path = ScratchFolder() + "/lines.txt";
  {
    // A new file each time: emptying the old one would make ext4 flush it to disk on close.
    std::remove(path.c_str());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Require(static_cast<bool>(out), "the scratch file is written");
  }
  const std::vector<std::string> expected = ReferenceLines(bytes);
  const bool askEndFirst = size == 0 || (data[0] & 4) == 0;

  const int number = FreeFileNumber();
  ClearErrorCode();
  FileOpen(path, number, FileInput);
  Require(ErrorCode == 0, "the scratch file opens");
  std::vector<std::string> lines;
  if (askEndFirst) {
    // The program's loop: ask for the end, then read a line.
    while (!FileAtEnd(number)) {
      Require(lines.size() <= expected.size(), "no more lines than the reference");
      lines.push_back(FileLineInput(number));
      Require(ErrorCode == 0, "a line before the end reads without error");
    }
  } else {
    // Reading on until the reader says the data is over (code 62).
    for (std::string line = FileLineInput(number); ErrorCode == 0; line = FileLineInput(number)) {
      Require(lines.size() <= expected.size(), "no more lines than the reference");
      lines.push_back(line);
    }
  }
  Require(lines == expected, "lines as the reference splits them");
  Require(FileAtEnd(number), "at the end after the last line");
  ClearErrorCode();
  Require(FileLineInput(number).empty() && ErrorCode == 62, "past the end: empty and code 62");
  FileClose(number);
  return 0;
}
