#!/usr/bin/env bash
# Run mode under Wine, in tmux, against a private scheduler: the setup wizard on a first start,
# the start-up test page, capture files written by Windows writers (one that holds the file
# while it writes), the T and X keys, and the terminal given back.
# Usage: run_mode_test.sh path/to/tavrel.exe
set -u
TESTS=$(cd "$(dirname "$0")/.." && pwd)
source "$TESTS/integration/lib/cups_harness.sh"
source "$TESTS/integration/lib/tmux_harness.sh"
source "$TESTS/windows/lib/wine_harness.sh"
trap 'tmux_stop; cups_stop; wine_stop; rm -rf "$WORK"' EXIT

wine_setup "$1"
WORK=$(mktemp -d /tmp/tavrel-wine-run.XXXXXX)
cups_start || exit 1
cups_add_queue office 2>/dev/null || exit 1
cd "$WORK"
cross_compile "$TESTS/windows/held_writer.c" held_writer.exe || exit 1

jobs_now() { ls "$CUPS_TMP"/capture/office/job-*.bin 2>/dev/null | wc -l; }
history() { tmux -L "$TMUX_SOCKET" capture-pane -p -S -300; }
count_in_history() { history | grep -cF -- "$1"; }
wait_gone() { local i; for i in $(seq 1 100); do [ ! -e "$1" ] && return 0; sleep 0.1; done; return 1; }

# First start without a configuration: the wizard, a wrong answer first.
tmux_start "$WORK" wine "$TAVREL_EXE"
tmux_wait_for "Select a printer from the above list." 90 || exit 1
check "the missing configuration is announced" \
  bash -c "tmux -L $TMUX_SOCKET capture-pane -p -S -100 | grep -q 'No tavrel2.cfg was detected, you MUST run setup.'"
check "the wizard lists the scheduler's queue" bash -c "tmux -L $TMUX_SOCKET capture-pane -p | grep -q '^ 1 office$'"
tmux_keys -l 9; tmux_keys Enter
tmux_wait_for "Try again, must be a number from above." 10
check "a wrong printer number is refused" test "$(count_in_history 'Try again, must be a number from above.')" = 1
# Typing is edited with Backspace on the way: 7, Backspace, 1.
tmux_keys -l 7; tmux_keys BSpace; tmux_keys -l 1; tmux_keys Enter
tmux_wait_for "Select a font from the above list." 30 || exit 1
FONT_NUMBER=$(history | sed -n 's/^ *\([0-9][0-9]*\) DejaVu Sans Mono$/\1/p' | head -1)
check "the font listing offers DejaVu Sans Mono" test -n "$FONT_NUMBER"
tmux_keys -l "$FONT_NUMBER"; tmux_keys Enter
tmux_wait_for "Common size for POS is 10" 30 || exit 1
tmux_keys -l 10; tmux_keys Enter
tmux_wait_for "Press S to rerun setup, or X to exit." 60 || exit 1
check "the configuration is written byte for byte" \
  cmp -s tavrel2.cfg <(printf 'office\r\nDejaVu Sans Mono\r\n 10\r\n')
check "the start-up test page is printed" cups_wait_jobs office 1 30

# A document written by a Windows program (cmd's echo) is printed and deleted.
wine cmd /c "echo WINDOWS WRITER LINE>WLSDFKJN.DRY"
check "a Windows writer's document is printed" cups_wait_jobs office 2 30
check "the printed document is deleted" wait_gone WLSDFKJN.DRY
job_text "$(cups_job_file office 2)" > written.txt
check "the document's text is on paper" grep -q 'WINDOWS WRITER LINE' written.txt
check "the console shows the found line" \
  bash -c "tmux -L $TMUX_SOCKET capture-pane -p -S -200 | grep -Eq '^Found file, printing document now [0-9]{2}:[0-9]{2}:[0-9]{2}'"
check "the log has the printing line" grep -Eq $'^[0-9]{2}-[0-9]{2}-[0-9]{4}    [0-9]{2}:[0-9]{2}:[0-9]{2}      Printing Doc\r$' tavrel.log

# A Windows writer holding the file (share mode 0) for three seconds: left alone until it
# closes the file, then printed once and whole.
wine held_writer.exe WLSDFKJN.DRY 3000 &
WRITER=$!
for i in $(seq 1 100); do [ -e writer-holds-it ] && break; sleep 0.1; done
check "the writer holds the capture file" test -e writer-holds-it
sleep 2
check "nothing is printed while the writer holds the file" test "$(jobs_now)" = 2
check "the held file is still there" test -e WLSDFKJN.DRY
wait $WRITER
WRITER_STATUS=$?
check "the writer finished its document" test "$WRITER_STATUS" = 0
check "the held document is printed after it is closed" cups_wait_jobs office 3 30
wait_gone WLSDFKJN.DRY
sleep 1.5
check "the held document is printed once" test "$(jobs_now)" = 3
job_text "$(cups_job_file office 3)" > held.txt
check "the held document is complete" bash -c "grep -q 'HELD ONE' held.txt && grep -q 'HELD TWO' held.txt"
check "no error line for a held file" test "$(count_in_history 'Error detected! on file open')" = 0

# A second run mode in the same folder says so and ends, and prints nothing.
JOBS_BEFORE=$(jobs_now)
timeout 60 wine "$TAVREL_EXE" -RUN > second.out 2>&1
SECOND_STATUS=$?
check "a second run mode ends with 0" test "$SECOND_STATUS" = 0
check "a second run mode names the first one" \
  grep -Eq '^Run mode already runs in this folder \(process [0-9]+\); this one ends\.' second.out
check "a second run mode leaves a line in the log" grep -q 'Run mode already runs in this folder' tavrel.log
sleep 1
check "a second run mode prints no test page" test "$(jobs_now)" = "$JOBS_BEFORE"

# T prints a test page; X ends run mode and gives the terminal back as it was.
tmux_keys t
check "T prints a test page" cups_wait_jobs office 4 30
tmux_keys X
check "X ends the program with 0" test "$(tmux_wait_exit "$WORK" 30)" = 0
check "the terminal is given back in its own modes" \
  bash -c "grep -qw icanon '$WORK/stty-after' && grep -qw echo '$WORK/stty-after' && grep -qw isig '$WORK/stty-after'"
check "the run mode's lock is released" test ! -s tavrel.lock
finish
