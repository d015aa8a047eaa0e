// PDF bytes of one document: objects, offsets, compressed streams, the file they go to.
#include "platform/printer/linux/pdf_output.h"

#include <fcntl.h>

#include <cerrno>
#include <charconv>
#include <cmath>

#include "platform/files/write_all.h"

namespace {

// Bytes gathered before a write to the job's file.
constexpr size_t WriteChunk = size_t{256} * 1024;

// Writes the gathered bytes and has the system start putting them on disk, so the sync at
// the end of the document has little left to wait for.
bool WriteBuffer(PdfOutput& out) {
  if (out.failed) return false;
  if (out.buffer.empty()) return true;
  if (!WriteAll(out.fd, out.buffer)) {
    out.writeError = errno;
    out.failed = true;
    return false;
  }
  const auto written = static_cast<off_t>(out.buffer.size());
  sync_file_range(out.fd, out.flushed, written, SYNC_FILE_RANGE_WRITE);
  out.flushed += written;
  out.buffer.clear();
  return true;
}

}  // namespace

bool PdfBegin(PdfOutput& out, int fd) {
  out.fd = fd;
  out.offsets.assign(1, 0);
  // Text is the bulk of a document; the fastest level packs it nearly as well as the default
  // at a fraction of the time.
  out.deflaterReady = deflateInit(&out.deflater, Z_BEST_SPEED) == Z_OK;
  if (!out.deflaterReady) return false;
  if (fd >= 0) out.buffer.reserve(WriteChunk + WriteChunk / 4);
  // A binary comment tells transfer programs the file is not plain text.
  PdfPut(out, "%PDF-1.5\n%\xE2\xE3\xCF\xD3\n");
  return true;
}

void PdfEnd(PdfOutput& out) {
  if (out.deflaterReady) deflateEnd(&out.deflater);
  out.deflaterReady = false;
}

int PdfNewObject(PdfOutput& out) {
  out.offsets.push_back(0);
  return static_cast<int>(out.offsets.size() - 1);
}

void PdfOpenObject(PdfOutput& out, int number) {
  out.offsets[static_cast<size_t>(number)] = PdfSize(out);
  PdfPutInt(out.buffer, number);
  PdfPut(out, " 0 obj\n");
}

void PdfCloseObject(PdfOutput& out) {
  PdfPut(out, "\nendobj\n");
  PdfFlushSome(out);
}

void PdfWriteStream(PdfOutput& out, int number, std::string_view extra, std::string_view data) {
  std::string& packed = out.packed;
  packed.resize(deflateBound(&out.deflater, data.size()) + 64);
  z_stream& z = out.deflater;
  deflateReset(&z);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(packed.data());
  z.avail_out = static_cast<uInt>(packed.size());
  const bool packedWhole = deflate(&z, Z_FINISH) == Z_STREAM_END;
  packed.resize(packedWhole ? z.total_out : 0);
  PdfOpenObject(out, number);
  PdfPut(out, "<< /Length ");
  PdfPutInt(out.buffer, static_cast<long long>(packedWhole ? packed.size() : data.size()));
  if (packedWhole) PdfPut(out, " /Filter /FlateDecode");
  if (!extra.empty()) {
    PdfPut(out, " ");
    PdfPut(out, extra);
  }
  PdfPut(out, " >>\nstream\n");
  PdfPut(out, packedWhole ? std::string_view(packed) : data);
  PdfPut(out, "\nendstream");
  PdfCloseObject(out);
}

void PdfPutInt(std::string& to, long long value) {
  char digits[24];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  to.append(digits, end);
}

void PdfPutNumber(std::string& to, double value) {
  const long long tenThousandths = std::llround(value * 10000.0);
  if (tenThousandths % 10000 == 0) {
    PdfPutInt(to, tenThousandths / 10000);
    return;
  }
  if (tenThousandths < 0) to += '-';
  const long long magnitude = tenThousandths < 0 ? -tenThousandths : tenThousandths;
  PdfPutInt(to, magnitude / 10000);
  char fraction[5];
  long long rest = magnitude % 10000;
  for (int i = 3; i >= 0; i--) {
    fraction[i] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  int length = 4;
  while (fraction[length - 1] == '0') length--;
  to += '.';
  to.append(fraction, static_cast<size_t>(length));
}

void PdfPutTextString(std::string& to, std::u32string_view text) {
  bool ascii = true;
  for (const char32_t c : text) ascii = ascii && c >= 0x20 && c < 0x7F;
  if (ascii) {
    std::string bytes;
    for (const char32_t c : text) bytes += static_cast<char>(c);
    PdfPutLiteral(to, bytes);
    return;
  }
  static const char Hex[] = "0123456789ABCDEF";
  auto putUnit = [&to](unsigned unit) {
    for (int shift = 12; shift >= 0; shift -= 4) to += Hex[(unit >> shift) & 0xF];
  };
  to += "<FEFF";
  for (char32_t c : text) {
    if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) c = 0xFFFD;
    if (c >= 0x10000) {
      putUnit(0xD800 + ((c - 0x10000) >> 10));
      putUnit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      putUnit(static_cast<unsigned>(c));
    }
  }
  to += '>';
}

void PdfPutLiteral(std::string& to, std::string_view bytes) {
  to += '(';
  // Runs of ordinary bytes are copied whole: a line of text rarely holds a byte to escape.
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); i++) {
    const char c = bytes[i];
    if (c != '(' && c != ')' && c != '\\' && c != '\r' && c != '\n') continue;
    to.append(bytes.data() + start, i - start);
    to += '\\';
    // A bare line end inside a string would be read as a newline of the reader's own choice.
    to += c == '\r' ? 'r' : c == '\n' ? 'n' : c;
    start = i + 1;
  }
  to.append(bytes.data() + start, bytes.size() - start);
  to += ')';
}

bool PdfFlushSome(PdfOutput& out) {
  if (out.fd < 0 || out.buffer.size() < WriteChunk) return !out.failed;
  return WriteBuffer(out);
}

bool PdfFinish(PdfOutput& out, int catalog, int info) {
  const off_t table = PdfSize(out);
  PdfPut(out, "xref\n0 ");
  PdfPutInt(out.buffer, static_cast<long long>(out.offsets.size()));
  PdfPut(out, "\n0000000000 65535 f \n");
  for (size_t number = 1; number < out.offsets.size(); number++) {
    char line[24];
    const long long offset = out.offsets[number];
    // Ten digits, then the generation and the in-use mark: exactly twenty bytes a line.
    long long rest = offset;
    for (int i = 9; i >= 0; i--) {
      line[i] = static_cast<char>('0' + rest % 10);
      rest /= 10;
    }
    std::string_view tail = offset > 0 ? " 00000 n \n" : " 00000 f \n";
    out.buffer.append(line, 10);
    out.buffer.append(tail);
  }
  PdfPut(out, "trailer\n<< /Size ");
  PdfPutInt(out.buffer, static_cast<long long>(out.offsets.size()));
  PdfPut(out, " /Root ");
  PdfPutInt(out.buffer, catalog);
  PdfPut(out, " 0 R /Info ");
  PdfPutInt(out.buffer, info);
  PdfPut(out, " 0 R >>\nstartxref\n");
  PdfPutInt(out.buffer, static_cast<long long>(table));
  PdfPut(out, "\n%%EOF\n");
  if (out.fd < 0) return !out.failed;
  return WriteBuffer(out);
}
