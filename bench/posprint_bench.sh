#!/usr/bin/env bash
# Times `tavrel -POSPRINT` of a 20,000-line capture file on "Print to PDF" against CUPS's own
# text filter (texttopdf) and paps on the same text: median wall time and peak memory of the
# whole process over several runs, and the same text with LF-only line ends.
# Usage: bench/posprint_bench.sh path/to/tavrel [runs]
set -euo pipefail
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
    /usr/bin/time -f '%e %M' -o stats "$@" > /dev/null 2>&1 < /dev/null || true
    read -r t m < stats
    times+=("$t"); peaks+=("$m")
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
if [ -x /usr/lib/cups/filter/texttopdf ]; then
  measure "texttopdf" env CONTENT_TYPE=text/plain PPD= /usr/lib/cups/filter/texttopdf 1 user title 1 "" crlf.txt
fi
if command -v paps > /dev/null; then
  measure "paps" paps --format=pdf crlf.txt
fi
python3 - <<'PY'
r = {}
for line in open("results"):
    *label, t, m = line.split()
    r[" ".join(label)] = (float(t), int(m))
t = r["tavrel CR LF"][0]
if "texttopdf" in r:
    print(f"tavrel / texttopdf time: {t / r['texttopdf'][0]:.2f}")
if "paps" in r:
    print(f"tavrel / paps time:      {t / r['paps'][0]:.2f}")
print(f"LF-only / CR LF time:    {r['tavrel LF only'][0] / t:.2f}")
PY
