#!/usr/bin/env bash
# -POSPRINT under Wine: the capture file goes through Wine's spooler to the private scheduler,
# with its lines, its Windows-1252 letters, the configured font and the job name, and stays in
# the folder; a receipt in code page 437 prints its frame and accents as their characters.
# Usage: pos_print_test.sh path/to/tavrel.exe
set -u
TESTS=$(cd "$(dirname "$0")/.." && pwd)
source "$TESTS/integration/lib/cups_harness.sh"
source "$TESTS/integration/lib/tmux_harness.sh"
source "$TESTS/windows/lib/wine_harness.sh"
trap 'cups_stop; wine_stop; rm -rf "$WORK"' EXIT

wine_setup "$1"
WORK=$(mktemp -d /tmp/tavrel-wine-pos.XXXXXX)
cups_start || exit 1
cups_add_queue office 2>/dev/null || exit 1
cups_add_queue kitchen 2>/dev/null || exit 1
cd "$WORK"

jobs_at() { ls "$CUPS_TMP/capture/$1"/job-*.bin 2>/dev/null | wc -l; }

printf 'kitchen\r\nDejaVu Sans Mono\r\n 10\r\n' > tavrel2.cfg
# Lines end with CR LF or CR; 0xE9 is e-acute in Windows-1252; Ctrl-Z ends the document.
printf 'RECEIPT 0042\r\nCaf\xe9 cr\xe8me   2.50\rTOTAL        2.50\r\n\x1aNOT PRINTED\r\n' > WLSDFKJN.DRY
cp WLSDFKJN.DRY capture.before

wine "$TAVREL_EXE" -POSPRINT > stdout.out 2> console.out
echo "exit code $?" > pos.code
check "the program ends with 0" grep -qx "exit code 0" pos.code
check "one job reaches the configured queue" cups_wait_jobs kitchen 1 30
sleep 1
check "exactly one job is made" test "$(jobs_at kitchen)" = 1
check "no job goes to the other queue" test "$(jobs_at office)" = 0
JOB=$(cups_job_file kitchen 1)
job_text "$JOB" > job.txt
check "the lines are printed in order" \
  test "$(grep -oE 'RECEIPT 0042|crème|TOTAL' job.txt | tr '\n' ' ')" = "RECEIPT 0042 crème TOTAL "
check "Windows-1252 letters are printed as such" grep -q 'Café crème   2.50' job.txt
check "a CR alone ends a line" bash -c "! grep -q '2.50.*TOTAL' job.txt"
check "nothing after Ctrl-Z is printed" bash -c "! grep -q 'NOT PRINTED' job.txt"
check "the job carries the program's document name" test "$(cups_job_name 1)" = "Tavrel DOS output"
if head -c 4 "$JOB" | grep -q '%PDF'; then
  check "the configured font is the one printed" bash -c "pdffonts '$JOB' | grep -q DejaVuSansMono"
else
  check "the configured font is the one printed" grep -aq DejaVuSansMono "$JOB"
fi
check "the capture file stays as it was" cmp -s WLSDFKJN.DRY capture.before
check "nothing goes to standard output" test ! -s stdout.out

# A receipt in code page 437 (a fourth configuration line): the double-line frame, the accents
# and the pound sign reach the paper as their characters through GDI's wide calls, the bold
# and cut codes act and print nothing, and the console echo shows the same characters.
mkdir dos437 && cd dos437
printf 'office\r\nDejaVu Sans Mono\r\n 10\r\n437\r\n' > tavrel2.cfg
{
  printf '\x1b@\xc9\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbb\r\n'
  printf '\xba Caf\x82 M\x81ller  \xba\r\n'
  printf '\xc8\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xcd\xbc\r\n'
  printf '\x1b\x45Cr\x8ame br\x96l\x82e\x1b\x46  \x9c 4.50\r\n'
  printf '\x1dV\x41\x03Copy\r\n'
} > WLSDFKJN.DRY
wine "$TAVREL_EXE" -POSPRINT > stdout.out 2> console.out
echo "exit code $?" > pos.code
check "437: the program ends with 0" grep -qx "exit code 0" pos.code
check "437: one job reaches the configured queue" cups_wait_jobs office 1 30
sleep 1
JOB437=$(ls "$CUPS_TMP/capture/office"/job-*.bin | head -1)
job_text "$JOB437" > job.txt
check "437: the frame, the accents and the pound sign are printed as their characters" \
  bash -c "grep -q '╔══════════════╗' job.txt && grep -q '║ Café Müller *║' job.txt &&
           grep -q '╚══════════════╝' job.txt && grep -q 'Crème brûlée *£ 4.50' job.txt"
check "437: no control code prints as a character" \
  bash -c "! grep -q '[^[:print:]═║╔╗╚╝£éüèûâ[:space:]]' job.txt"
check "437: the bold item is drawn in the bold face" grep -aq 'DejaVuSansMono-Bold' "$JOB437"
check "437: the cut starts a new page" \
  bash -c "grep -q \$'\f' job.txt && ! grep -q '4.50.*Copy' job.txt"
check "437: the console echo shows the same characters" \
  bash -c "grep -q '║ Café Müller  ║' console.out && grep -q 'Crème brûlée  £ 4.50' console.out"
cd ..

# A queue that refuses jobs: no job, the capture file still there, an orderly end.
cupsreject kitchen
wine "$TAVREL_EXE" -POSPRINT > /dev/null 2> refused.out
echo "exit code $?" > refused.code
check "a refusing queue still ends with 0" grep -qx "exit code 0" refused.code
sleep 1
check "a refusing queue gets no new job" test "$(jobs_at kitchen)" = 1
check "the capture file is kept when the queue refuses" cmp -s WLSDFKJN.DRY capture.before
finish
