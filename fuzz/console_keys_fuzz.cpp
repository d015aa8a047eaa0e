// Fuzz target: the terminal key decoder over any bytes, as a terminal (or a paste, or line
// noise) may send them. Every byte is taken in the end, keys have the console's shapes, and
// bytes arriving in pieces give the same keys as bytes arriving at once.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "platform/console/linux/console_keys.h"

namespace {

// A key is one character byte (never 0), or byte 0 and a scan code.
bool KeyShaped(const std::string& key) {
  if (key.size() == 1) return key[0] != '\0';
  return key.size() == 2 && key[0] == '\0' && key[1] != '\0';
}

// Every key of the bytes, fed in the given pieces at one moment and then left to time out.
std::vector<std::string> KeysOf(std::string_view bytes, const std::vector<size_t>& pieces) {
  std::vector<std::string> keys;
  KeyQueue queue;
  int64_t now = 1000;
  size_t fed = 0;
  size_t piece = 0;
  while (fed < bytes.size()) {
    size_t length = piece < pieces.size() ? pieces[piece++] : bytes.size() - fed;
    if (length > bytes.size() - fed) length = bytes.size() - fed;
    queue.bytes.append(bytes.substr(fed, length));
    fed += length;
    for (std::string key = TakeKey(queue, now); !key.empty(); key = TakeKey(queue, now)) {
      Require(KeyShaped(key), "a key has a console key's shape");
      keys.push_back(key);
    }
    const int wait = KeyWaitMilliseconds(queue, now);
    Require(wait >= -1 && wait <= EscapeWaitMilliseconds, "wait within the Escape wait");
    Require((wait == -1) == (queue.unfinishedSince < 0), "a wait only for an unfinished sequence");
  }
  // Nothing more comes: each unfinished sequence is taken once its wait is over.
  for (size_t round = 0; round <= bytes.size() + 1 && !queue.bytes.empty(); ++round) {
    now += EscapeWaitMilliseconds;
    for (std::string key = TakeKey(queue, now); !key.empty(); key = TakeKey(queue, now)) {
      Require(KeyShaped(key), "a key has a console key's shape");
      keys.push_back(key);
    }
  }
  Require(queue.bytes.empty(), "every byte is taken in the end");
  Require(KeyWaitMilliseconds(queue, now) == -1, "no wait once the queue is empty");
  return keys;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses how the rest arrives: in pieces of 1 to 16 bytes.
  const size_t pieceLength = (data[0] & 0x0F) + 1;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  for (bool timedOut : {false, true}) {
    const DecodedKey decoded = DecodeKey(bytes, timedOut);
    Require(decoded.used <= bytes.size(), "no more bytes used than there are");
    if (!bytes.empty() && timedOut) Require(decoded.used > 0, "a timed-out front is taken");
    if (decoded.used == 0) Require(decoded.key.empty(), "an unfinished front gives no key");
    if (!decoded.key.empty()) Require(KeyShaped(decoded.key), "a key has a console key's shape");
    // A finished front does not depend on bytes that come after it.
    if (decoded.used > 0 && !timedOut) {
      std::string more(bytes);
      more += "\x1b[A";
      const DecodedKey again = DecodeKey(more, false);
      Require(again.used == decoded.used && again.key == decoded.key,
              "a finished key is the same with more bytes behind it");
    }
  }

  std::vector<size_t> ones(bytes.size(), pieceLength);
  Require(KeysOf(bytes, ones) == KeysOf(bytes, {}), "pieces give the same keys as the whole");

  std::string withReport(bytes);
  int row = -1;
  int column = -1;
  for (size_t taken = 0; TakeCursorReport(withReport, row, column); ++taken) {
    Require(taken <= bytes.size(), "cursor reports end");
    Require(row >= 0 && column >= 0, "a report's row and column are not negative");
  }
  Require(withReport.size() <= bytes.size(), "taking reports never adds bytes");
  return 0;
}
