#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# into build-fuzz and runs each for the given number of seconds (default 60), two at a time.
# Inputs that break a rule are kept as build-fuzz/findings/<target>/crash-*; new coverage
# grows build-fuzz/corpus/<target>, started from the seeds in fuzz/corpus/<target>.
#
#   scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
[ "${#targets[@]}" -gt 0 ] || targets=(bitmap_file console_keys number_text file_lines print_settings)

# Debian's clang and its libFuzzer runtime (in libclang-rt-<version>-dev); Debian 12 has 14.
sudo=""
[ "$(id -u)" = 0 ] || sudo="sudo"
if ! command -v clang++ >/dev/null ||
   ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends clang \
    libclang-rt-14-dev
fi

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DTAVREL_SANITIZE=ON -DTAVREL_LIBFUZZER=ON -DBUILD_TESTING=OFF \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link
cmake --build build-fuzz -j2 --target "${targets[@]/%/_fuzz}"

# One fuzzer run: its own corpus copy, findings kept apart, the log beside them. Paths are
# absolute: the configuration target works in a folder of its own.
run_target() {
  local target=$1
  local corpus=$PWD/build-fuzz/corpus/$target findings=$PWD/build-fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  cp -n fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  nice -n 10 "$PWD"/build-fuzz/fuzz/"$target"_fuzz -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len=4096 -print_final_stats=1 -artifact_prefix="$findings"/ \
    "$corpus" >"build-fuzz/$target.log" 2>&1
}

status=0
pids=()
names=()
for target in "${targets[@]}"; do
  run_target "$target" &
  pids+=($!)
  names+=("$target")
  if [ "${#pids[@]}" -eq 2 ]; then
    wait "${pids[0]}" || { echo "== ${names[0]}: see build-fuzz/${names[0]}.log"; status=1; }
    pids=("${pids[1]}")
    names=("${names[1]}")
  fi
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || { echo "== ${names[$i]}: see build-fuzz/${names[$i]}.log"; status=1; }
done
for target in "${targets[@]}"; do
  echo "== $target: $(grep -h 'stat::number_of_executed_units' "build-fuzz/$target.log" || echo 'no stats')" \
       "$(ls "build-fuzz/findings/$target" 2>/dev/null | wc -l) findings"
done
exit $status
