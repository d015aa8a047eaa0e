#!/usr/bin/env bash
# Checks the built Windows program: a 32-bit Windows console program (PE32, console subsystem)
# whose one export is the window procedure CBWINDOW under its plain name (not the stdcall
# decoration CBWINDOW@16), with nothing of the test code linked in.
# Usage: windows_program_check.sh <objdump> <nm> <tavrel.exe>
set -u
objdump=$1 nm=$2 program=$3
failures=0
fail() { echo "FAIL: $1"; failures=$((failures + 1)); }

headers=$("$objdump" -p "$program") || { echo "FAIL: $objdump cannot read $program"; exit 1; }
"$objdump" -f "$program" | grep -q 'file format pei-i386' || fail "not a 32-bit PE program"
grep -q 'Subsystem.*(Windows CUI)' <<< "$headers" || fail "not a console program"

exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<< "$headers" | grep -E '^\s*\[ *[0-9]+\] ')
[ "$(sed 's/.*\] //' <<< "$exports")" = CBWINDOW ] ||
  fail "the exports are not exactly CBWINDOW: ${exports:-none}"

symbols=$("$nm" -C "$program") || { echo "FAIL: $nm cannot read $program"; exit 1; }
grep -q -i -e fake -e 'testing::' <<< "$symbols" && fail "test code is linked into the program"

[ "$failures" = 0 ] && echo "tavrel.exe: PE32 console program, exports CBWINDOW only"
exit $((failures > 0))
