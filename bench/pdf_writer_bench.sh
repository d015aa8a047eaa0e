#!/usr/bin/env bash
# The printer layer's PDF writing, before and after, in one run: `tavrel -POSPRINT` of a
# 20,000-line capture file on "Print to PDF" by two builds (say, one from before the PDF
# writer and one with it) against CUPS's texttopdf on the same text. Median wall time over
# several runs, the commands taking turns; peak memory; the LF-only file against the CR LF
# one; and the start-up of a one-line document (median of 50 runs each).
# Usage: bench/pdf_writer_bench.sh BEFORE_TAVREL AFTER_TAVREL [runs, default 11]
set -euo pipefail
export LC_ALL=C
BEFORE=$(realpath "$1")
AFTER=$(realpath "$2")
RUNS=${3:-11}
WORK=$(mktemp -d /tmp/tavrel-pdfbench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

# A deterministic capture file: CR LF lines of 0 to 76 printable characters; the same text
# with LF-only line ends; and a one-line document.
python3 - <<'PY'
import random
r = random.Random(20000)
chars = [chr(c) for c in range(32, 127)]
lines = ["".join(r.choice(chars) for _ in range(r.randint(0, 76))) for _ in range(20000)]
open("crlf.txt", "wb").write("".join(l + "\r\n" for l in lines).encode())
open("lf.txt", "wb").write("".join(l + "\n" for l in lines).encode())
open("one.txt", "wb").write(b"One line\r\n")
PY
printf 'Print to PDF\r\nDejaVu Sans Mono\r\n 10\r\n' > tavrel2.cfg
export CUPS_SERVER=/nonexistent/cups.sock

python3 - "$BEFORE" "$AFTER" "$RUNS" <<'PY'
import os, resource, shutil, statistics, subprocess, sys, time
before, after, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
texttopdf = "/usr/lib/cups/filter/texttopdf"
have_texttopdf = os.access(texttopdf, os.X_OK)

def command_set(text):
    commands = [("before CR LF", "crlf.txt", [before, "-POSPRINT"]),
                ("after CR LF", "crlf.txt", [after, "-POSPRINT"]),
                ("before LF only", "lf.txt", [before, "-POSPRINT"]),
                ("after LF only", "lf.txt", [after, "-POSPRINT"])]
    if have_texttopdf:
        commands.append(("texttopdf", None, [texttopdf, "1", "user", "title", "1", "", text]))
    return commands

def measure(commands, runs):
    times = {label: [] for label, _, _ in commands}
    cpus = {label: [] for label, _, _ in commands}
    peaks = {label: [] for label, _, _ in commands}
    for _ in range(runs):
        for label, capture, command in commands:
            if capture:
                shutil.copy(capture, "WLSDFKJN.DRY")
            used = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.monotonic()
            subprocess.run(["/usr/bin/time", "-f", "%M", "-o", "stats"] + command,
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            times[label].append(time.monotonic() - start)
            now = resource.getrusage(resource.RUSAGE_CHILDREN)
            cpus[label].append(now.ru_utime + now.ru_stime - used.ru_utime - used.ru_stime)
            peaks[label].append(int(open("stats").read().split()[-1]))
            if os.path.isdir("pdf"):
                shutil.rmtree("pdf")
    return ({label: statistics.median(v) for label, v in times.items()},
            {label: statistics.median(v) for label, v in cpus.items()},
            {label: max(v) / 1024 for label, v in peaks.items()})

def ratio(median, a, b):
    return f"{median[a] / median[b]:.2f}" if a in median and b in median else "n/a"

# Wall time is what the shop waits for; processor time (user and system) shows the work
# alone when other programs share the machine. The program's wall time includes putting the
# PDF on disk (fsync of the file and its folder), which texttopdf, writing to a pipe, skips.
print(f"20,000 lines, medians of {runs} runs (wall, processor)")
median, cpu, peak = measure(command_set("crlf.txt"), runs)
for label in median:
    print(f"  {label:16s} {median[label]:7.3f} s  {cpu[label]:7.3f} s   peak {peak[label]:6.1f} MB")
for side in ("before", "after"):
    print(f"  {side}: time / texttopdf {ratio(median, side + ' CR LF', 'texttopdf')} "
          f"(processor {ratio(cpu, side + ' CR LF', 'texttopdf')}), "
          f"LF only / CR LF {ratio(median, side + ' LF only', side + ' CR LF')} "
          f"(processor {ratio(cpu, side + ' LF only', side + ' CR LF')})")

# The one-line document: start-up, loading and the end of the document dominate.
shutil.copy("one.txt", "crlf.txt")
shutil.copy("one.txt", "lf.txt")
median, cpu, peak = measure(command_set("one.txt"), 50)
print("one-line document, medians of 50 runs (wall, processor)")
for label in ("before CR LF", "after CR LF", "texttopdf"):
    if label in median:
        print(f"  {label:16s} {median[label] * 1000:7.1f} ms {cpu[label] * 1000:7.1f} ms   "
              f"peak {peak[label]:6.1f} MB")
for side in ("after", "before"):
    print(f"  {side} / texttopdf {ratio(median, side + ' CR LF', 'texttopdf')} "
          f"(processor {ratio(cpu, side + ' CR LF', 'texttopdf')})")
PY
for side in "$BEFORE" "$AFTER"; do
  echo "shared libraries loaded by $side: $(ldd "$side" | wc -l)"
done
