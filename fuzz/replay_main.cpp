// Replay driver for the fuzz targets in the ordinary (g++) build: runs every seed file of a
// corpus folder through the target, then a fixed number of pseudo-random mutations of them.
// The mutations come from a fixed seed, so every run of the test tries the same inputs.
//
//   <target>_replay <corpus folder or input file> [mutations]
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

// Small, fixed-seed generator (xorshift64*): the same sequence on every machine.
struct Random {
  uint64_t state = 0x9E3779B97F4A7C15ull;
  uint64_t Next() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1Dull;
  }
  size_t Below(size_t bound) { return bound == 0 ? 0 : static_cast<size_t>(Next() % bound); }
};

Bytes ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes that matter to the decoders under test: line ends, the end-of-data byte, Escape and
// sequence bytes, digits and exponent letters, and the edges of a byte's range.
constexpr uint8_t InterestingBytes[] = {0x00, 0x01, 0x0A, 0x0D, 0x1A, 0x1B, '[', 'O', ';',
                                        '~',  '0',  '9',  '.',  'E',  'D',  '&', 'H', '-',
                                        '+',  0x7F, 0x80, 0xC3, 0xE2, 0xF0, 0xFF};

// One change to the input: a bit flip, a byte set, inserted or removed, a copied slice, a
// slice of another seed, a cut, or a little-endian field set to an edge value.
void Mutate(Bytes& input, const std::vector<Bytes>& seeds, Random& random) {
  switch (random.Below(9)) {
    case 0:
      if (!input.empty())
        input[random.Below(input.size())] ^= static_cast<uint8_t>(1u << random.Below(8));
      break;
    case 1:
      if (!input.empty()) input[random.Below(input.size())] = static_cast<uint8_t>(random.Next());
      break;
    case 2:
      if (!input.empty())
        input[random.Below(input.size())] = InterestingBytes[random.Below(sizeof InterestingBytes)];
      break;
    case 3:
      input.insert(input.begin() + static_cast<std::ptrdiff_t>(random.Below(input.size() + 1)),
                   InterestingBytes[random.Below(sizeof InterestingBytes)]);
      break;
    case 4:
      if (!input.empty())
        input.erase(input.begin() + static_cast<std::ptrdiff_t>(random.Below(input.size())));
      break;
    case 5:
      if (!input.empty()) {
        size_t from = random.Below(input.size());
        size_t length = 1 + random.Below(std::min<size_t>(input.size() - from, 64));
        Bytes slice(input.begin() + static_cast<std::ptrdiff_t>(from),
                    input.begin() + static_cast<std::ptrdiff_t>(from + length));
        input.insert(input.begin() + static_cast<std::ptrdiff_t>(random.Below(input.size() + 1)),
                     slice.begin(), slice.end());
      }
      break;
    case 6: {
      const Bytes& other = seeds[random.Below(seeds.size())];
      if (!other.empty()) {
        size_t from = random.Below(other.size());
        size_t length = 1 + random.Below(other.size() - from);
        input.insert(input.begin() + static_cast<std::ptrdiff_t>(random.Below(input.size() + 1)),
                     other.begin() + static_cast<std::ptrdiff_t>(from),
                     other.begin() + static_cast<std::ptrdiff_t>(from + length));
      }
      break;
    }
    case 7:
      input.resize(random.Below(input.size() + 1));
      break;
    case 8:
      if (input.size() >= 4) {
        static const uint32_t edges[] = {
            0, 1, 12, 40, 124, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
        uint32_t value = edges[random.Below(std::size(edges))];
        size_t at = random.Below(input.size() - 3);
        for (int i = 0; i < 4; ++i)
          input[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
      }
      break;
  }
}

void RunOne(const Bytes& input) {
  // A copy in a buffer of its own size, so that reading past the end shows under ASan.
  std::vector<uint8_t> exact(input);
  LLVMFuzzerTestOneInput(exact.empty() ? nullptr : exact.data(), exact.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <corpus folder or input file> [mutations]\n", argv[0]);
    return 2;
  }
  const std::filesystem::path where = argv[1];
  const long mutations = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 0;

  std::vector<std::filesystem::path> paths;
  if (std::filesystem::is_directory(where)) {
    for (const auto& entry : std::filesystem::directory_iterator(where))
      if (entry.is_regular_file()) paths.push_back(entry.path());
  } else {
    paths.push_back(where);
  }
  std::sort(paths.begin(), paths.end());  // the same order on every file system
  if (paths.empty()) {
    std::fprintf(stderr, "no inputs in %s\n", argv[1]);
    return 2;
  }

  std::vector<Bytes> seeds;
  for (const auto& path : paths) {
    seeds.push_back(ReadWhole(path));
    RunOne(seeds.back());
  }
  Random random;
  for (long i = 0; i < mutations; ++i) {
    Bytes input = seeds[static_cast<size_t>(i) % seeds.size()];
    size_t changes = 1 + random.Below(4);
    for (size_t c = 0; c < changes; ++c) Mutate(input, seeds, random);
    RunOne(input);
  }
  std::printf("%zu seeds and %ld mutations ran\n", seeds.size(), mutations);
  return 0;
}
