#!/usr/bin/env bash
# Times `tavrel -POSPRINT` on "Print to PDF" of a 20,000-line DOS document in code page 437
# with printer control codes (frames, accents, bold, underline, tabs, and a form feed after
# every 69 lines, where a page of 10-point lines ends anyway, so that both documents fill the
# same pages), against the same in Windows-1252: the same bytes with no fourth configuration
# line, and the same text as a Windows-1252 document without codes (tabs as blanks). Median
# wall time and peak memory over several runs, the runs taking turns.
# Usage: bench/dos_codepage_bench.sh path/to/tavrel [runs]
set -euo pipefail
export LC_ALL=C
TAVREL=$(realpath "$1")
RUNS=${2:-5}
WORK=$(mktemp -d /tmp/tavrel-dos-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
cd "$WORK"

python3 - <<'PY'
import random
r = random.Random(437)
words = ["Café", "Müller", "Crème", "brûlée", "Käse", "Straße", "Zürich", "£", "déjà", "ñandú",
         "Coffee", "Tea", "Total", "Change", "Cash", "Item", "Qty", "Price"]
dos, plain = [], []
for n in range(20000):
    kind = n % 69
    if kind == 0 and n:
        dos.append("\f")  # a new page, then its frame
        plain.append("")
    if kind in (0, 2):
        corner = ("╔", "╗") if kind == 0 else ("╚", "╝")
        dos.append(corner[0] + "═" * 40 + corner[1])
        plain.append("+" + "-" * 40 + "+")
    elif kind == 1:
        text = " ".join(r.choice(words) for _ in range(5))[:38].ljust(38)
        dos.append("║ " + "\x1bE" + text + "\x1bF" + "║")
        plain.append("| " + text + "|")
    elif kind % 10 == 5:
        dos.append("\x1b-\x01Subtotal\x1b-\x00\t£ %d.%02d" % (r.randint(1, 999), r.randint(0, 99)))
        plain.append("Subtotal        £ %d.%02d" % (r.randint(1, 999), r.randint(0, 99)))
    else:
        text = " ".join(r.choice(words) for _ in range(r.randint(1, 9)))
        price = "%d.%02d" % (r.randint(0, 99), r.randint(0, 99))
        dos.append("%d\t%s\t%s" % (r.randint(1, 9), text, price))
        plain.append("%d       %s        %s" % (r.randint(1, 9), text, price))
open("dos437.txt", "wb").write("".join(l + "\r\n" for l in dos).encode("cp437"))
open("text1252.txt", "wb").write("".join(l + "\r\n" for l in plain).encode("cp1252"))
PY
mkdir -p cp437 cp1252
printf 'Print to PDF\r\nDejaVu Sans Mono\r\n 10\r\n437\r\n' > cp437/tavrel2.cfg
printf 'Print to PDF\r\nDejaVu Sans Mono\r\n 10\r\n' > cp1252/tavrel2.cfg

export CUPS_SERVER=/nonexistent/cups.sock
python3 - "$TAVREL" "$RUNS" <<'PY'
import os, shutil, statistics, subprocess, sys, time
tavrel, runs = sys.argv[1], int(sys.argv[2])
commands = [
    ("437 with control codes", "cp437", "dos437.txt"),
    ("same bytes as 1252", "cp1252", "dos437.txt"),
    ("its text in 1252", "cp1252", "text1252.txt"),
]
times = {label: [] for label, _, _ in commands}
peaks = {label: [] for label, _, _ in commands}
for _ in range(runs):
    for label, folder, capture in commands:
        shutil.copy(capture, os.path.join(folder, "WLSDFKJN.DRY"))
        start = time.monotonic()
        subprocess.run(["/usr/bin/time", "-f", "%M", "-o", "../stats", tavrel, "-POSPRINT"],
                       cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        times[label].append(time.monotonic() - start)
        peaks[label].append(int(open("stats").read().split()[-1]))
        for name in os.listdir(os.path.join(folder, "pdf")):
            pdf = os.path.join(folder, "pdf", name)
            pages = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
            pages = [l.split()[-1] for l in pages.splitlines() if l.startswith("Pages:")]
            os.remove(pdf)
        times.setdefault(label + " pages", pages)
median = {label: statistics.median(times[label]) for label, _, _ in commands}
for label, _, _ in commands:
    print(f"{label:26s} median {median[label]:7.3f} s   peak {max(peaks[label]) / 1024:7.1f} MB"
          f"   pages {times[label + ' pages'][0] if times[label + ' pages'] else '?'}")
base = median["its text in 1252"]
print(f"437 with codes / its text in 1252: {median['437 with control codes'] / base:.2f}")
print(f"437 with codes / same bytes as 1252: {median['437 with control codes'] / median['same bytes as 1252']:.2f}")
PY
