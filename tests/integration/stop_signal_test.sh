#!/usr/bin/env bash
# A stop signal while a document is on its way ends run mode only once the document is
# settled: sent the moment the job reaches the printer, the capture file is gone when the
# program has ended and the next start prints nothing more; during a long document, the whole
# document is printed, then the program ends by that signal with the terminal given back. No
# job is left waiting at the scheduler. Usage: stop_signal_test.sh path/to/tavrel
set -u
TAVREL=$(realpath "$1")
LIB=$(cd "$(dirname "$0")/lib" && pwd)
source "$LIB/cups_harness.sh"
source "$LIB/tmux_harness.sh"
trap 'tmux_stop; cups_stop; rm -rf "$WORK"' EXIT

WORK=$(mktemp -d /tmp/tavrel-stop.XXXXXX)
cups_start || exit 1
cups_add_queue office 2>/dev/null || exit 1
cd "$WORK"
printf 'office\r\nDejaVu Sans Mono\r\n 10\r\n' > tavrel2.cfg
CAPTURED="$CUPS_TMP/capture/office"

jobs_now() { ls "$CAPTURED"/job-*.bin 2>/dev/null | wc -l; }
# Jobs whose bytes have begun to arrive at the printer, finished or not.
jobs_arriving() { ls -A "$CAPTURED" | grep -c '^\.\?job-'; }
wait_arriving() {
  local want=$1 i
  for i in $(seq 1 3000); do [ "$(jobs_arriving)" -ge "$want" ] && return 0; sleep 0.01; done
  return 1
}
kept_count() { ls unprinted 2>/dev/null | wc -l; }
# Jobs the scheduler still holds unfinished (an opened job that never got its document).
jobs_waiting() { lpstat -o office 2>/dev/null | wc -l; }

PROGRAM=""
# start_run_mode terminal|none - Run mode on a tmux terminal or with no terminal at all;
# returns once its start-up page has arrived; PROGRAM is its process.
start_run_mode() {
  rm -f exit-code stty-after plain.out
  local expected=$(( $(jobs_now) + 1 )) i
  if [ "$1" = terminal ]; then
    # A fresh tmux server each time: a new one on the socket of one that is still going away
    # may fail to start.
    tmux_stop
    TMUX_SOCKET="tavrel-test-$$-$RANDOM"
    tmux_start "$WORK" "$TAVREL" -run
    tmux_wait_for "Press S to rerun setup, or X to exit." > /dev/null || return 1
    PROGRAM=$(pgrep -P "$(tmux -L "$TMUX_SOCKET" list-panes -F '#{pane_pid}')" | head -1)
  else
    # Its own session: no controlling terminal. Not a process-group leader, so setsid execs
    # the program in place and $! is the program itself.
    ( setsid "$TAVREL" -run < /dev/null > plain.out 2>&1; echo $? > exit-code ) 2> /dev/null &
    for i in $(seq 1 100); do
      PROGRAM=$(pgrep -f "^$TAVREL -run" | head -1)
      [ -n "$PROGRAM" ] && break
      sleep 0.05
    done
  fi
  cups_wait_jobs office "$expected" 20
}

# Settles after a start: no capture file, and nothing printed beyond the start-up page.
check_nothing_reprinted() {
  local before=$(jobs_now)
  sleep 1.5
  test "$(jobs_now)" = "$before" && test ! -e WLSDFKJN.DRY
}

# The signal the moment the job's bytes reach the printer, in both settings.
round=0
for setting in "TERM terminal" "TERM terminal" "TERM terminal" "HUP terminal" "INT terminal" "TERM none"; do
  set -- $setting
  signal=$1 where=$2
  round=$((round + 1))
  start_run_mode "$where" || { echo "run mode did not start (round $round)" >&2; exit 1; }
  [ "$round" -gt 1 ] && check "round $round: the new start prints nothing more" check_nothing_reprinted
  arriving=$(jobs_arriving)
  printf 'ROUND %s FIRST LINE\r\nROUND %s LAST LINE\r\n' "$round" "$round" > WLSDFKJN.DRY
  wait_arriving $((arriving + 1)) && kill -"$signal" "$PROGRAM"
  code=$(tmux_wait_exit "$WORK" 20)
  check "round $round ($signal, $where): the program ends by the signal" \
    test "$code" = $((128 + $(kill -l "$signal")))
  check "round $round: the delivered document's capture file is gone" test ! -e WLSDFKJN.DRY
  check "round $round: the delivered document is not set aside" test "$(kept_count)" = 0
done
start_run_mode terminal || exit 1
check "after the last round the new start prints nothing more" check_nothing_reprinted
check "one job per document and start-up page" test "$(jobs_now)" = $((2 * round + 1))

# A long document: the signal comes while it is printed; it is printed whole, then the
# program ends by the signal, with the terminal given back.
arriving=$(jobs_arriving)
awk 'BEGIN { for (n = 1; n <= 200000; n++) printf "LONG DOCUMENT LINE %d\r\n", n }' > long.txt
mv long.txt WLSDFKJN.DRY
for i in $(seq 1 1000); do tmux_screen | grep -qF "valid file" && break; sleep 0.02; done
before_signal=$(jobs_arriving)
kill -TERM "$PROGRAM"
check "the signal comes before the long document reaches the printer" test "$before_signal" = "$arriving"
code=$(tmux_wait_exit "$WORK" 180)
check "the program ends by the signal" test "$code" = 143
check "but only after the long document reached the printer" test "$(jobs_arriving)" = $((arriving + 1))
cups_wait_jobs office $((arriving + 1)) 60
LONG_JOB=$(cups_job_file office $((arriving + 1)))
LAST_PAGE=$(pdfinfo "$LONG_JOB" 2>/dev/null | sed -n 's/^Pages: *//p')
check "the long document was printed to its last line" \
  bash -c "pdftotext -f '$LAST_PAGE' -l '$LAST_PAGE' '$LONG_JOB' - | grep -q 'LONG DOCUMENT LINE 200000'"
check "the long document's capture file is gone" test ! -e WLSDFKJN.DRY
check "the terminal is back in its normal mode" bash -c "grep -q ' icanon' stty-after && grep -q ' echo' stty-after"
start_run_mode none || exit 1
check "the next start prints nothing more" check_nothing_reprinted
kill -TERM "$PROGRAM"
check "no job is left waiting at the scheduler" test "$(jobs_waiting)" = 0

finish
