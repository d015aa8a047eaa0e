#!/usr/bin/env bash
# Run mode against writers as shops have them, and files it cannot take: a writer that reopens
# the capture file for every line, writers of another user holding it open (also empty until
# they close it), an unreadable file, a link named "unprinted", a file cut short while it is
# printed. Every case checks what reached the printer, what stayed on disk, and that nothing was
# printed twice. Tavrel runs as "nobody" when the test runs as root, so the writers (root) are of
# another user and no write lease can be taken on their files.
# Usage: writers_test.sh path/to/tavrel
set -u
TAVREL=$(realpath "$1")
LIB=$(cd "$(dirname "$0")/lib" && pwd)
source "$LIB/cups_harness.sh"
source "$LIB/tmux_harness.sh"
trap 'tmux_stop; cups_stop; rm -rf "$WORK"' EXIT

WORK=$(mktemp -d /tmp/tavrel-writers.XXXXXX)
cups_start || exit 1
cups_add_queue office 2>/dev/null || exit 1
cd "$WORK"
printf 'office\r\nDejaVu Sans Mono\r\n 10\r\n' > tavrel2.cfg

AS_OTHER_USER=""
if [ "$(id -u)" = 0 ]; then
  chmod 777 "$WORK"
  chown nobody tavrel2.cfg
  AS_OTHER_USER="runuser -u nobody --"
else
  echo "# not root: Tavrel and the writers run as one user; the lease-free paths are not reached"
fi

jobs_now() { ls "$CUPS_TMP"/capture/office/job-*.bin 2>/dev/null | wc -l; }
count_on_screen() { tmux_screen | grep -cF -- "$1"; }
wait_gone() { local i; for i in $(seq 1 150); do [ ! -e "$1" ] && return 0; sleep 0.1; done; return 1; }
job_text() { pdftotext "$(cups_job_file office "$1")" - 2>/dev/null; }
# settle SECONDS: lets run mode take more passes; a second print would arrive meanwhile.
settle() { sleep "$1"; }

tmux_start "$WORK" $AS_OTHER_USER env CUPS_SERVER="$CUPS_SERVER" "$TAVREL"
tmux_wait_for "Press S to rerun setup, or X to exit." || exit 1
cups_wait_jobs office 1 20 || { echo "no start-up test page"; exit 1; }

# A writer that opens, appends one line and closes, every 100-150 ms: one job, all lines.
for i in $(seq 1 25); do printf 'APPENDED LINE %02d\r\n' "$i" >> WLSDFKJN.DRY; sleep 0.$((10 + RANDOM % 6)); done
check "an append-and-close writer's document is printed" cups_wait_jobs office 2 20
check "its capture file is deleted" wait_gone WLSDFKJN.DRY
settle 1.5
check "an append-and-close writer's document is printed once" test "$(jobs_now)" = 2
check "the one job holds every line" bash -c "pdftotext '$(cups_job_file office 2)' - | grep -q 'APPENDED LINE 01' &&
  pdftotext '$(cups_job_file office 2)' - | grep -q 'APPENDED LINE 25'"

# A writer of another user that holds the file open and writes a line every 0.7 s.
( exec 3> WLSDFKJN.DRY
  for i in 1 2 3 4 5; do printf 'HELD LINE %d\r\n' "$i" >&3; sleep 0.7; done
  exec 3>&- ) &
WRITER=$!
sleep 2.5
check "nothing is printed while another user's writer holds the file" test "$(jobs_now)" = 2
wait $WRITER
check "the held document is printed after its writer closes it" cups_wait_jobs office 3 20
wait_gone WLSDFKJN.DRY
settle 1.5
check "the held document is printed once and whole" \
  bash -c "test $(jobs_now) = 3 && pdftotext '$(cups_job_file office 3)' - | grep -q 'HELD LINE 5'"

# A writer that keeps the file empty until it closes it, as DOS emulators do.
( exec 3> WLSDFKJN.DRY; sleep 2.5; printf 'WRITTEN AT CLOSE\r\n' >&3; exec 3>&- ) &
WRITER=$!
sleep 2
check "an empty file held by its writer is not deleted" test -e WLSDFKJN.DRY
check "an empty file held by its writer is not called zero size" test "$(count_on_screen 'zero size file')" = 0
wait $WRITER
check "the document written at close is printed" cups_wait_jobs office 4 20
wait_gone WLSDFKJN.DRY
check "the document written at close is whole" bash -c "pdftotext '$(cups_job_file office 4)' - | grep -q 'WRITTEN AT CLOSE'"

if [ -n "$AS_OTHER_USER" ]; then
  # A capture file Tavrel may not read: said once with its cause, then passed over.
  FOUND_BEFORE=$(count_on_screen "Found file, printing document now")
  printf 'SECRET\r\n' > WLSDFKJN.DRY
  chmod 600 WLSDFKJN.DRY
  check "an unreadable file is reported with its cause" tmux_wait_for "(permission denied)" 10
  settle 2
  check "an unreadable file is reported once" \
    test "$(( $(count_on_screen "Found file, printing document now") - FOUND_BEFORE ))" = 1
  check "the log names the cause once" test "$(grep -c 'permission denied' tavrel.log)" = 1
  chmod 644 WLSDFKJN.DRY
  check "a file made readable is printed" cups_wait_jobs office 5 20
  wait_gone WLSDFKJN.DRY
  JOBS=5
else
  JOBS=4
fi

# A link named "unprinted": a document the queue refuses is not moved through it.
mkdir elsewhere; chmod 777 elsewhere
ln -s elsewhere unprinted
cupsreject office
printf 'REFUSED BEHIND A LINK\r\n' > WLSDFKJN.DRY
check "a link named unprinted is refused with a message" tmux_wait_for "unprinted is a link or not a folder" 20
check "nothing is written through the link" test -z "$(ls -A elsewhere)"
check "the document stays under its own name" grep -q 'REFUSED BEHIND A LINK' WLSDFKJN.DRY
settle 1.5
check "the document is not tried again while it is unchanged" test "$(count_on_screen 'unprinted is a link or not a folder')" = 1
rm unprinted
cupsaccept office
touch WLSDFKJN.DRY
check "the document is printed once it changes" cups_wait_jobs office $((JOBS + 1)) 20
wait_gone WLSDFKJN.DRY

# A document cut short while it is printed: never reported as printed, kept as it now is.
python3 -c "
import sys
with open('big.txt', 'w', newline='') as f:
    for i in range(300000): f.write('BIG DOCUMENT LINE %06d\r\n' % i)"
VALID_BEFORE=$(count_on_screen "valid file")
mv big.txt WLSDFKJN.DRY
for i in $(seq 1 200); do [ "$(count_on_screen 'valid file')" -gt "$VALID_BEFORE" ] && break; sleep 0.05; done
truncate -s 100 WLSDFKJN.DRY
check "a file cut short while printed is reported" tmux_wait_for "Document changed while it was printed" 60
check "the cut file is kept as it now is" bash -c "test \"\$(stat -c %s unprinted/WLSDFKJN-*.DRY)\" = 100"
check "the capture file's name is free again" wait_gone WLSDFKJN.DRY
check "the log says it changed" grep -q "changed while it was printed" tavrel.log

tmux_keys -l X
check "run mode ends with X" test "$(tmux_wait_exit "$WORK" 20)" = 0
finish
