#!/usr/bin/env bash
# One run mode per working folder: a second one, on another terminal, without a terminal or
# as another user, says who runs and ends; documents are printed once, none set aside; the
# folder is free again once the first is killed with kill -9. Usage: run_guard_test.sh tavrel
set -u
TAVREL=$(realpath "$1")
LIB=$(cd "$(dirname "$0")/lib" && pwd)
source "$LIB/cups_harness.sh"
source "$LIB/tmux_harness.sh"
trap 'tmux_stop; cups_stop; rm -rf "$WORK"' EXIT

WORK=$(mktemp -d /tmp/tavrel-guard.XXXXXX)
cups_start || exit 1
cups_add_queue office 2>/dev/null || exit 1
cd "$WORK"
printf 'office\r\nDejaVu Sans Mono\r\n 10\r\n' > tavrel2.cfg

jobs_now() { ls "$CUPS_TMP"/capture/office/job-*.bin 2>/dev/null | wc -l; }
wait_gone() { local i; for i in $(seq 1 100); do [ ! -e "$1" ] && return 0; sleep 0.1; done; return 1; }
# window_start NAME CMD... - Another tmux window of the same server; exit code in NAME-exit.
window_start() {
  local name=$1; shift
  tmux -L "$TMUX_SOCKET" new-window -d -n "$name" -c "$WORK" \
    "env CUPS_SERVER=$CUPS_SERVER $* ; echo \$? > '$WORK/$name-exit'; sleep 600"
}
window_screen() { tmux -L "$TMUX_SOCKET" capture-pane -p -J -t "$1" -S -100; }
window_wait_for() {
  local i
  for i in $(seq 1 200); do window_screen "$1" | grep -qF -- "$2" && return 0; sleep 0.1; done
  echo "timed out waiting in $1 for: $2" >&2; window_screen "$1" >&2; return 1
}
wait_file() { local i; for i in $(seq 1 200); do [ -s "$1" ] && return 0; sleep 0.1; done; return 1; }
# program_pid WINDOW - The program's process: the child of the window's shell.
program_pid() {
  local shell_pid
  shell_pid=$(tmux -L "$TMUX_SOCKET" list-panes -t "$1" -F '#{pane_pid}')
  pgrep -P "$shell_pid" | head -1
}

# The first run mode, on a terminal.
tmux_start "$WORK" "$TAVREL" -run
tmux_wait_for "Press S to rerun setup, or X to exit." || exit 1
cups_wait_jobs office 1 20 || { echo "no start-up page" >&2; exit 1; }
FIRST=$(tmux -L "$TMUX_SOCKET" list-panes -a -F '#{window_index} #{pane_pid}' | awk '$1 == 0 {print $2}')
FIRST=$(pgrep -P "$FIRST" | head -1)
REFUSAL="Run mode already runs in this folder (process $FIRST); this one ends."

# A second one on another terminal: one line, exit code 0, nothing of run mode.
window_start second "$TAVREL" -run
wait_file "$WORK/second-exit"
check "the second run mode ends with exit code 0" test "$(cat second-exit 2>/dev/null)" = 0
check "the second run mode says who runs in this folder" bash -c "tmux -L $TMUX_SOCKET capture-pane -p -J -t second | grep -qxF '$REFUSAL'"
check "the second run mode shows none of run mode's lines" \
  bash -c "! tmux -L $TMUX_SOCKET capture-pane -p -J -t second | grep -qE 'Selection:|Press S to rerun|No tavrel2.cfg'"
check "the refusal is in the log with the log's columns" \
  grep -qE "^[0-9]{2}-[0-9]{2}-[0-9]{4}    [0-9]{2}:[0-9]{2}:[0-9]{2}      ${REFUSAL//[()]/.}"$'\r$' tavrel.log
check "the lock file holds the first run mode's process id" test "$(cat tavrel.lock)" = "$FIRST"

# Without a terminal, and as another user in a folder open to everyone.
setsid "$TAVREL" -run < /dev/null > plain.out 2>&1
check "without a terminal the second run mode ends with exit code 0" test $? = 0
check "without a terminal the second run mode says who runs" grep -qxF "$REFUSAL" plain.out
chmod 777 "$WORK"
runuser -u nobody -- env CUPS_SERVER="$CUPS_SERVER" setsid "$TAVREL" -run < /dev/null > nobody.out 2>&1
check "another user's run mode ends with exit code 0" test $? = 0
check "another user's run mode is refused and told who runs" grep -qxF "$REFUSAL" nobody.out
check "the other options are not kept out" bash -c "setsid '$TAVREL' -LIST < /dev/null 2>/dev/null | grep -q office"
check "no run mode but the first printed a start-up page" test "$(jobs_now)" = 1

# A document now: printed once, by the first run mode, and never set aside.
printf 'ONLY ONCE\r\n' > WLSDFKJN.DRY
check "the document is printed" cups_wait_jobs office 2 20
check "the capture file is deleted" wait_gone WLSDFKJN.DRY
sleep 2
check "the document is printed exactly once" test "$(jobs_now)" = 2
check "nothing is set aside as unprinted" test ! -e unprinted
check "the second run modes have ended" test -z "$(pgrep -f "^$TAVREL -run" | grep -vx "$FIRST")"

# kill -9 of the first: the next run mode runs.
kill -9 "$FIRST"
tmux_wait_exit "$WORK" 10 > /dev/null
window_start third "$TAVREL" -run
check "after kill -9 of the first, a new run mode runs" window_wait_for third "Press S to rerun setup, or X to exit."
check "the new run mode prints its start-up page" cups_wait_jobs office 3 20
printf 'AFTER THE KILL\r\n' > WLSDFKJN.DRY
check "the new run mode prints documents" cups_wait_jobs office 4 20
check "and deletes them" wait_gone WLSDFKJN.DRY
tmux -L "$TMUX_SOCKET" send-keys -t third -l X
wait_file "$WORK/third-exit"
check "X ends the new run mode with exit code 0" test "$(cat third-exit 2>/dev/null)" = 0
check "the lock file is left empty" test ! -s tavrel.lock

finish
