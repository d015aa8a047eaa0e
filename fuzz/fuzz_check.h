// Fuzz targets' shared check: a broken rule stops the run at once, naming the rule, so that
// libFuzzer keeps the input and the replay test fails.
#pragma once

#include <cstdio>
#include <cstdlib>

// Stops the process when the rule does not hold.
inline void Require(bool holds, const char* rule) {
  if (holds) return;
  std::fprintf(stderr, "fuzz rule broken: %s\n", rule);
  std::abort();
}
