// Bitmap output on the built-in "Print to PDF" printer: the pictures are in the PDF at their
// own resolution, at the place and size asked for.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bitmap_test_files.h"
#include "pdf_printer_fixture.h"
#include "print/bitmap_output.h"
#include "print/print_job.h"

namespace {

// One row of `pdfimages -list`.
struct ListedImage {
  int page = 0;
  int width = 0;
  int height = 0;
  int xPpi = 0;
  int yPpi = 0;
};

// The images of a PDF as pdfimages lists them.
std::vector<ListedImage> ListImages(const std::string& pdf) {
  std::vector<ListedImage> images;
  std::istringstream lines(CommandOutput("pdfimages -list '" + pdf + "'"));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    ListedImage image;
    int number;
    std::string type, color, comp, bpc, enc, interp, object, id;
    if (!(fields >> image.page >> number >> type >> image.width >> image.height >> color >> comp >>
          bpc >> enc >> interp >> object >> id >> image.xPpi >> image.yPpi))
      continue;  // the two heading lines
    images.push_back(image);
  }
  return images;
}

// A page rendered by pdftoppm as RGB pixels.
struct Raster {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
  // The box (left, top, right, bottom, exclusive) of the pixels close to a colour.
  bool BoxOf(unsigned color, int box[4]) const {
    box[0] = width, box[1] = height, box[2] = -1, box[3] = -1;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const unsigned char* p =
            &rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) *
                 3];
        if (std::abs(p[0] - static_cast<int>(color >> 16)) > 40 ||
            std::abs(p[1] - static_cast<int>((color >> 8) & 0xFF)) > 40 ||
            std::abs(p[2] - static_cast<int>(color & 0xFF)) > 40)
          continue;
        box[0] = std::min(box[0], x), box[1] = std::min(box[1], y);
        box[2] = std::max(box[2], x + 1), box[3] = std::max(box[3], y + 1);
      }
    return box[2] >= 0;
  }
};

// Renders the first page at the given resolution (pdftoppm, binary PPM).
Raster RenderFirstPage(const std::string& pdf, int dpi) {
  Raster raster;
  std::string ppm = CommandOutput("pdftoppm -r " + std::to_string(dpi) +
                                  " -f 1 -l 1 -aa no -aaVector no '" + pdf + "'");
  std::istringstream in(ppm);
  std::string magic;
  int maxValue = 0;
  in >> magic >> raster.width >> raster.height >> maxValue;
  in.get();
  if (magic != "P6" || maxValue != 255) return Raster();
  raster.rgb.resize(static_cast<size_t>(raster.width) * static_cast<size_t>(raster.height) * 3);
  in.read(reinterpret_cast<char*>(raster.rgb.data()),
          static_cast<std::streamsize>(raster.rgb.size()));
  return raster;
}

class BitmapPdf : public OnPdfPrinter {
 protected:
  // The one PDF the built-in printer wrote.
  std::string WrittenPdf() {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(folder_ + "/pdf"))
      if (entry.path().extension() == ".pdf") found.push_back(entry.path());
    return found.size() == 1 ? found[0] : "";
  }
};

