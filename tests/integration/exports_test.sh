#!/usr/bin/env bash
# The program exports its window procedure CBWINDOW by that name, with C linkage, in its
# dynamic symbol table. Usage: exports_test.sh path/to/tavrel
set -u
TAVREL=$1
symbols=$(nm -D --defined-only "$TAVREL") || { echo "FAIL: nm could not read $TAVREL"; exit 1; }
if grep -Eq '^[0-9a-f]+ T CBWINDOW$' <<< "$symbols"; then
  echo "PASS: CBWINDOW is an exported function"
  echo "1 passed, 0 failed"
else
  echo "FAIL: CBWINDOW is not in the dynamic symbol table"
  echo "0 passed, 1 failed"
  exit 1
fi
