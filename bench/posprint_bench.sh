#!/usr/bin/env bash
# Times `tavrel -POSPRINT` of a 20,000-line capture file on "Print to PDF" against CUPS's own
# text filter (texttopdf) and paps on the same text: median wall time and peak memory of the
# whole process over several runs, and the same text with LF-only line ends.
# Usage: bench/posprint_bench.sh path/to/tavrel [runs]
set -euo pipefail
export LC_ALL=C  # a decimal point in $EPOCHREALTIME
TAVREL=$(realpath "$1")
RUNS=${2:-5}
WORK=$(mktemp -d /tmp/tavrel-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

# A deterministic capture file: CR LF lines of 0 to 76 printable characters.
python3 - <<'PY'
import random
r = random.Random(20000)
chars = [chr(c) for c in range(32, 127)]
lines = ["".join(r.choice(chars) for _ in range(r.randint(0, 76))) for _ in range(20000)]
open("crlf.txt", "wb").write("".join(l + "\r\n" for l in lines).encode())
open("lf.txt", "wb").write("".join(l + "\n" for l in lines).encode())
PY
printf 'Print to PDF\r\nDejaVu Sans Mono\r\n 10\r\n' > tavrel2.cfg

# measure LABEL COMMAND... - median seconds and peak kilobytes over RUNS runs.
measure() {
  local label=$1; shift
  local times=() peaks=() i
  for i in $(seq 1 "$RUNS"); do
    # Wall time from the shell's clock (microseconds; time's %e has only 0.01 s), peak
    # memory from time's %M, the last line of its report (a failing command adds one above).
    local start=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o stats "$@" > /dev/null 2>&1 < /dev/null || true
    local end=$EPOCHREALTIME
    times+=("$(python3 -c "print($end - $start)")"); peaks+=("$(tail -1 stats)")
  done
  python3 - "$label" "${times[*]}" "${peaks[*]}" <<'PY'
import statistics, sys
label, times, peaks = sys.argv[1], [float(x) for x in sys.argv[2].split()], [int(x) for x in sys.argv[3].split()]
print(f"{label:28s} median {statistics.median(times):7.3f} s   peak {max(peaks)/1024:7.1f} MB")
open("results", "a").write(f"{label} {statistics.median(times)} {max(peaks)}\n")
PY
}

export CUPS_SERVER=/nonexistent/cups.sock
cp crlf.txt WLSDFKJN.DRY
measure "tavrel CR LF" "$TAVREL" -POSPRINT
cp lf.txt WLSDFKJN.DRY
measure "tavrel LF only" "$TAVREL" -POSPRINT
made=$(find pdf -name '*.pdf' 2> /dev/null | wc -l)
if [ "$made" -ne $((2 * RUNS)) ]; then
  echo "warning: tavrel wrote $made PDF files in $((2 * RUNS)) runs" >&2
fi
if [ -x /usr/lib/cups/filter/texttopdf ]; then
  measure "texttopdf" /usr/lib/cups/filter/texttopdf 1 user title 1 "" crlf.txt
fi
if command -v paps > /dev/null; then
  # This paps writes PostScript to its standard output (it has no PDF option).
  measure "paps (PostScript)" sh -c 'paps crlf.txt > paps.ps'
fi
python3 - <<'PY'
r = {}
for line in open("results"):
    *label, t, m = line.split()
    r[" ".join(label)] = (float(t), int(m))

# ratio NAME A B - A's median time over B's, or why there is none.
def ratio(name, a, b):
    if a not in r or b not in r:
        print(f"{name:32s} n/a (not measured)")
    elif r[b][0] <= 0:
        print(f"{name:32s} n/a ({b} took under the timer's 0.01 s)")
    else:
        print(f"{name:32s} {r[a][0] / r[b][0]:.2f}")

ratio("tavrel / texttopdf time:", "tavrel CR LF", "texttopdf")
ratio("tavrel / paps (PostScript) time:", "tavrel CR LF", "paps (PostScript)")
ratio("LF-only / CR LF time:", "tavrel LF only", "tavrel CR LF")
PY
