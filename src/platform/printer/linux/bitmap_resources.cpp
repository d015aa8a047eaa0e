// The program's own bitmap resources: lookup by name.
#include "platform/printer/bitmap_resources.h"

#include <strings.h>

// Finds a resource by name without regard to letter case.
const BitmapResource* FindBitmapResource(const char* name) {
  if (name == nullptr) return nullptr;
  for (size_t i = 0; i < BitmapResourceCount; ++i)
    if (strcasecmp(BitmapResources[i].name, name) == 0) return &BitmapResources[i];
  return nullptr;
}
