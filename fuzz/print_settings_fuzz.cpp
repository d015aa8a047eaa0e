// Fuzz target: loading "tavrel2.cfg" whatever it holds (a file cut short, edited by hand, or
// written by another program). The three settings are the first three lines by the line
// rules, missing ones empty, and the point size converts without trouble.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "config/print_settings.h"
#include "fuzz_check.h"
#include "fuzz_folder.h"
#include "line_rules.h"
#include "base/number_text.h"
#include "base/text_to_number.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The configuration is read from the working folder: work in the scratch folder.
  static const bool inScratch = chdir(ScratchFolder().c_str()) == 0;
  Require(inScratch, "the scratch folder is the working folder");
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    // A new file each time: emptying the old one would make ext4 flush it to disk on close.
    std::remove(SettingsFileName.c_str());
    std::ofstream out(SettingsFileName, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    Require(static_cast<bool>(out), "the configuration is written");
  }
  std::vector<std::string> lines = ReferenceLines(bytes);
  lines.resize(3);

  const PrintSettings settings = LoadPrintSettings();
  Require(settings.PrinterName == lines[0], "printer name is line 1");
  Require(settings.FontName == lines[1], "font name is line 2");
  Require(settings.PointSizeText == lines[2], "point size is line 3");
  Require(PointSizeValue(settings) == StoreInt16(TextToNumber(lines[2])),
          "point size is line 3 as a number");

  // Loading leaves no file open: the same configuration loads again, alike.
  const PrintSettings again = LoadPrintSettings();
  Require(again.PrinterName == settings.PrinterName && again.FontName == settings.FontName &&
              again.PointSizeText == settings.PointSizeText,
          "a second load reads the same");
  return 0;
}
