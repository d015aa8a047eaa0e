// Tests of the bitmap resources built into the program.
#include "platform/printer/bitmap_resources.h"

#include <gtest/gtest.h>

#include "platform/printer/bitmap_file.h"

namespace {

TEST(BitmapResources, TheLogoIsBuiltInAndFoundInAnyCase) {
  const BitmapResource* logo = FindBitmapResource("LOGO");
  ASSERT_NE(logo, nullptr);
  EXPECT_EQ(FindBitmapResource("logo"), logo);
  BitmapImage image;
  ASSERT_TRUE(DecodeBitmap(logo->data, logo->size, image));
  EXPECT_EQ(image.width, 96);
  EXPECT_EQ(image.height, 48);
  EXPECT_EQ(image.bitsPerPixel, 24);
  EXPECT_EQ(FindBitmapResource("NOSUCHPICTURE"), nullptr);
  EXPECT_EQ(FindBitmapResource(nullptr), nullptr);
}

}  // namespace
