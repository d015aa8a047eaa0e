// Fuzz targets' scratch folder: one private folder under the system's temporary folder for
// the whole run, removed when the process ends.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "fuzz_check.h"

// The name is kept for the whole process (never freed), so that the removal at exit, which
// runs after static objects are gone, still has it.
inline const std::string& ScratchFolder() {
  static const std::string* const folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavrel-fuzz-XXXXXX").string();
    Require(mkdtemp(pattern.data()) != nullptr, "a scratch folder can be made");
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(ScratchFolder(), ignored);
    });
    return new std::string(pattern);
  }();
  return *folder;
}
