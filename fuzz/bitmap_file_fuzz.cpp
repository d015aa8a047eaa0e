// Fuzz target: the bitmap decoder over any bytes. A file the shop puts beside the program may
// be damaged or hostile; decoding must stay inside the bytes and describe a drawable image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "platform/printer/bitmap_file.h"

namespace {

bool SameImage(const BitmapImage& a, const BitmapImage& b) {
  return a.width == b.width && a.height == b.height && a.bitsPerPixel == b.bitsPerPixel &&
         a.palette == b.palette && a.indices == b.indices && a.pixels == b.pixels;
}

// What every decoded image must be: sides and count within the limits, one colour for each
// pixel, and for palette images each colour the one its index names (black for a missing one).
void CheckDecoded(const BitmapImage& image) {
  Require(image.width >= 1 && image.width <= BitmapMaxSide, "width within 1..BitmapMaxSide");
  Require(image.height >= 1 && image.height <= BitmapMaxSide, "height within 1..BitmapMaxSide");
  const uint64_t count = static_cast<uint64_t>(image.width) * static_cast<uint64_t>(image.height);
  Require(count <= BitmapMaxPixels, "pixel count within BitmapMaxPixels");
  Require(image.pixels.size() == count, "one colour a pixel");
  const int bpp = image.bitsPerPixel;
  Require(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32,
          "a bit depth that exists");
  for (uint32_t colour : image.pixels) Require(colour <= 0xFFFFFF, "colour is 0x00RRGGBB");
  if (bpp <= 8) {
    Require(image.indices.size() == count, "one index a pixel");
    Require(image.palette.size() <= (size_t{1} << bpp), "palette no larger than the depth");
    for (size_t i = 0; i < count; ++i) {
      const uint8_t index = image.indices[i];
      Require(index < (1u << bpp), "index fits the depth");
      const uint32_t expected = index < image.palette.size() ? image.palette[index] : 0;
      Require(image.pixels[i] == expected, "pixel colour is its palette entry");
    }
  } else {
    Require(image.palette.empty() && image.indices.empty(), "no palette above 8 bits");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BitmapImage image;
  const bool decoded = DecodeBitmap(data, size, image);
  if (!decoded) {
    Require(image.width == 0 && image.height == 0 && image.pixels.empty() &&
                image.indices.empty() && image.palette.empty(),
            "a refused file leaves the image empty");
    return 0;
  }
  CheckDecoded(image);

  // Bytes after the pixels (a file padded by its writer) change nothing.
  std::vector<uint8_t> longer(data, data + size);
  longer.push_back(0xA5);
  BitmapImage again;
  Require(DecodeBitmap(longer.data(), longer.size(), again), "a longer file still decodes");
  Require(SameImage(image, again), "a longer file decodes to the same image");
  return 0;
}
