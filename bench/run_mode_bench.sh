#!/usr/bin/env bash
# Run mode against a private CUPS scheduler: latency from a writer closing a one-page capture
# file to the job's arrival at the queue (20 documents), idle CPU and memory over 60 seconds,
# and 50 capture files written back to back (all printed once, in order).
# Usage: bench/run_mode_bench.sh path/to/tavrel [idle-seconds]
set -u
TAVREL=$(realpath "$1")
IDLE=${2:-60}
LIB=$(cd "$(dirname "$0")/../tests/integration/lib" && pwd)
source "$LIB/cups_harness.sh"
WORK=$(mktemp -d /tmp/tavrel-runbench.XXXXXX)
trap 'kill $TAVREL_PID 2>/dev/null; cups_stop; rm -rf "$WORK"' EXIT
cups_start || exit 1
cups_add_queue office 2>/dev/null || exit 1
cd "$WORK"
printf 'office\r\nDejaVu Sans Mono\r\n 10\r\n' > tavrel2.cfg

"$TAVREL" -RUN > run.out 2>&1 < /dev/null &
TAVREL_PID=$!
cups_wait_jobs office 1 30 || { echo "no start-up test page"; exit 1; }
jobs_now() { ls "$CUPS_TMP"/capture/office/job-*.bin 2>/dev/null | wc -l; }
wait_free() { while [ -e WLSDFKJN.DRY ]; do sleep 0.01; done; }

# Latency: close of the capture file to the complete job at the queue.
python3 - "$CUPS_TMP/capture/office" <<'PY'
import os, statistics, sys, time
folder = sys.argv[1]
def jobs(): return len([f for f in os.listdir(folder) if f.startswith("job-")])
lat = []
for i in range(20):
    while os.path.exists("WLSDFKJN.DRY"): time.sleep(0.01)
    before = jobs()
    with open("WLSDFKJN.DRY", "wb") as f:
        f.write(b"LATENCY DOCUMENT %d\r\nsecond line\r\n" % i)
    start = time.monotonic()
    while jobs() == before: time.sleep(0.005)
    lat.append((time.monotonic() - start) * 1000)
print("latency over 20 documents: median %.0f ms, min %.0f ms, max %.0f ms" %
      (statistics.median(lat), min(lat), max(lat)))
PY

# Idle cost: CPU time and memory over IDLE seconds without capture files.
wait_free
sleep 1
ticks() { awk '{print $14 + $15}' /proc/$TAVREL_PID/stat; }
T0=$(ticks); S0=$(date +%s.%N)
sleep "$IDLE"
T1=$(ticks); S1=$(date +%s.%N)
HZ=$(getconf CLK_TCK)
python3 -c "print('idle over %.0f s: CPU %.2f%% of one core' % ($S1-$S0, 100.0*($T1-$T0)/$HZ/($S1-$S0)))"
grep -E 'VmRSS|VmHWM' /proc/$TAVREL_PID/status | tr -s ' '

# 50 capture files back to back: every one printed once, in order.
START_JOBS=$(jobs_now)
for i in $(seq 1 50); do
  wait_free
  printf 'SEQUENCE %03d\r\n' "$i" > WLSDFKJN.DRY
done
cups_wait_jobs office $((START_JOBS + 50)) 120
sleep 2
python3 - "$CUPS_TMP/capture/office" "$START_JOBS" <<'PY'
import os, subprocess, sys
folder, start = sys.argv[1], int(sys.argv[2])
files = sorted(f for f in os.listdir(folder) if f.startswith("job-"))[start:]
seen = []
for f in files:
    text = subprocess.run(["pdftotext", os.path.join(folder, f), "-"], capture_output=True, text=True).stdout
    seen += [int(w.split()[1]) for w in text.splitlines() if w.startswith("SEQUENCE")]
print("50 back-to-back documents: %d jobs, %d distinct, in order: %s" %
      (len(files), len(set(seen)), seen == list(range(1, 51))))
PY
