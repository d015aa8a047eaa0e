// Fuzz targets' reference for the line rules of text files, written as plainly as possible to
// compare the real reader against: CR or CR LF ends a line, a lone LF stays in the line, the
// byte 1Ah ends the data, and the last line needs no CR.
#pragma once

#include <string>
#include <vector>

inline std::vector<std::string> ReferenceLines(const std::string& bytes) {
  const std::string data = bytes.substr(0, bytes.find('\x1a'));
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < data.size()) {
    size_t cr = data.find('\r', at);
    if (cr == std::string::npos) {
      lines.push_back(data.substr(at));
      break;
    }
    lines.push_back(data.substr(at, cr - at));
    at = cr + 1;
    if (at < data.size() && data[at] == '\n') ++at;
  }
  return lines;
}
