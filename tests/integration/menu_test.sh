#!/usr/bin/env bash
# Console menu in a real terminal (tmux): the layout and colours a person sees, keys other
# than Enter dropped, "ok done" after Enter, and the terminal's modes given back afterwards,
# also when the program is killed. Usage: menu_test.sh path/to/tavrel
set -u
TAVREL=$(realpath "$1")
LIB=$(cd "$(dirname "$0")/lib" && pwd)
source "$LIB/tmux_harness.sh"
WORK=$(mktemp -d /tmp/tavrel-menu.XXXXXX)
trap 'tmux_stop; rm -rf "$WORK"' EXIT

ESC=$'\e'
row() { tmux_screen_colours | sed -n "$1p"; }
plain_row() { tmux -L "$TMUX_SOCKET" capture-pane -p | sed -n "$1p" | sed 's/ *$//'; }
# The terminal modes after the program: canonical input and echo are on again.
# enter_until_exit DIR - Presses Enter once a second until the program in DIR has ended: a
# program still starting (slow on a busy machine) may flush a key typed before its raw mode.
enter_until_exit() {
  local i
  for i in $(seq 1 20); do
    [ -s "$1/exit-code" ] && return 0
    tmux_keys Enter
    sleep 1
  done
}
modes_restored() { grep -Eq '(^| )icanon( |$)' "$1" && grep -Eq '(^| )echo( |$)' "$1"; }
# The colour sequences right before a text on a row of the coloured capture.
colours_before() { row "$1" | grep -o "\(${ESC}\[[0-9;]*m\)*$2" | head -1; }
# True when the lines picked by a sed address hold no such colour sequence.
unmarked() { ! tmux_screen_colours | sed -n "$1" | grep -q "$2"; }
# True when a run of colour sequences sets the given parameter.
has_param() { [[ "$1" =~ \[([0-9]+;)*$2[m\;] ]]; }

# The menu as drawn.
mkdir "$WORK/menu"
tmux_start "$WORK/menu" "$TAVREL" -MENU
tmux_wait_for "3 Exit" || exit 1
check "title on row 1" test "$(plain_row 1)" = "Main Menu"
check "prompt on row 2" test "$(plain_row 2)" = "Highlight an option and press enter to continue"
check "first item on row 3" test "$(plain_row 3)" = "1 Change Printer"
check "second item on row 4" test "$(plain_row 4)" = "2 Change Font"
check "third item on row 5" test "$(plain_row 5)" = "3 Exit"
MARK=$(colours_before 3 "Change Printer")
check "the first item is black text" has_param "$MARK" 30
check "the first item is on light grey" has_param "$MARK" 47
check "its number is not marked" unmarked 3p '47m1 '
check "the other items are not marked" unmarked 4,5p '47m'
# Raw mode still lets a program started on the terminal wait for a key (no end of file).
PANE_TTY=$(tmux -L "$TMUX_SOCKET" display -p '#{pane_tty}')
check "raw mode reads wait for one byte" eval "stty -a -F '$PANE_TTY' | grep -q 'min = 1;'"

# Keys other than Enter (a letter, an arrow, Ctrl+C, a line feed) are read and dropped:
# nothing changes.
BEFORE=$(tmux_screen_colours)
tmux_keys x; tmux_keys Down; tmux_keys C-c; tmux_keys C-j
sleep 0.6  # six menu passes: every key has been taken
check "other keys change nothing" test "$(tmux_screen_colours)" = "$BEFORE"
check "other keys do not end the menu" test ! -e "$WORK/menu/exit-code"

tmux_keys Enter
tmux_wait_for "ok done" || exit 1
check "exit code 0" test "$(tmux_wait_exit "$WORK/menu")" = 0
check "ok done on the row after the menu" test "$(plain_row 6)" = "ok done"
check "the menu stays on the screen" test "$(plain_row 1)" = "Main Menu"
for i in $(seq 1 50); do [ -s "$WORK/menu/stty-after" ] && break; sleep 0.1; done
check "terminal modes are restored after Enter" modes_restored "$WORK/menu/stty-after"
tmux_stop

# Killed while the menu runs (also by a signal nobody expects): the terminal still gets its
# modes back.
for killing in TERM:143 USR1:138; do
  signal=${killing%%:*}
  mkdir "$WORK/killed-$signal"
  tmux_start "$WORK/killed-$signal" "$TAVREL" -MENU
  tmux_wait_for "3 Exit" || exit 1
  PANE_PID=$(tmux -L "$TMUX_SOCKET" list-panes -F '#{pane_pid}' | head -1)
  PROGRAM_PID=$(pgrep -P "$PANE_PID" | head -1)
  check "the program is found" test -n "$PROGRAM_PID"
  [ -n "$PROGRAM_PID" ] && kill -"$signal" "$PROGRAM_PID"
  check "ended by SIG$signal" test "$(tmux_wait_exit "$WORK/killed-$signal")" = "${killing#*:}"
  for i in $(seq 1 50); do [ -s "$WORK/killed-$signal/stty-after" ] && break; sleep 0.1; done
  check "terminal modes are restored after SIG$signal" modes_restored "$WORK/killed-$signal/stty-after"
  tmux_stop
done

# Console text into a file while a person types: the menu goes out once, Enter still ends it.
mkdir "$WORK/redirected"
echo "'$TAVREL' -MENU >out 2>&1" > "$WORK/redirected/run.sh"
tmux_start "$WORK/redirected" bash run.sh
sleep 1  # ten menu passes
enter_until_exit "$WORK/redirected"
check "redirected: ended by Enter" test "$(tmux_wait_exit "$WORK/redirected")" = 0
check "redirected: the items are written once" test "$(grep -c 'Change Printer' "$WORK/redirected/out")" = 1
check "redirected: ok done follows" grep -q "ok done" "$WORK/redirected/out"
tmux_stop

# Console text into a pipe whose reader leaves early: the program goes on to Enter and gives
# the terminal back (no death by SIGPIPE in raw mode).
mkdir "$WORK/pipe"
echo "'$TAVREL' -MENU 2>&1 | head -c 10 >head-out" > "$WORK/pipe/run.sh"
tmux_start "$WORK/pipe" bash run.sh
for i in $(seq 1 50); do [ "$(wc -c 2>/dev/null <"$WORK/pipe/head-out")" = 10 ] && break; sleep 0.1; done
sleep 0.3
enter_until_exit "$WORK/pipe"
tmux_wait_exit "$WORK/pipe" >/dev/null
for i in $(seq 1 50); do [ -s "$WORK/pipe/stty-after" ] && break; sleep 0.1; done
check "terminal modes are restored after the pipe's reader left" modes_restored "$WORK/pipe/stty-after"
tmux_stop

# Started in the background from an interactive shell: it runs without a keyboard instead of
# being stopped for touching the terminal.
mkdir "$WORK/background"
tmux_start "$WORK/background" bash --norc --noprofile -i
sleep 0.3
tmux_keys "'$TAVREL' -MENU </dev/null >out 2>&1 &" Enter
for i in $(seq 1 300); do grep -q "ok done" "$WORK/background/out" 2>/dev/null && break; sleep 0.1; done
check "a background start runs to its end" grep -q "ok done" "$WORK/background/out"

finish
