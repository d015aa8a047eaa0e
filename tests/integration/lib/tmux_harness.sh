# Runs the program in a private tmux server so tests see the screen a person sees and type
# on its keyboard. Source this file; call tmux_start WORKDIR COMMAND...

TMUX_SOCKET="tavrel-test-$$-$RANDOM"

# tmux_start DIR CMD... - A 100x30 window running CMD in DIR; the exit code lands in DIR/exit-code.
# A server still shutting down from tmux_stop can refuse the new session: it is tried again.
tmux_start() {
  local dir=$1; shift
  local env_line="CUPS_SERVER=${CUPS_SERVER:-/nonexistent/cups.sock}" i
  for i in 1 2 3 4 5; do
    tmux -L "$TMUX_SOCKET" -f /dev/null new-session -d -x 100 -y 30 -c "$dir" \
      "env $env_line $* ; echo \$? > '$dir/exit-code'; stty -a > '$dir/stty-after'; sleep 600" \
      2>/dev/null && tmux -L "$TMUX_SOCKET" has-session 2>/dev/null && return 0
    sleep 0.2
  done
  echo "tmux did not start" >&2
  return 1
}

tmux_screen() { tmux -L "$TMUX_SOCKET" capture-pane -p -J -S -200; }
tmux_screen_colours() { tmux -L "$TMUX_SOCKET" capture-pane -p -e; }
tmux_keys() { tmux -L "$TMUX_SOCKET" send-keys "$@"; }

# tmux_wait_for TEXT [SECONDS] - Waits until TEXT is on the screen (fixed string).
tmux_wait_for() {
  local text=$1 limit=${2:-20} i
  for i in $(seq 1 $((limit * 10))); do
    tmux_screen | grep -qF -- "$text" && return 0
    sleep 0.1
  done
  echo "timed out waiting for: $text" >&2
  tmux_screen >&2
  return 1
}

# tmux_wait_exit DIR [SECONDS] - Waits until the program has ended; prints its exit code.
tmux_wait_exit() {
  local dir=$1 limit=${2:-20} i
  for i in $(seq 1 $((limit * 10))); do
    [ -s "$dir/exit-code" ] && { cat "$dir/exit-code"; return 0; }
    sleep 0.1
  done
  echo "program did not end" >&2
  tmux_screen >&2
  return 1
}

# tmux_stop - Ends the server and waits until it is gone, so the next tmux_start gets a new one.
tmux_stop() {
  local i
  tmux -L "$TMUX_SOCKET" kill-server 2>/dev/null
  for i in $(seq 1 50); do
    tmux -L "$TMUX_SOCKET" has-session 2>/dev/null || return 0
    sleep 0.1
  done
  return 0
}

# Test bookkeeping: check NAME CONDITION... records a failure without stopping the script.
FAILURES=0
check() {
  local name=$1; shift
  if "$@"; then echo "ok - $name"; else echo "FAILED - $name"; FAILURES=$((FAILURES + 1)); fi
}
finish() {
  if [ "$FAILURES" -gt 0 ]; then echo "$FAILURES check(s) failed"; exit 1; fi
  echo "all checks passed"
}
