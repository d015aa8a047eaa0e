#!/usr/bin/env bash
# Run mode against inputs a shop should never produce and faults of the machine: a FIFO and a
# device named like the capture file, a capture file that is a second name of another file,
# a binary capture file, a 100 MB one, broken configurations, a full disk under "Print to
# PDF", and run mode with no terminal at all. Every case checks what reached the printer, what
# stayed on disk, and that nothing was printed twice; the program never hangs or crashes.
# Usage: bad_inputs_test.sh path/to/tavrel
set -u
TAVREL=$(realpath "$1")
LIB=$(cd "$(dirname "$0")/lib" && pwd)
source "$LIB/cups_harness.sh"
source "$LIB/tmux_harness.sh"

WORK=$(mktemp -d /tmp/tavrel-bad.XXXXXX)
FULL_DISK="$WORK/full-disk"
SAMPLER=""
cleanup() {
  cd /
  tmux_stop
  [ -n "$SAMPLER" ] && kill "$SAMPLER" 2>/dev/null
  [ -n "${HEADLESS:-}" ] && kill -KILL "$HEADLESS" 2>/dev/null
  mountpoint -q "$FULL_DISK" && umount "$FULL_DISK"
  cups_stop
  rm -rf "$WORK"
}
trap cleanup EXIT

cups_start || exit 1
cups_add_queue office 2>/dev/null || exit 1
CAPTURED="$CUPS_TMP/capture/office"
AS_ROOT=false
[ "$(id -u)" = 0 ] && AS_ROOT=true

jobs_now() { ls "$CAPTURED"/job-*.bin 2>/dev/null | wc -l; }
job_text() { pdftotext "$(cups_job_file office "$1")" - 2>/dev/null; }
count_on_screen() { tmux_screen | grep -cF -- "$1"; }
wait_gone() { local i; for i in $(seq 1 150); do [ ! -e "$1" ] && return 0; sleep 0.1; done; return 1; }
# wait_until SECONDS COMMAND... - Polls the command until it succeeds.
wait_until() {
  local limit=$1 i; shift
  for i in $(seq 1 $((limit * 10))); do "$@" && return 0; sleep 0.1; done
  return 1
}
# settle SECONDS: lets run mode take more passes; a second print would arrive meanwhile.
settle() { sleep "$1"; }
no_sanitizer_report() { ! grep -qE 'Sanitizer|runtime error' "$1"; }

# ---------------------------------------------------------------------------------------------
# Run mode on a terminal, printing to a queue of the private scheduler.
SHOP="$WORK/shop"
mkdir "$SHOP"
cd "$SHOP"
printf 'office\r\nDejaVu Sans Mono\r\n 10\r\n' > tavrel2.cfg
# Under AddressSanitizer freed memory is held back (256 MB by default) to catch late uses;
# a smaller hold keeps the memory measured below the program's own.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=16"
tmux_start "$SHOP" "$TAVREL"
tmux_wait_for "Press S to rerun setup, or X to exit." || exit 1
cups_wait_jobs office 1 20 || { echo "no start-up test page"; exit 1; }
PROGRAM=$(pgrep -P "$(tmux -L "$TMUX_SOCKET" list-panes -F '#{pane_pid}')" | head -1)

# A FIFO and a device named like the capture file, beside a real capture file in another
# letter case: only the real one is printed. A writer blocked on the FIFO stays blocked, so
# run mode never opened it; reading the device (endless zeros) would never end.
mkfifo WLSDFKJN.DRY
( printf 'FROM THE FIFO\r\n' > WLSDFKJN.DRY ) 2>/dev/null &
FIFO_WRITER=$!
if $AS_ROOT; then mknod Wlsdfkjn.Dry c 1 5; else echo "# not root: no device node made"; fi
printf 'BESIDE A FIFO\r\n' > wlsdfkjn.dry
check "a capture file beside a FIFO and a device is printed" cups_wait_jobs office 2 20
check "the real capture file is deleted" wait_gone wlsdfkjn.dry
settle 1.5
check "nothing is printed from the FIFO or the device" test "$(jobs_now)" = 2
check "the FIFO was never opened" kill -0 "$FIFO_WRITER"
check "the FIFO is left where it is" test -p WLSDFKJN.DRY
if $AS_ROOT; then check "the device is left where it is" test -c Wlsdfkjn.Dry; fi
kill "$FIFO_WRITER" 2>/dev/null; wait "$FIFO_WRITER" 2>/dev/null
rm -f WLSDFKJN.DRY Wlsdfkjn.Dry

