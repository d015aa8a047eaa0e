#!/usr/bin/env bash
# -LIST under Wine: the private scheduler's queues as Wine's spooler shows them, numbered on the
# console and bare with CR LF when redirected. Usage: list_test.sh path/to/tavrel.exe
set -u
TESTS=$(cd "$(dirname "$0")/.." && pwd)
source "$TESTS/integration/lib/cups_harness.sh"
source "$TESTS/integration/lib/tmux_harness.sh"
source "$TESTS/windows/lib/wine_harness.sh"
trap 'tmux_stop; cups_stop; wine_stop; rm -rf "$WORK"' EXIT

wine_setup "$1"
WORK=$(mktemp -d /tmp/tavrel-wine-list.XXXXXX)
cups_start || exit 1
cups_add_queue office 2>/dev/null || exit 1
cups_add_queue kitchen 2>/dev/null || exit 1
cd "$WORK"

# Redirected: one bare name a line, CR LF, each queue once, nothing else; the banner stays out.
wine "$TAVREL_EXE" -LIST > list.out 2> console.out
echo "exit code $?" > list.code
check "the program ends with 0" grep -qx "exit code 0" list.code
check "the listing holds exactly the two queues" \
  test "$(tr -d '\r' < list.out | sed 's/^ *//' | sort | tr '\n' ' ')" = "kitchen office "
check "every listing line ends with CR LF" \
  test "$(grep -c $'\r$' list.out)" = 2 -a "$(wc -l < list.out)" = 2
check "redirected names are not numbered" bash -c "! grep -q '[0-9]' list.out"
check "the banner is on the console, not in the listing" \
  bash -c "grep -q 'Tavrel console release version' console.out && ! grep -q Tavrel list.out"

# On the console: numbered from 1.
tmux_start "$WORK" wine "$TAVREL_EXE" -LIST
check "the console listing ends" test "$(tmux_wait_exit "$WORK" 60)" = 0
check "the console listing is numbered from 1" \
  bash -c "tmux -L $TMUX_SOCKET capture-pane -p -S -100 | grep -Eq '^ 1 (office|kitchen)$'"
check "the console listing numbers the second queue 2" \
  bash -c "tmux -L $TMUX_SOCKET capture-pane -p -S -100 | grep -Eq '^ 2 (office|kitchen)$'"
tmux_stop

# Standard output into a file, standard error still the console: the listing goes bare into the
# file, the banner onto the console.
mkdir "$WORK/split"
tmux_start "$WORK/split" wine "$TAVREL_EXE" -LIST ">listed.txt"
check "the split listing ends" test "$(tmux_wait_exit "$WORK/split" 60)" = 0
check "the file holds the bare listing" \
  test "$(tr -d '\r' < "$WORK/split/listed.txt" | sed 's/^ *//' | sort | tr '\n' ' ')" = "kitchen office "
check "the banner is on the console" \
  bash -c "tmux -L $TMUX_SOCKET capture-pane -p | grep -q '^Tavrel console release version'"
check "the listing is not on the console" \
  bash -c "! tmux -L $TMUX_SOCKET capture-pane -p | grep -Eq '^ *[0-9]* *(office|kitchen)$'"
tmux_stop

# A queue added to the scheduler is there at the next start; one taken away is gone.
lpadmin -x kitchen
cups_add_queue bar 2>/dev/null || exit 1
wine "$TAVREL_EXE" -LIST > relisted.out 2>/dev/null
check "the listing follows the scheduler's queues" \
  test "$(tr -d '\r' < relisted.out | sed 's/^ *//' | sort | tr '\n' ' ')" = "bar office "

# No scheduler: an empty listing, and still an orderly end.
CUPS_SERVER=/nonexistent/tavrel/cups.sock wine "$TAVREL_EXE" -LIST > none.out 2>/dev/null
echo "exit code $?" > none.code
check "without a scheduler the listing is empty" test ! -s none.out
check "without a scheduler the program ends with 0" grep -qx "exit code 0" none.code
finish
