#!/usr/bin/env bash
# Builds the Windows program (tavrel.exe, a 32-bit console program) with the MinGW-w64 cross
# tools and tests it under Wine: the unit tests through ctest (the cross build runs them with
# Wine), then the integration scripts tests/windows/*_test.sh one at a time, each against a
# private CUPS scheduler. Wine's prefixes are made inside the build folder.
# Usage: scripts/run-windows-tests.sh [BUILD_FOLDER]   (default: build-windows)
# Warnings are errors, as in the Linux test build; TAVREL_WERROR=OFF in the environment lets a
# build with warnings go on to the tests.
set -uo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-windows}
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DTAVREL_WERROR="${TAVREL_WERROR:-ON}" || exit 1
cmake --build "$build" -j"$jobs" || exit 1

status=0
start=$(date +%s)
echo "== unit tests under Wine in $build"
(cd "$build" && ctest --output-on-failure --timeout 600) || status=1
echo "== unit tests took $(( $(date +%s) - start )) s"

# The integration scripts share the build's Wine prefix and Wine's spooler takes its printers
# from the scheduler of the moment, so they run one after another.
for script in tests/windows/*_test.sh; do
  name=$(basename "$script" .sh)
  echo "== windows.$name"
  started=$(date +%s)
  if timeout 900 bash "$script" "$build/tavrel.exe"; then
    echo "== windows.$name passed in $(( $(date +%s) - started )) s"
  else
    echo "== windows.$name FAILED after $(( $(date +%s) - started )) s"
    status=1
  fi
done
echo "== Windows tests took $(( $(date +%s) - start )) s in all"
exit $status
