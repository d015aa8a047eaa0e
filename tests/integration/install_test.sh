#!/usr/bin/env bash
# Installed like a Debian tool: `cmake --install` into a private prefix puts exactly the
# program, its manual page and its documents in place; `cpack -G DEB` builds a package with
# the right fields, dependencies and files; --help and --version answer without touching the
# folder; the manual page renders and indexes cleanly. Usage: install_test.sh path/to/tavrel
# (the build folder is the one the program was built in).
set -u
TAVREL=$(realpath "$1")
BUILD=$(dirname "$TAVREL")
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
LIB=$(cd "$(dirname "$0")/lib" && pwd)
source "$LIB/tmux_harness.sh"
WORK=$(mktemp -d /tmp/tavrel-install.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
# Whatever a faulty program would write lands here, never in the source tree.
cd "$WORK"

[ -f "$BUILD/CMakeCache.txt" ] || { echo "no build folder beside $TAVREL" >&2; exit 1; }
VERSION=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
check "the project has a version" test -n "$VERSION"

# --help, --version, -h, -V: the answer on standard output, exit 0, the folder (and the home
# folder, where a CUPS client could keep files) left empty, no terminal control bytes.
mkdir -p "$WORK/shop" "$WORK/home"
# A program that took the words for something else (run mode waits for keys) is stopped after
# 10 seconds and fails the checks rather than hanging the test.
answer() {
  (cd "$WORK/shop" && HOME="$WORK/home" CUPS_SERVER=/nonexistent/cups.sock \
    timeout 10 "$TAVREL" "$@" < /dev/null > "$WORK/out" 2> "$WORK/err")
}
for word in --help -h --version -V; do
  answer "$word"
  check "$word exits 0" test $? = 0
  check "$word writes standard output only" bash -c "test -s '$WORK/out' && ! test -s '$WORK/err'"
  check "$word sends no terminal control bytes" bash -c "! grep -q \$'\\e' '$WORK/out'"
  check "$word leaves the folder empty" test -z "$(ls -A "$WORK/shop")"
  check "$word leaves the home folder empty" test -z "$(ls -A "$WORK/home")"
  cp "$WORK/out" "$WORK/out$word"
done
check "--help and -h give the same usage" cmp -s "$WORK/out--help" "$WORK/out-h"
check "the usage begins with the synopsis" grep -q '^Usage: tavrel' "$WORK/out--help"
check "--version is the project's version" test "$(cat "$WORK/out--version")" = "tavrel $VERSION"
check "-V is the same line" cmp -s "$WORK/out--version" "$WORK/out-V"
check "the banner carries the same version" \
  bash -c "cd '$WORK/shop' && CUPS_SERVER=/nonexistent/cups.sock timeout 10 '$TAVREL' -LIST 2>&1 >/dev/null | grep -qx 'Tavrel console release version $VERSION'"
rm -f "$WORK/shop"/*
# Not alone on the command line: dispatched as always (here the printer listing).
answer --help -LIST
check "--help beside -LIST lists the printers" grep -q "Print to PDF" "$WORK/out"
check "--help beside -LIST shows no usage" bash -c "! grep -q Usage '$WORK/out'"
rm -rf "$WORK/shop"/* "$WORK/home"/*
# An answer that cannot be written is not a success.
(cd "$WORK/shop" && timeout 10 "$TAVREL" --version < /dev/null > /dev/full 2>/dev/null)
check "--version into a full disk exits 1" test $? = 1

# cmake --install into a private prefix: these files and nothing else.
PREFIX=$WORK/prefix
check "cmake --install succeeds" bash -c "cmake --install '$BUILD' --prefix '$PREFIX' > '$WORK/install.log' 2>&1"
expected="bin/tavrel
share/doc/tavrel/README.md
share/doc/tavrel/robustness.md
share/man/man1/tavrel.1.gz"
check "exactly the program, the manual page and the documents are installed" \
  test "$(cd "$PREFIX" && find . -type f -o -type l | sed 's|^\./||' | sort)" = "$expected"
check "the installed program is executable by everyone" test "$(stat -c %a "$PREFIX/bin/tavrel")" = 755
check "the installed program is the built one" cmp -s "$PREFIX/bin/tavrel" "$TAVREL"
check "the installed program answers --version" \
  test "$(timeout 10 "$PREFIX/bin/tavrel" --version < /dev/null)" = "tavrel $VERSION"
check "the installed program does not look into the build folder for libraries" \
  bash -c "! readelf -d '$PREFIX/bin/tavrel' | grep -E 'RPATH|RUNPATH' | grep -qF '$BUILD'"
check "the README is installed as written" cmp -s "$PREFIX/share/doc/tavrel/README.md" "$SOURCE/README.md"
check "the robustness notes are installed as written" \
  cmp -s "$PREFIX/share/doc/tavrel/robustness.md" "$SOURCE/docs/robustness.md"
check "the manual page is gzip without a name or time stamp" \
  bash -c "gzip -t '$PREFIX/share/man/man1/tavrel.1.gz' && file '$PREFIX/share/man/man1/tavrel.1.gz' | grep -q 'gzip compressed' && ! file '$PREFIX/share/man/man1/tavrel.1.gz' | grep -q 'was \"'"
check "the manual page carries the version" \
  bash -c "zcat '$PREFIX/share/man/man1/tavrel.1.gz' | grep -q '^\.TH TAVREL 1 .*\"tavrel $VERSION\"'"

# The manual page: found by man where it was installed, rendered without a warning, indexed
# by lexgrog, and clean for mandoc's checker when it is there.
PAGE=$PREFIX/share/man/man1/tavrel.1.gz
check "man finds the page under the prefix" \
  test "$(MANPATH="$PREFIX/share/man" man -w tavrel 2>/dev/null)" = "$PAGE"
MANWIDTH=80 man -l --warnings "$PAGE" > "$WORK/page.txt" 2> "$WORK/page.err"
check "man -l renders the page" test $? = 0
check "man -l renders it without a warning" test ! -s "$WORK/page.err"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS KEYS FILES "EXIT STATUS" ENVIRONMENT EXAMPLES; do
  check "the page has the section $section" grep -qx "$section" "$WORK/page.txt"
done
for option in -RUN -SETUP -TEST -LIST -MENU -POSPRINT --help --version CUPS_SERVER; do
  check "the page explains $option" grep -Eq -- "^ *(-[A-Za-z], )?$option" "$WORK/page.txt"
done
check "lexgrog reads the page's name line" \
  bash -c "lexgrog '$PAGE' | grep -q 'tavrel - print'"
if command -v mandoc > /dev/null; then
  check "mandoc -T lint finds nothing" bash -c "zcat '$PAGE' | mandoc -T lint -W all > '$WORK/lint' 2>&1; test ! -s '$WORK/lint'"
  [ -s "$WORK/lint" ] && cat "$WORK/lint"
else
  echo "skipped - mandoc is not installed"
fi

# The Debian package, built from this build folder into a private folder.
PKG=$WORK/pkg
cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$PKG" > "$WORK/cpack.log" 2>&1
check "cpack -G DEB builds the package" test $? = 0 || cat "$WORK/cpack.log"
ARCH=$(dpkg --print-architecture)
DEB=$PKG/tavrel_${VERSION}_${ARCH}.deb
check "the package has the Debian file name" test -f "$DEB"
dpkg-deb -f "$DEB" > "$WORK/control" 2>&1
field() { sed -n "s/^$1: //p" "$WORK/control"; }
check "dpkg-deb -I reads the package" bash -c "dpkg-deb -I '$DEB' > /dev/null"
check "Package is tavrel" test "$(field Package)" = tavrel
check "Version is the project's" test "$(field Version)" = "$VERSION"
check "Architecture is this machine's" test "$(field Architecture)" = "$ARCH"
check "Maintainer is a name and an address" bash -c "[[ '$(field Maintainer)' =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]]"
check "Description has a summary line" test -n "$(field Description)"
check "Description has a body" grep -q '^ Tavrel lets a legacy' "$WORK/control"
# The package names of Depends, one a line, without versions or alternatives' bars.
DEPENDS=$(field Depends | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//')
for package in libc6 libstdc++6 libcups2 libharfbuzz-subset0 zlib1g libfontconfig1 libfreetype6; do
  check "Depends names $package (from the linked libraries)" grep -qxF "$package" <<< "$DEPENDS"
done
check "Depends names a fixed-pitch font package" grep -qxF fonts-dejavu-core <<< "$DEPENDS"
dpkg-deb -c "$DEB" > "$WORK/contents"
check "the package holds exactly the installed files" \
  test "$(awk '$1 !~ /^d/ {print $6}' "$WORK/contents" | sort | tr '\n' ' ')" = \
  "./usr/bin/tavrel ./usr/share/doc/tavrel/README.md ./usr/share/doc/tavrel/robustness.md ./usr/share/man/man1/tavrel.1.gz "
check "every path in the package is under /usr" bash -c "! awk '{print \$6}' '$WORK/contents' | grep -Ev '^\./(usr(/.*)?)?$'"
check "everything in the package belongs to root" bash -c "! awk '\$2 != \"root/root\"' '$WORK/contents' | grep -q ."
check "the program is 0755, the other files 0644, the folders 0755" bash -c "
  awk '\$6 == \"./usr/bin/tavrel\" && \$1 != \"-rwxr-xr-x\" {bad=1}
       \$1 ~ /^-/ && \$6 != \"./usr/bin/tavrel\" && \$1 != \"-rw-r--r--\" {bad=1}
       \$1 ~ /^d/ && \$1 != \"drwxr-xr-x\" {bad=1} END {exit bad}' '$WORK/contents'"
dpkg-deb -x "$DEB" "$WORK/unpacked"
check "the packaged program answers --version" \
  test "$(timeout 10 "$WORK/unpacked/usr/bin/tavrel" --version < /dev/null)" = "tavrel $VERSION"
check "the packaged program is stripped" bash -c "file '$WORK/unpacked/usr/bin/tavrel' | grep -q ', stripped'"
check "the packaged program still exports CBWINDOW" \
  bash -c "nm -D --defined-only '$WORK/unpacked/usr/bin/tavrel' | grep -Eq ' T CBWINDOW$'"
check "the packaged manual page is the installed one" \
  cmp -s "$WORK/unpacked/usr/share/man/man1/tavrel.1.gz" "$PAGE"

finish