# A capture file that is a second name (hard link) of another file: printed once, the name
# WLSDFKJN.DRY removed, the other name keeps the document whole.
printf 'LINKED DOCUMENT\r\n' > keep.txt
ln keep.txt WLSDFKJN.DRY
check "a hard-linked capture file is printed" cups_wait_jobs office 3 20
check "its capture file name is removed" wait_gone WLSDFKJN.DRY
settle 1.5
check "the hard-linked document is printed once" test "$(jobs_now)" = 3
check "the other name keeps the document" cmp -s keep.txt <(printf 'LINKED DOCUMENT\r\n')

# A binary capture file: every byte value, runs of NULs, a Ctrl-Z in the middle. Printed
# once, up to the Ctrl-Z.
python3 -c "
import sys
every = bytes(b for b in range(256) if b != 0x1a)
sys.stdout.buffer.write(b'BINARY START\r\n' + every + b'\0' * 300 + every[::-1] +
  b'\r\nBEFORE THE END MARK\r\n\x1a' + b'AFTER THE END MARK\r\n' + every)" > binary.tmp
mv binary.tmp WLSDFKJN.DRY
check "a binary capture file is printed" cups_wait_jobs office 4 20
check "the binary capture file is deleted" wait_gone WLSDFKJN.DRY
settle 1.5
check "the binary document is printed once" test "$(jobs_now)" = 4
job_text 4 > binary.txt
check "the binary document is printed up to its Ctrl-Z" \
  bash -c "grep -q 'BINARY START' binary.txt && grep -q 'BEFORE THE END MARK' binary.txt &&
    ! grep -q 'AFTER THE END MARK' binary.txt"

# A 100 MB capture file, X pressed while it prints: printed once and whole, then run mode
# ends. The memory high-water mark is sampled while it runs.
python3 -c "
import sys
block = b''.join(b'LINE %05d OF A VERY LONG RECEIPT ' % i + b'.' * 44 + b'\r\n' for i in range(13107))
out = sys.stdout.buffer
out.write(b'FIRST LINE OF THE BIG DOCUMENT\r\n')
for _ in range(100): out.write(block)
out.write(b'LAST LINE OF THE BIG DOCUMENT\r\n')" > big.tmp
HWM_BEFORE=$(awk '/^VmHWM/ {print $2}' "/proc/$PROGRAM/status")
( while [ -e "/proc/$PROGRAM/status" ]; do
    awk '/^VmHWM/ {print $2}' "/proc/$PROGRAM/status" > hwm.tmp 2>/dev/null
    [ -s hwm.tmp ] && mv hwm.tmp hwm
    sleep 0.2
  done ) &
SAMPLER=$!
VALID_BEFORE=$(count_on_screen "valid file")
BIG_START=$SECONDS
mv big.tmp WLSDFKJN.DRY
valid_file_shown() { test "$(count_on_screen 'valid file')" -gt "$VALID_BEFORE"; }
wait_until 20 valid_file_shown
tmux_keys -l X
check "X pressed during a 100 MB document ends run mode with 0" test "$(tmux_wait_exit "$SHOP" 150)" = 0
BIG_SECONDS=$((SECONDS - BIG_START))
check "the 100 MB document is printed once" test "$(jobs_now)" = 5
check "the 100 MB capture file is deleted" test ! -e WLSDFKJN.DRY
check "the terminal is back in its normal mode" bash -c "grep -q ' icanon' stty-after && grep -q ' echo' stty-after"
PAGES=$(pdfinfo "$(cups_job_file office 5)" 2>/dev/null | awk '/^Pages:/ {print $2}')
check "the 100 MB document is printed whole" bash -c "
  pdftotext -l 1 '$(cups_job_file office 5)' - | grep -q 'FIRST LINE OF THE BIG DOCUMENT' &&
  pdftotext -f '${PAGES:-1}' '$(cups_job_file office 5)' - | grep -q 'LAST LINE OF THE BIG DOCUMENT'"
wait "$SAMPLER" 2>/dev/null; SAMPLER=""
HWM_AFTER=$(cat hwm 2>/dev/null)
HWM_AFTER=${HWM_AFTER:-0}
echo "# memory high-water mark: ${HWM_BEFORE} kB before the 100 MB document, ${HWM_AFTER} kB after;" \
  "its PDF was $(( $(stat -c %s "$(cups_job_file office 5)") / 1024 )) kB, $PAGES pages, in $BIG_SECONDS s"
# The PDF of a document is held whole until it is sent, so the mark grows with the PDF (about
# a sixth of the text here), never by the capture file's 100 MB.
check "memory does not grow with the capture file" \
  test "$HWM_BEFORE" -gt 0 -a "$HWM_AFTER" -ge "$HWM_BEFORE" -a "$((HWM_AFTER - HWM_BEFORE))" -lt 76800
