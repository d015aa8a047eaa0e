#!/usr/bin/env bash
# Run mode end to end: the real program in tmux against a private CUPS scheduler, from the
# first setup through capture files of every kind to X. Usage: run_mode_test.sh path/to/tavrel
set -u
TAVREL=$(realpath "$1")
LIB=$(cd "$(dirname "$0")/lib" && pwd)
source "$LIB/cups_harness.sh"
source "$LIB/tmux_harness.sh"
trap 'tmux_stop; cups_stop; rm -rf "$WORK"' EXIT

WORK=$(mktemp -d /tmp/tavrel-run.XXXXXX)
cups_start || exit 1
cups_add_queue office 2>/dev/null || exit 1
cd "$WORK"

jobs_now() { ls "$CUPS_TMP"/capture/office/job-*.bin 2>/dev/null | wc -l; }
count_on_screen() { tmux_screen | grep -cF -- "$1"; }
wait_gone() { local i; for i in $(seq 1 100); do [ ! -e "$1" ] && [ ! -L "$1" ] && return 0; sleep 0.1; done; return 1; }

# No configuration: the two lines, the log line, the wizard (wrong entries first), run mode.
tmux_start "$WORK" "$TAVREL"
tmux_wait_for "Select a printer from the above list." || exit 1
check "missing configuration is announced" bash -c "tmux -L $TMUX_SOCKET capture-pane -p -S -100 | grep -q 'No tavrel2.cfg was detected, you MUST run setup.'"
check "setup starts at once" bash -c "tmux -L $TMUX_SOCKET capture-pane -p -S -100 | grep -q 'Setup will start now.'"
for entry in 0 -1 9 abc ""; do
  tmux_keys -l -- "$entry"; tmux_keys Enter
  sleep 0.3
done
check "each wrong printer number is refused" test "$(count_on_screen 'Try again, must be a number from above.')" = 5
tmux_keys -l 1; tmux_keys Enter
tmux_wait_for "Select a font from the above list." || exit 1
FONT_NUMBER=$(tmux_screen | sed -n 's/^ *\([0-9][0-9]*\) DejaVu Sans Mono$/\1/p' | head -1)
check "the font listing offers DejaVu Sans Mono" test -n "$FONT_NUMBER"
tmux_keys -l "$FONT_NUMBER"; tmux_keys Enter
tmux_wait_for "Common size for POS is 10" || exit 1
tmux_keys -l 10; tmux_keys Enter
tmux_wait_for "Press S to rerun setup, or X to exit." || exit 1
check "the configuration is written byte for byte" cmp -s tavrel2.cfg <(printf 'office\r\nDejaVu Sans Mono\r\n 10\r\n')
check "the log says the configuration was created" grep -q "Creating new tavrel2.cfg" tavrel.log
check "the selections are shown" bash -c "tmux -L $TMUX_SOCKET capture-pane -p -S -200 | grep -q '^Point size Selection: 10'"
check "the start-up test page is printed" cups_wait_jobs office 1 20

# A capture file of three lines is printed and deleted.
printf 'ALPHA LINE\r\nBRAVO LINE\r\nCHARLIE LINE\r\n' > WLSDFKJN.DRY
check "a capture file is printed" cups_wait_jobs office 2 20
check "the capture file is deleted" wait_gone WLSDFKJN.DRY
pdftotext "$(cups_job_file office 2)" doc.txt
check "all three lines are on paper" bash -c "grep -q ALPHA doc.txt && grep -q BRAVO doc.txt && grep -q CHARLIE doc.txt"
check "the console shows the found line" bash -c "tmux -L $TMUX_SOCKET capture-pane -p -S -200 | grep -Eq '^Found file, printing document now [0-9]{2}:[0-9]{2}:[0-9]{2}'"
check "the console shows the settings line in print zones" bash -c "tmux -L $TMUX_SOCKET capture-pane -p -S -200 | grep -q '^DejaVu Sans Mono             10           office'"
check "the console shows valid file" bash -c "tmux -L $TMUX_SOCKET capture-pane -p -S -200 | grep -q '^valid file'"
check "the log line has its columns" grep -Eq $'^[0-9]{2}-[0-9]{2}-[0-9]{4}    [0-9]{2}:[0-9]{2}:[0-9]{2}      Printing Doc\r$' tavrel.log

