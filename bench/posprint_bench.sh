#!/usr/bin/env bash
# Times `tavrel -POSPRINT` of a 20,000-line capture file on "Print to PDF" against CUPS's own
# text filter (texttopdf) and paps on the same text: median wall time and peak memory of the
# whole process over several runs, and the same text with LF-only line ends. The commands
# take turns run by run.
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

export CUPS_SERVER=/nonexistent/cups.sock
# The commands take turns, round after round, so a machine whose speed drifts (other load, a
# virtual machine's neighbours) slows each of them alike. Wall time from a monotonic clock,
# peak memory from time's %M. Tavrel's runs each get a fresh copy of the capture file.
python3 - "$TAVREL" "$RUNS" <<'PY'
import os, shutil, statistics, subprocess, sys, time
tavrel, runs = sys.argv[1], int(sys.argv[2])
commands = [
    ("tavrel CR LF", "crlf.txt", [tavrel, "-POSPRINT"]),
    ("tavrel LF only", "lf.txt", [tavrel, "-POSPRINT"]),
]
texttopdf = "/usr/lib/cups/filter/texttopdf"
if os.access(texttopdf, os.X_OK):
    commands.append(("texttopdf", None, [texttopdf, "1", "user", "title", "1", "", "crlf.txt"]))
if shutil.which("paps"):
    # This paps writes PostScript to its standard output (it has no PDF option).
    commands.append(("paps (PostScript)", None, ["paps", "crlf.txt"]))
times = {label: [] for label, _, _ in commands}
peaks = {label: [] for label, _, _ in commands}
for _ in range(runs):
    for label, capture, command in commands:
        if capture:
            shutil.copy(capture, "WLSDFKJN.DRY")
        start = time.monotonic()
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", "stats"] + command,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        times[label].append(time.monotonic() - start)
        peaks[label].append(int(open("stats").read().split()[-1]))
made = len([f for f in os.listdir("pdf") if f.endswith(".pdf")]) if os.path.isdir("pdf") else 0
if made != 2 * runs:
    print(f"warning: tavrel wrote {made} PDF files in {2 * runs} runs", file=sys.stderr)
median = {label: statistics.median(v) for label, v in times.items()}
for label, _, _ in commands:
    print(f"{label:28s} median {median[label]:7.3f} s   peak {max(peaks[label]) / 1024:7.1f} MB")

# ratio NAME A B - A's median time over B's, or why there is none.
def ratio(name, a, b):
    if a not in median or b not in median:
        print(f"{name:32s} n/a (not measured)")
    else:
        print(f"{name:32s} {median[a] / median[b]:.2f}")

ratio("tavrel / texttopdf time:", "tavrel CR LF", "texttopdf")
ratio("tavrel / paps (PostScript) time:", "tavrel CR LF", "paps (PostScript)")
ratio("LF-only / CR LF time:", "tavrel LF only", "tavrel CR LF")
PY