check "no sanitizer report on the terminal" bash -c "! tmux -L $TMUX_SOCKET capture-pane -p -S -2000 | grep -qE 'Sanitizer|runtime error'"
tmux_stop
cd "$WORK"

# ---------------------------------------------------------------------------------------------
# Run mode with no terminal: its own session, standard input from /dev/null, console text to
# a file. It prints; SIGTERM ends it by that signal.
HEADLESS=""
# start_headless DIR - Run mode in DIR without a controlling terminal. Not a process-group
# leader, so setsid execs the program in place and $! is the program itself.
start_headless() {
  ( cd "$1" && exec setsid "$TAVREL" < /dev/null > console.txt 2>&1 ) &
  HEADLESS=$!
  wait_until 20 grep -qsF "Press S to rerun setup, or X to exit." "$1/console.txt"
}
# stop_headless - SIGTERM; HEADLESS_STATUS becomes the exit status (143: ended by SIGTERM), or
# "hung" when the program is still there 10 s later (then it is killed).
HEADLESS_STATUS=""
ended() { [ ! -e "/proc/$1" ] || [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" = Z ]; }
stop_headless() {
  kill -TERM "$HEADLESS"
  if wait_until 10 ended "$HEADLESS"; then
    wait "$HEADLESS"
    HEADLESS_STATUS=$?
  else
    HEADLESS_STATUS=hung
    kill -KILL "$HEADLESS"
    wait "$HEADLESS"
  fi
  HEADLESS=""
}

mkdir "$WORK/service"
printf 'office\r\nDejaVu Sans Mono\r\n 10\r\n' > "$WORK/service/tavrel2.cfg"
JOBS=$(jobs_now)
start_headless "$WORK/service"
check "with no terminal run mode has no controlling terminal" \
  test "$(ps -o tty= -p "$HEADLESS" | tr -d ' ')" = "?"
check "with no terminal the start-up page is printed" cups_wait_jobs office $((JOBS + 1)) 20
printf 'NO TERMINAL DOCUMENT\r\n' > "$WORK/service/WLSDFKJN.DRY"
check "with no terminal a document is printed" cups_wait_jobs office $((JOBS + 2)) 20
check "with no terminal the capture file is deleted" wait_gone "$WORK/service/WLSDFKJN.DRY"
# Console lines as plain lines: no terminal escape sequence among them.
plain_lines() { grep -q '^Found file, printing document now ' "$1" && ! grep -q $'\e' "$1"; }
check "with no terminal the console lines go to the output, plain" plain_lines "$WORK/service/console.txt"
stop_headless
check "with no terminal SIGTERM ends run mode by that signal" test "$HEADLESS_STATUS" = 143
check "with no terminal the document is printed once" \
  bash -c "test $(jobs_now) = $((JOBS + 2)) && pdftotext '$(cups_job_file office $((JOBS + 2)))' - | grep -q 'NO TERMINAL DOCUMENT'"

# ---------------------------------------------------------------------------------------------
# Broken configurations: run mode starts, says what is wrong where it does, and a capture file
# is either printed or kept in unprinted/, never lost. Each row: name, what run mode says
# ("-" for nothing), start-up pages printed, what becomes of the document.
make_config() {
  case $1 in
    empty) : ;;
    garbage) python3 -c "
import random, sys
r = random.Random(1)
sys.stdout.buffer.write(bytes(r.randrange(256) for _ in range(4096)))" ;;
    one-line) printf 'office\r\n' ;;
    long-lines) python3 -c "
