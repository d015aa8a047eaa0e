#!/usr/bin/env bash
# Makes the reference PDFs the PDF writer's test compares with: every document of
# lib/pdf_documents.sh printed by a build of the program from before the PDF writer (cairo's
# PDF surface), commit 56b1d71. To make them again:
#   mkdir /tmp/ref && git archive 56b1d71 | tar -x -C /tmp/ref
#   cmake -S /tmp/ref -B /tmp/ref/build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
#   cmake --build /tmp/ref/build -j2 --target tavrel
#   g++ -std=c++20 -O2 -I/tmp/ref/src -I/tmp/ref/build/generated tests/pdf_document_drawer.cpp \
#     /tmp/ref/build/src/libtavrel_program.a /tmp/ref/build/src/libtavrel_platform.a \
#     $(pkg-config --libs cairo fontconfig freetype2) -lcups -lpthread -o /tmp/ref/drawer
#   tests/integration/pdf_reference/make_reference.sh /tmp/ref/build/tavrel /tmp/ref/drawer
# The documents in DOS code pages and those of the wide calls come from the DOS code pages
# drawn with cairo, commit ad10785, built the same way (the drawer too):
#   tests/integration/pdf_reference/make_reference.sh /tmp/dos/build/tavrel /tmp/dos/drawer \
#     dos437 dos866 dosoutlines dosmissing widetext wideoutlines
# Usage: make_reference.sh REFERENCE_TAVREL REFERENCE_DRAWER [DOCUMENT...]
set -eu
TAVREL=$(realpath "$1")
DRAWER=$(realpath "$2")
shift 2
HERE=$(cd "$(dirname "$0")" && pwd)
source "$HERE/../lib/cups_harness.sh"
source "$HERE/../lib/pdf_documents.sh"
trap 'cups_stop' EXIT
export CUPS_SERVER=/nonexistent/tavrel-reference/cups.sock
if [ $# -gt 0 ]; then
  for name in "$@"; do pdf_make_document "$name" "$TAVREL" "$DRAWER" "$HERE/$name.pdf"; done
  exit 0
fi
for name in $PDF_ALL_DOCUMENTS; do
  [[ "$name" = receipt || " $PDF_DOS_DOCUMENTS $PDF_WIDE_DOCUMENTS " == *" $name "* ]] && continue
  pdf_make_document "$name" "$TAVREL" "$DRAWER" "$HERE/$name.pdf"
  rm -f "$HERE/$name.pdf.words"
done
cups_start
cups_add_queue receipt receipt.ppd > /dev/null 2>&1
pdf_make_receipt "$TAVREL" receipt "$HERE/receipt.pdf"
ls -l "$HERE"/*.pdf
