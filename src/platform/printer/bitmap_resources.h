// The program's own bitmap resources: the pictures of resources/*.bmp built into the program,
// each named after its file in upper case ("logo.bmp" is "LOGO").
#pragma once

#include <cstddef>

struct BitmapResource {
  const char* name;
  const unsigned char* data;  // the whole .bmp file
  size_t size;
};

// Generated at build time.
extern const BitmapResource BitmapResources[];
extern const size_t BitmapResourceCount;

// The resource of that name, letter case ignored as the system does; null when there is none.
const BitmapResource* FindBitmapResource(const char* name);
