#!/usr/bin/env bash
# The console's unit tests against a real Windows console: Wine makes a usable console for a
# program without a terminal only when it has a display, so they run here under Xvfb (a plain
# ctest run skips them). None may be skipped here. Usage: console_unit_test.sh path/to/tavrel.exe
set -u
TESTS=$(cd "$(dirname "$0")/.." && pwd)
source "$TESTS/integration/lib/tmux_harness.sh"  # check and finish
BUILD_DIR=$(dirname "$(realpath "$1")")
UNIT_TESTS=$BUILD_DIR/tests/tavrel_tests.exe
# The prefix of the build's window tests, whose Wine desktop was made with a display.
WINEPREFIX=$BUILD_DIR/wineprefix-display
source "$TESTS/windows/lib/wine_harness.sh"
OUT=$(mktemp /tmp/tavrel-wine-console-unit.XXXXXX)
trap 'wine_stop; rm -f "$OUT"' EXIT
wine_setup "$1"

check "the unit test program is built" test -f "$UNIT_TESTS"
xvfb-run -a wine "$UNIT_TESTS" --gtest_filter='ConsoleOnWindows.*:ConsoleKeysOnWindows.*' \
  > "$OUT" 2>&1
STATUS=$?
cat "$OUT"
check "the console tests pass" test "$STATUS" = 0
check "the console tests ran against a real console" bash -c "! grep -q SKIPPED '$OUT'"
check "the tests on a real console ran" grep -q '^\[       OK \] ConsoleOnWindows\.' "$OUT"
finish