# A writer that holds the file open for two seconds: nothing until it closes, then once.
( exec 3> WLSDFKJN.DRY; printf 'HELD ONE\r\n' >&3; sleep 2; printf 'HELD TWO\r\n' >&3; exec 3>&- ) &
WRITER=$!
sleep 1.5
check "nothing is printed while the writer holds the file" test "$(jobs_now)" = 2
wait $WRITER
check "the held document is printed after it is closed" cups_wait_jobs office 3 20
wait_gone WLSDFKJN.DRY
sleep 1.5
check "the held document is printed once" test "$(jobs_now)" = 3
check "the held document is complete" bash -c "pdftotext '$(cups_job_file office 3)' - | grep -q 'HELD TWO'"
check "no error line for a held file" test "$(count_on_screen 'Error detected! on file open')" = 0

# A zero-size capture file is deleted without a job.
: > WLSDFKJN.DRY
check "a zero-size capture file is deleted" wait_gone WLSDFKJN.DRY
check "the zero-size file is reported" tmux_wait_for "zero size file, deleting." 5
sleep 1
check "no job for a zero-size file" test "$(jobs_now)" = 3

# A lower-case capture file is printed.
printf 'LOWER CASE NAME\r\n' > wlsdfkjn.dry
check "a lower-case capture file is printed" cups_wait_jobs office 4 20
check "the lower-case file is deleted" wait_gone wlsdfkjn.dry

# A symbolic link or a directory with the capture file's name is ignored.
printf 'SECRET\r\n' > target.txt
ln -s target.txt WLSDFKJN.DRY
mkdir wlsdfkjn.dry
sleep 2
check "a link or directory named like the capture file is left alone" \
  bash -c "test -L WLSDFKJN.DRY && test -d wlsdfkjn.dry && test -f target.txt && test $(jobs_now) = 4"
rm -f WLSDFKJN.DRY; rmdir wlsdfkjn.dry

# A queue that rejects jobs: the document is kept in unprinted/, and run mode goes on.
cupsreject office
printf 'REJECTED DOCUMENT\r\n' > WLSDFKJN.DRY
check "a refused document leaves the capture file's name free" wait_gone WLSDFKJN.DRY
check "a refused document is kept in unprinted/" bash -c "grep -l 'REJECTED DOCUMENT' unprinted/* >/dev/null 2>&1"
check "the console says where it was kept" tmux_wait_for "unprinted/" 5
check "the log says where it was kept" grep -q "unprinted/" tavrel.log
cupsaccept office
printf 'AFTER REJECTION\r\n' > WLSDFKJN.DRY
check "run mode goes on after a refusal" cups_wait_jobs office 5 20

# X with a capture file present: printed and deleted, then run mode ends with 0.
wait_gone WLSDFKJN.DRY
printf 'LAST DOCUMENT\r\n' > WLSDFKJN.DRY
tmux_keys -l X
check "X ends run mode with exit code 0" test "$(tmux_wait_exit "$WORK" 20)" = 0
check "the last document was printed before leaving" cups_wait_jobs office 6 10
check "the last capture file was deleted" test ! -e WLSDFKJN.DRY
check "the terminal is back in its normal mode" bash -c "grep -q ' icanon' stty-after && grep -q ' echo' stty-after"
tmux_stop

# Setup left at the point-size prompt keeps the old configuration.
cp tavrel2.cfg saved.cfg
rm -f exit-code stty-after
tmux_start "$WORK" "$TAVREL" -setup
tmux_wait_for "Select a printer from the above list." || exit 1
tmux_keys -l 1; tmux_keys Enter
tmux_wait_for "Select a font from the above list." || exit 1
tmux_keys -l 1; tmux_keys Enter
tmux_wait_for "Common size for POS is 10" || exit 1
pkill -TERM -f "^$TAVREL -setup"
tmux_wait_exit "$WORK" 10 >/dev/null
check "setup left at the point-size prompt keeps the old configuration" cmp -s tavrel2.cfg saved.cfg
check "the terminal is restored after the kill" bash -c "grep -q ' icanon' stty-after && grep -q ' echo' stty-after"

finish