TEST_F(BitmapPdf, PicturesLandAtTheirPlaceAndSize) {
  // 24 bits, 100 x 50: top half red, bottom half blue (bottom-up rows in the file).
  TestBitmapLayout layout24;
  layout24.width = 100, layout24.height = 50;
  std::vector<uint32_t> pixels24;
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x) pixels24.push_back(y < 25 ? 0xFF0000 : 0x0000FF);
  WriteTestFile("wide.bmp", MakeTestBitmap(layout24, pixels24));
  // 8 bits, 60 x 30, all green through the colour table.
  TestBitmapLayout layout8;
  layout8.width = 60, layout8.height = 30, layout8.bitsPerPixel = 8;
  layout8.palette = {0xFFFFFF, 0x00C000};
  layout8.colorsUsed = 2;
  WriteTestFile("green.bmp", MakeTestBitmap(layout8, std::vector<uint32_t>(60 * 30, 1)));

  ASSERT_EQ(OpenPrintJob("Print to PDF", PrintDocumentName, 80, 60, 0), 1);
  const int offsetX = GetDeviceCaps(PrintJob.PrinterDc, PHYSICALOFFSETX);
  const int offsetY = GetDeviceCaps(PrintJob.PrinterDc, PHYSICALOFFSETY);
  const int dpi = GetDeviceCaps(PrintJob.PrinterDc, LOGPIXELSX);
  ASSERT_EQ(GetDeviceCaps(PrintJob.PrinterDc, LOGPIXELSY), dpi);
  const int rowHeight = PrintJob.GridRowHeight;
  const int columnWidth = PrintJob.GridColumnWidth;

  // 2 inches wide, height kept (1 inch), at column 0, row 1.
  EXPECT_EQ(PrintBitmap("wide.bmp", 0, 1, 2, 0, 0), 1);
  // 2 inches wide and 1 inch high (stretched), at column 20, row 20.
  EXPECT_EQ(PrintBitmap("green.bmp", 20, 20, 2, 1, 0), 1);
  // The built-in logo (96 x 48), 2 inches wide, at row 40.
  EXPECT_EQ(PrintBitmap("LOGO", 0, 40, 2, 0, 1), 1);
  EndPrintJob();

  std::string pdf = WrittenPdf();
  ASSERT_NE(pdf, "");
  std::vector<ListedImage> images = ListImages(pdf);
  ASSERT_EQ(images.size(), 3u) << CommandOutput("pdfimages -list '" + pdf + "'");
  // Pixels per inch of the placed image = its pixels over its inches on paper.
  const int expected[3][4] = {{100, 50, 50, 50}, {60, 30, 30, 30}, {96, 48, 48, 48}};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(images[static_cast<size_t>(i)].page, 1);
    EXPECT_EQ(images[static_cast<size_t>(i)].width, expected[i][0]);
    EXPECT_EQ(images[static_cast<size_t>(i)].height, expected[i][1]);
    EXPECT_EQ(images[static_cast<size_t>(i)].xPpi, expected[i][2]);
    EXPECT_EQ(images[static_cast<size_t>(i)].yPpi, expected[i][3]);
  }

  // Placement on the sheet, rendered at 50 dpi: device pixels are measured from the
  // printable area's corner, which lies at the unprintable offsets.
  const int renderDpi = 50;
  Raster page = RenderFirstPage(pdf, renderDpi);
  ASSERT_GT(page.width, 0);
  auto sheet = [&](double devicePixels, int offset) {
    return (devicePixels + offset) * renderDpi / dpi;
  };
  struct Expected {
    const char* what;
    unsigned color;
    double left, top, right, bottom;  // device pixels of the printable area
  };
  const Expected boxes[] = {
      {"red top half", 0xFF0000, static_cast<double>(offsetX), 0, offsetX + 2.0 * dpi, 0.5 * dpi},
      {"blue bottom half", 0x0000FF, static_cast<double>(offsetX), 0.5 * dpi, offsetX + 2.0 * dpi,
       1.0 * dpi},
      {"green stretched", 0x00C000, 20.0 * columnWidth, 19.0 * rowHeight,
       20.0 * columnWidth + 2.0 * dpi, 19.0 * rowHeight + 1.0 * dpi},
  };
  for (const Expected& e : boxes) {
    SCOPED_TRACE(e.what);
    int box[4];
    ASSERT_TRUE(page.BoxOf(e.color, box));
    EXPECT_NEAR(box[0], sheet(e.left, offsetX), 1.5);
    EXPECT_NEAR(box[1], sheet(e.top, offsetY), 1.5);
    EXPECT_NEAR(box[2], sheet(e.right, offsetX), 1.5);
    EXPECT_NEAR(box[3], sheet(e.bottom, offsetY), 1.5);
  }
}

TEST_F(BitmapPdf, APictureDoesNotMoveTheText) {
  ASSERT_EQ(OpenPrintJob("Print to PDF", PrintDocumentName, 80, 60, 0), 1);
  const int32_t before = PrintJob.CurrentY;
  EXPECT_EQ(PrintBitmap("LOGO", 0, 0, 3, 12, 1), 1);  // reaches past the bottom of the page
  EXPECT_EQ(PrintJob.CurrentY, before);
  EndPrintJob();
  std::string pdf = WrittenPdf();
  ASSERT_NE(pdf, "");
  EXPECT_NE(CommandOutput("pdfinfo '" + pdf + "'").find("Pages:           1\n"), std::string::npos);
}

}  // namespace
