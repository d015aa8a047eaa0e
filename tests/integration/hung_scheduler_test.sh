#!/usr/bin/env bash
# A scheduler that hangs (its cupsd stopped with SIGSTOP) while run mode prints: a document for
# a CUPS queue is kept in unprinted/ within the printer layer's bounded wait, with its reason
# on the console, X still ends run mode within that wait, and "Print to PDF" goes on printing
# at its normal speed. Usage: hung_scheduler_test.sh path/to/tavrel
set -u
TAVREL=$(realpath "$1")
LIB=$(cd "$(dirname "$0")/lib" && pwd)
source "$LIB/cups_harness.sh"
source "$LIB/tmux_harness.sh"
WORK=$(mktemp -d /tmp/tavrel-hung.XXXXXX)
PDF_PID=""
trap '[ -n "$CUPSD_PID" ] && kill -CONT "$CUPSD_PID" 2>/dev/null
      [ -n "$PDF_PID" ] && kill "$PDF_PID" 2>/dev/null
      tmux_stop; cups_stop; rm -rf "$WORK"' EXIT

BOUND=10  # the longest wait on the scheduler (SchedulerWaitSeconds)
QUEUE="$WORK/queue"
PDF="$WORK/pdf-printer"
mkdir "$QUEUE" "$PDF"
printf 'office\r\nDejaVu Sans Mono\r\n 10\r\n' > "$QUEUE/tavrel2.cfg"
printf 'Print to PDF\r\nDejaVu Sans Mono\r\n 10\r\n' > "$PDF/tavrel2.cfg"

cups_start || exit 1
cups_add_queue office 2>/dev/null || exit 1

now() { date +%s.%N; }
since() { python3 -c "import sys; print('%.1f' % (float(sys.argv[2]) - float(sys.argv[1])))" "$1" "$(now)"; }
pdf_count() { ls "$PDF"/pdf/*.pdf 2>/dev/null | wc -l; }
wait_pdfs() { local i; for i in $(seq 1 $(($2 * 10))); do [ "$(pdf_count)" -ge "$1" ] && return 0; sleep 0.1; done; return 1; }
kept_within() { local i; for i in $(seq 1 $(($1 * 10))); do grep -qs "$2" "$QUEUE"/unprinted/* && return 0; sleep 0.1; done; return 1; }

# Both run modes start while the scheduler answers: the queue's in tmux, where the operator
# presses keys, "Print to PDF" without a terminal.
tmux_start "$QUEUE" "$TAVREL"
( cd "$PDF" && exec "$TAVREL" -RUN > run.out 2>&1 < /dev/null ) &
PDF_PID=$!
check "the queue's start-up test page is printed" cups_wait_jobs office 1 20
check "the PDF printer's start-up test page is written" wait_pdfs 1 20
tmux_wait_for "Press S to rerun setup, or X to exit." || exit 1

kill -STOP "$CUPSD_PID"
START=$(now)
printf 'PDF WHILE HUNG\r\n' > "$PDF/WLSDFKJN.DRY"
printf 'KEPT WHILE HUNG\r\n' > "$QUEUE/WLSDFKJN.DRY"

# "Print to PDF" never asks the scheduler: its document is written as fast as ever.
check "Print to PDF prints at normal speed while the scheduler hangs" wait_pdfs 2 3
echo "# Print to PDF document written after $(since "$START") s"
check "the PDF holds the document" bash -c "pdftotext \"\$(ls -t '$PDF'/pdf/*.pdf | head -1)\" - | grep -q 'PDF WHILE HUNG'"

# The queue's document: X pressed while it waits on the hung scheduler.
tmux_wait_for "Found file, printing document now" 5 || exit 1
PRESSED=$(now)
tmux_keys -l X
check "the document is kept in unprinted/ within the bound" kept_within $((BOUND + 3)) 'KEPT WHILE HUNG'
echo "# kept in unprinted/ after $(since "$START") s"
check "X ends run mode within the bound" test "$(tmux_wait_exit "$QUEUE" $((BOUND + 3)))" = 0
echo "# run mode ended $(since "$PRESSED") s after X"
check "the capture file's name is free again" test ! -e "$QUEUE/WLSDFKJN.DRY"
# The console breaks a long line at the screen's edge itself: the rows are read as one text.
check "the console says where the document was kept" bash -c "tmux -L $TMUX_SOCKET capture-pane -p -J -S -200 | tr -d '\n' | grep -q 'unprinted/WLSDFKJN-'"
check "the console names the cause" bash -c "tmux -L $TMUX_SOCKET capture-pane -p -J -S -200 | tr -d '\n' | grep -q 'did not answer within $BOUND seconds'"
check "the log says where it was kept and why" grep -q "did not answer within $BOUND seconds); it is kept as unprinted/" "$QUEUE/tavrel.log"

# The scheduler comes back: nothing of the kept document reaches the queue.
kill -CONT "$CUPSD_PID"
sleep 1.5
check "no job was made for the kept document" test "$(ls "$CUPS_TMP"/capture/office/job-*.bin 2>/dev/null | wc -l)" = 1

finish
