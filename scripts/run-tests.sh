#!/usr/bin/env bash
# Builds Tavrel twice, plainly and with AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs every test (unit and integration) in both builds.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=$(nproc 2>/dev/null || echo 2)
status=0
for variant in build build-asan; do
  flags=()
  [ "$variant" = build-asan ] && flags=(-DTAVREL_SANITIZE=ON)
  cmake -S . -B "$variant" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVREL_WERROR=ON "${flags[@]}"
  cmake --build "$variant" -j"$jobs"
  echo "== tests in $variant"
  (cd "$variant" && ctest --output-on-failure --timeout 600) || status=1
done
exit $status
