#!/usr/bin/env bash
# Checks the sources' form and their common faults:
#  1. clang-format (.clang-format) on every .h/.cpp under src/, tests/ and fuzz/;
#  2. clang-tidy (.clang-tidy) on every .cpp of the program under src/, and the program's
#     headers they include, with the flags of a build folder of its own (build-lint).
# Prints each finding and exits 1 when there is one. Installs Debian's clang-format and
# clang-tidy 14 when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

# One version of each tool: another clang-format lays the same code out differently.
format=clang-format-14
tidy=clang-tidy-14
build=build-lint

sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
missing=()
command -v "$format" > /dev/null || missing+=("$format")
command -v "$tidy" > /dev/null || missing+=("$tidy")
if [ "${#missing[@]}" -gt 0 ]; then
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

status=0

echo "== clang-format"
mapfile -t sources < <(find src tests fuzz -name '*.h' -o -name '*.cpp' | sort)
if ! "$format" --dry-run --Werror "${sources[@]}"; then
  echo "clang-format: the files above differ from .clang-format (clang-format-14 -i FILE)"
  status=1
fi

echo "== clang-tidy"
# The compilation database comes from a configure alone: clang-tidy needs the flags, not a
# build.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_EXPORT_COMPILE_COMMANDS=ON > /dev/null
# The Windows sources are not in this Linux build's database; clang-format covers them above.
mapfile -t program < <(find "$(pwd -P)/src" -name '*.cpp' -not -path '*/windows/*' | sort)
jobs=$(nproc 2>/dev/null || echo 2)
report=$(mktemp)
trap 'rm -f "$report"' EXIT
# Each file's findings are printed whole, one file after another; a finding makes clang-tidy
# exit non-zero (WarningsAsErrors), and xargs then exits non-zero too.
if ! printf '%s\0' "${program[@]}" |
    xargs -0 -n 1 -P "$jobs" sh -c \
      'out=$("$0" -p "$1" --quiet "$2" 2>&1); rc=$?
       [ "$rc" = 0 ] || printf "%s\n" "$out" | grep -vE "^[0-9]+ warnings? generated\.$"
       exit "$rc"' \
      "$tidy" "$build" > "$report"; then
  status=1
fi
cat "$report"
findings=$(grep -cE '(warning|error): .*\[[a-z0-9.,-]+\]$' "$report" || true)
echo "clang-tidy: ${#program[@]} files, $findings finding(s)"
[ "$findings" = 0 ] || status=1

exit $status
