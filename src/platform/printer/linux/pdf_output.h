// PDF bytes of one document: numbered objects written through a buffer into the job's file
// or kept for the scheduler, their offsets for the cross-reference table, and one deflate
// stream reused for every compressed stream of the document.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

struct PdfOutput {
  std::string buffer;  // bytes not yet in the file (all of them when there is no file)
  int fd = -1;         // the job's file; -1: the bytes stay in buffer for the scheduler
  bool failed = false;
  int writeError = 0;          // errno of the write that failed
  off_t flushed = 0;           // bytes already in the file
  std::vector<off_t> offsets;  // offset of each object by number (0: not yet written)
  z_stream deflater = {};
  bool deflaterReady = false;
  std::string packed;  // the last compressed stream
};

// Starts the document: the header. False when the compressor cannot start.
bool PdfBegin(PdfOutput& out, int fd);
// Frees the compressor; the bytes already written stay where they are.
void PdfEnd(PdfOutput& out);

// A new object number (written later with PdfOpenObject).
int PdfNewObject(PdfOutput& out);
// Starts object number (its "n 0 obj" line); PdfCloseObject ends it.
void PdfOpenObject(PdfOutput& out, int number);
void PdfCloseObject(PdfOutput& out);
// Writes a whole object: dictionary then, when data is given, a Flate-compressed stream of it.
// extra goes into the stream's dictionary (without its brackets).
void PdfWriteStream(PdfOutput& out, int number, std::string_view extra, std::string_view data);

// Appends text, numbers or a PDF string to the document.
inline void PdfPut(PdfOutput& out, std::string_view text) {
  out.buffer.append(text);
}
void PdfPutInt(std::string& to, long long value);
// A number with up to four decimals, no trailing zeros.
void PdfPutNumber(std::string& to, double value);
// A text string as a PDF string: literal when it is ASCII, else UTF-16BE with its mark.
void PdfPutTextString(std::string& to, std::u32string_view text);
// Bytes as a literal string: brackets and backslashes escaped, line ends written as escapes.
void PdfPutLiteral(std::string& to, std::string_view bytes);

// Writes the buffer to the file once it holds enough; false after a failed write.
bool PdfFlushSome(PdfOutput& out);
// Writes the cross-reference table and trailer; then every byte to the file. False when a
// write failed.
bool PdfFinish(PdfOutput& out, int catalog, int info);
// Total bytes of the document so far.
inline off_t PdfSize(const PdfOutput& out) {
  return out.flushed + static_cast<off_t>(out.buffer.size());
}