import sys
sys.stdout.buffer.write(b'office' * 17067 + b'\r\n' + b'DejaVu Sans Mono' * 6400 + b'\r\n' + b'9' * 102400 + b'\r\n')" ;;
    size-not-a-number) printf 'office\r\nDejaVu Sans Mono\r\n ten\r\n' ;;
  esac
}
# The message of a row, by its short name.
message() {
  case $1 in
    invalid-printer) echo "invalid printer selection, please run tavrel -setup" ;;
    invalid-font) echo "invalid font selection, please run tavrel -setup" ;;
  esac
}
while read -r name says pages outcome; do
  folder="$WORK/config-$name"
  mkdir "$folder"
  make_config "$name" > "$folder/tavrel2.cfg"
  JOBS=$(jobs_now)
  check "config $name: run mode starts" start_headless "$folder"
  [ "$says" != - ] && check "config $name: says what is wrong" grep -qF "$(message "$says")" "$folder/console.txt"
  printf 'DOCUMENT WITH CONFIG %s\r\n' "$name" > "$folder/WLSDFKJN.DRY"
  check "config $name: the capture file is taken" wait_gone "$folder/WLSDFKJN.DRY"
  settle 1
  JOBS=$((JOBS + pages))
  if [ "$outcome" = printed ]; then
    check "config $name: printed once" bash -c "test $(jobs_now) = $((JOBS + 1)) &&
      pdftotext '$(cups_job_file office $((JOBS + 1)))' - | grep -q 'DOCUMENT WITH CONFIG'"
  else
    check "config $name: kept in unprinted/, nothing printed" bash -c "test $(jobs_now) = $JOBS &&
      test \"\$(ls '$folder/unprinted' | wc -l)\" = 1 &&
      cmp -s '$folder'/unprinted/* <(printf 'DOCUMENT WITH CONFIG %s\r\n' '$name')"
  fi
  stop_headless
  check "config $name: SIGTERM ends it, no crash" test "$HEADLESS_STATUS" = 143
  check "config $name: no sanitizer report" no_sanitizer_report "$folder/console.txt"
done <<'TABLE'
empty invalid-printer 0 kept
garbage invalid-printer 0 kept
one-line invalid-font 0 printed
long-lines invalid-printer 0 kept
size-not-a-number - 1 printed
TABLE

# ---------------------------------------------------------------------------------------------
# A full disk under "Print to PDF": the PDF cannot be written, the document is kept in
# unprinted/ (a move within the disk needs no room), and once there is room again run mode
# prints the next document. The kept one stays kept for the operator. With no inode left and
# no unprinted/ yet, the document cannot be moved at all: it stays under its own name, is
# passed over while unchanged, and is printed once it changes.
if $AS_ROOT; then
  mkdir "$FULL_DISK"
  mount -t tmpfs -o size=1m,nr_inodes=64 tmpfs "$FULL_DISK"
  cd "$FULL_DISK"
  printf 'Print to PDF\r\nDejaVu Sans Mono\r\n 10\r\n' > tavrel2.cfg
  start_headless "$FULL_DISK"
  pdfs_now() { ls -A pdf 2>/dev/null | wc -l; }
  pdfs_are() { test "$(pdfs_now)" = "$1"; }
  check "full disk: the start-up page is a PDF" wait_until 20 pdfs_are 1
  printf 'DOCUMENT ON A FULL DISK\r\n' > document.tmp
  dd if=/dev/zero of=filler bs=4k 2>/dev/null
  check "full disk: the disk is full" test "$(df --output=avail -k . | tail -1 | tr -d ' ')" = 0
  mv document.tmp WLSDFKJN.DRY
  check "full disk: the capture file is taken" wait_gone WLSDFKJN.DRY
  check "full disk: the document is kept in unprinted/" \
    bash -c "cmp -s unprinted/* <(printf 'DOCUMENT ON A FULL DISK\r\n')"
  check "full disk: no PDF and no temporary file is left of it" test "$(pdfs_now)" = 1
  check "full disk: the console says why and where it is kept" \
    grep -q 'not printed (the disk is full); it is kept as unprinted/' console.txt
  rm filler
  printf 'AFTER ROOM IS MADE\r\n' > WLSDFKJN.DRY
  check "full disk: with room again the next document is printed" wait_until 20 pdfs_are 2
  settle 1.5
  check "full disk: the next document is printed once, the kept one not at all" bash -c "
    test $(pdfs_now) = 2 && test \$(ls unprinted | wc -l) = 1 &&
    pdftotext \"pdf/\$(ls -t pdf | head -1)\" - | grep -q 'AFTER ROOM IS MADE'"

  mv unprinted kept-before
  printf 'DOCUMENT WITHOUT AN INODE\r\n' > document.tmp
  n=0
  while touch "inode-$n" 2>/dev/null; do n=$((n + 1)); done
  mv document.tmp WLSDFKJN.DRY
  check "no inode left: the document stays under its own name" \
    wait_until 20 grep -q 'it stays as WLSDFKJN.DRY until it changes' console.txt
  rm -f inode-*
  FOUND_BEFORE=$(grep -c 'Found file, printing document now' console.txt)
  settle 1.5
  check "no inode left: the document is not taken again while it is unchanged" bash -c "
    test $FOUND_BEFORE = \$(grep -c 'Found file, printing document now' console.txt) &&
    grep -q 'DOCUMENT WITHOUT AN INODE' WLSDFKJN.DRY && test $(pdfs_now) = 2"
  touch WLSDFKJN.DRY
  check "no inode left: the document is printed once it changes" wait_until 20 pdfs_are 3
  check "no inode left: its capture file is deleted" wait_gone WLSDFKJN.DRY
  stop_headless
  check "full disk: SIGTERM ends run mode by that signal" test "$HEADLESS_STATUS" = 143
  check "full disk: no sanitizer report" no_sanitizer_report console.txt
  cd "$WORK"
  umount "$FULL_DISK"
else
  echo "# not root: the full-disk case needs a tmpfs mount and is skipped"
fi

finish
