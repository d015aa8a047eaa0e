#!/usr/bin/env bash
# Printing through a private CUPS scheduler: -LIST, -POSPRINT, -TEST, Print to PDF and a
# printer that is not installed. Usage: printing_test.sh path/to/tavrel
set -u
TAVREL=$(realpath "$1")
LIB=$(cd "$(dirname "$0")/lib" && pwd)
source "$LIB/cups_harness.sh"
source "$LIB/tmux_harness.sh"
trap 'tmux_stop; cups_stop; rm -rf "$WORK"' EXIT

WORK=$(mktemp -d /tmp/tavrel-print.XXXXXX)
cups_start || exit 1
cups_add_queue office 2>/dev/null || exit 1
cups_add_queue receipt receipt.ppd 2>/dev/null || exit 1
cd "$WORK"

configure() { printf '%s\r\n%s\r\n%s\r\n' "$1" "$2" "$3" > tavrel2.cfg; }
# word_lines PDF - "yMin text" of every line of the first page, from pdftotext's boxes.
line_tops() { pdftotext -bbox-layout "$1" - | sed -n 's/.*<line xMin="[^"]*" yMin="\([^"]*\)".*/\1/p'; }

# -LIST redirected: bare names with CR LF, no numbers.
"$TAVREL" -LIST > list.txt 2> list.err
check "-LIST redirected lists the queues then Print to PDF with CR LF" \
  cmp -s list.txt <(printf ' office\r\n receipt\r\n Print to PDF\r\n')
check "-LIST redirected keeps the banner off standard output" grep -q "version 3.39" list.err

# -LIST on a terminal: numbered lines.
tmux_start "$WORK" "$TAVREL" -list
tmux_wait_for "3 Print to PDF" 15 >/dev/null
check "-LIST on a terminal numbers the printers" bash -c "tmux -L $TMUX_SOCKET capture-pane -p | grep -q '^ 1 office' && tmux -L $TMUX_SOCKET capture-pane -p | grep -q '^ 2 receipt'"
tmux_stop

# -POSPRINT on the office queue.
configure office "DejaVu Sans Mono" " 10"
printf 'FIRST LINE\r\n\r\nSECOND LINE\r\nTHIRD LINE\r\n' > WLSDFKJN.DRY
"$TAVREL" -POSPRINT > pos.out 2>&1 < /dev/null
check "-POSPRINT exits 0" test $? = 0
check "-POSPRINT shows both positions" grep -q "^ 0 $" pos.out
check "-POSPRINT keeps the capture file" test -f WLSDFKJN.DRY
cups_wait_jobs office 1 20
JOB=$(cups_job_file office 1)
check "the job arrives as a PDF" bash -c "head -c 5 '$JOB' | grep -q '%PDF-'"
JOB_NAMES=$(cups_job_name 1)
check "the job is named Tavrel DOS output" grep -qx 'Tavrel DOS output' <<< "$JOB_NAMES"
[ "$JOB_NAMES" = "Tavrel DOS output" ] || echo "job name read back: [$JOB_NAMES]"
pdftotext "$JOB" job1.txt
check "the document's lines are printed" bash -c "grep -q 'FIRST LINE' job1.txt && grep -q 'SECOND LINE' job1.txt && grep -q 'THIRD LINE' job1.txt"
check "the configured face is embedded" bash -c "pdffonts '$JOB' | grep -q 'DejaVuSansMono'"
mapfile -t TOPS < <(line_tops "$JOB")
check "a blank line takes no space" python3 -c "
t=[float(x) for x in '''${TOPS[*]}'''.split()]
assert len(t)==3, t
assert abs((t[1]-t[0])-(t[2]-t[1]))<0.5, t"
check "the console echoes the lines" grep -q "THIRD LINE" pos.out

# Long lines on the 80 mm receipt roll wrap at its printable width.
configure receipt "DejaVu Sans Mono" " 10"
LONG=$(printf 'A%.0s' $(seq 1 100))
printf 'Receipt no 1\r\n%s\r\n' "$LONG" > WLSDFKJN.DRY
"$TAVREL" -POSPRINT > receipt.out 2>&1 < /dev/null
cups_wait_jobs receipt 1 20
RJOB=$(cups_job_file receipt 1)
check "receipt pages are 80 mm wide" bash -c "pdfinfo '$RJOB' | grep -q 'Page size: *22[67]'"
check "a long line wraps at the roll's width" python3 -c "
import subprocess,re
t=subprocess.run(['pdftotext','-bbox-layout','$RJOB','-'],capture_output=True,text=True).stdout
words=re.findall(r'<word xMin=\"([\d.]+)\" yMin=\"[\d.]+\" xMax=\"([\d.]+)\" yMax=\"[\d.]+\">(A+)</word>',t)
assert len(words)>=2, words
assert sum(len(w[2]) for w in words)==100, words
assert all(float(w[1])<=219.5 for w in words), words"

# -TEST: one empty page.
configure office "DejaVu Sans Mono" " 10"
"$TAVREL" -TEST > test.out 2>&1 < /dev/null
cups_wait_jobs office 2 20
TJOB=$(cups_job_file office 2)
check "-TEST sends one page" bash -c "pdfinfo '$TJOB' | grep -q '^Pages: *1$'"
check "-TEST page is empty" bash -c "test -z \"\$(pdftotext '$TJOB' - | tr -d '[:space:]\f')\""
check "-TEST shows the key reminder" grep -q "Press S to rerun setup, T for a test page, or X to exit." test.out

# Print to PDF: the same capture file as a PDF file in pdf/.
configure "Print to PDF" "DejaVu Sans Mono" " 10"
printf 'FIRST LINE\r\nSECOND LINE\r\n' > WLSDFKJN.DRY
"$TAVREL" -POSPRINT > pdf.out 2>&1 < /dev/null
PDF=$(ls pdf/*.pdf 2>/dev/null | head -1)
check "Print to PDF writes a PDF into pdf/" test -n "$PDF"
check "the PDF holds the lines" bash -c "pdftotext '$PDF' - | grep -q 'SECOND LINE'"

# A printer that is not installed: -1, a clear message, no crash, exit 0.
configure "Gone Printer" "DejaVu Sans Mono" " 10"
"$TAVREL" -POSPRINT > gone.out 2>&1 < /dev/null
check "a missing printer still exits 0" test $? = 0
check "a missing printer shows -1" grep -q "^-1 $" gone.out
check "a missing printer is named with the way to fix it" grep -q "Gone Printer.*tavrel -setup" gone.out
check "nothing is printed for a missing printer" bash -c "! ls '$CUPS_TMP'/capture/office/job-003.bin 2>/dev/null"
rm -f tavrel2.cfg
"$TAVREL" -TEST > nocfg.out 2>&1 < /dev/null
check "no configuration says setup is needed" grep -q "tavrel -setup" nocfg.out

finish
