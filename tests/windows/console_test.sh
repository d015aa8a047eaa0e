#!/usr/bin/env bash
# The console under Wine, in tmux: the menu's layout and colours as a person sees them, keys
# other than Enter dropped, output starting where the shell's cursor stood, console text into a
# file while a person types, and the terminal given back. Usage: console_test.sh path/to/tavrel.exe
set -u
TESTS=$(cd "$(dirname "$0")/.." && pwd)
source "$TESTS/integration/lib/tmux_harness.sh"
source "$TESTS/windows/lib/wine_harness.sh"
WORK=$(mktemp -d /tmp/tavrel-wine-console.XXXXXX)
trap 'tmux_stop; wine_stop; rm -rf "$WORK"' EXIT
wine_setup "$1"

ESC=$'\e'
row() { tmux_screen_colours | sed -n "$1p"; }
plain_row() { tmux -L "$TMUX_SOCKET" capture-pane -p | sed -n "$1p" | sed 's/ *$//'; }
modes_restored() { grep -qw icanon "$1" && grep -qw echo "$1"; }
# The colour sequences right before a text on a row of the coloured capture.
colours_before() { row "$1" | grep -o "\(${ESC}\[[0-9;]*m\)*$2" | head -1; }
# True when a run of colour sequences sets the given parameter.
has_param() { [[ "$1" =~ \[([0-9]+;)*$2[m\;] ]]; }
unmarked() { ! tmux_screen_colours | sed -n "$1" | grep -q "$2"; }
enter_until_exit() {
  local i
  for i in $(seq 1 30); do
    [ -s "$1/exit-code" ] && return 0
    tmux_keys Enter
    sleep 1
  done
}

# The menu as drawn: the screen cleared, title, prompt, items from row 3, the first marked.
mkdir "$WORK/menu"
# (Wine's console in a terminal takes the terminal's top-left corner for the buffer's: with a
# shell's text above the program, what it draws at fixed places lands one row off; the menu
# therefore starts on an empty terminal.)
tmux_start "$WORK/menu" wine "$TAVREL_EXE" -MENU
tmux_wait_for "3 Exit" 60 || exit 1
check "the banner is cleared away" bash -c "! tmux -L $TMUX_SOCKET capture-pane -p | grep -q 'Tavrel console release'"
check "title on row 1" test "$(plain_row 1)" = "Main Menu"
check "prompt on row 2" test "$(plain_row 2)" = "Highlight an option and press enter to continue"
check "first item on row 3" test "$(plain_row 3)" = "1 Change Printer"
check "second item on row 4" test "$(plain_row 4)" = "2 Change Font"
check "third item on row 5" test "$(plain_row 5)" = "3 Exit"
MARK=$(colours_before 3 "Change Printer")
check "the first item is black text" has_param "$MARK" 30
check "the first item is on light grey" has_param "$MARK" 47
check "the other items are not marked" unmarked 4,5p '47m'

# Keys other than Enter are read and dropped: nothing changes, the menu goes on.
BEFORE=$(tmux_screen_colours)
tmux_keys x; sleep 0.3; tmux_keys Down; sleep 0.3; tmux_keys F5
sleep 0.6
check "other keys change nothing" test "$(tmux_screen_colours)" = "$BEFORE"
check "other keys do not end the menu" test ! -e "$WORK/menu/exit-code"
tmux_keys Enter
tmux_wait_for "ok done" 20 || exit 1
check "exit code 0" test "$(tmux_wait_exit "$WORK/menu" 30)" = 0
check "ok done on the row after the menu" test "$(plain_row 6)" = "ok done"
check "the menu stays on the screen" test "$(plain_row 1)" = "Main Menu"
for i in $(seq 1 50); do [ -s "$WORK/menu/stty-after" ] && break; sleep 0.1; done
check "terminal modes are restored after Enter" modes_restored "$WORK/menu/stty-after"
tmux_stop

# Output starts where the shell's cursor stood: the shell's lines stay above the banner.
mkdir "$WORK/cursor"
tmux_start "$WORK/cursor" "printf 'ONE\nTWO\n';" wine "$TAVREL_EXE" -LIST
check "the listing ends" test "$(tmux_wait_exit "$WORK/cursor" 60)" = 0
check "the shell's lines stay on rows 1 and 2" test "$(plain_row 1)$(plain_row 2)" = "ONETWO"
check "the banner follows on row 3" bash -c "tmux -L $TMUX_SOCKET capture-pane -p | sed -n 3p | grep -q '^Tavrel console release version'"
tmux_stop

# Console text into a file while a person types at the console: the menu goes out once as
# plain lines, and Enter still ends it.
mkdir "$WORK/redirected"
printf '%q ' wine "$TAVREL_EXE" -MENU > "$WORK/redirected/run.sh"
echo ">out 2>&1" >> "$WORK/redirected/run.sh"
tmux_start "$WORK/redirected" bash run.sh
sleep 2
enter_until_exit "$WORK/redirected"
check "redirected: ended by Enter" test "$(tmux_wait_exit "$WORK/redirected" 30)" = 0
check "redirected: the items are written once" test "$(grep -c 'Change Printer' "$WORK/redirected/out")" = 1
check "redirected: ok done follows" grep -q "ok done" "$WORK/redirected/out"
tmux_stop
finish
