#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into build-fuzz/ and runs each for SECONDS (default 60), starting from its seeds in
# tests/data/fuzz/<target>/. Prints, per target, how many inputs ran; exits non-zero when one crashed
# (the crashing input is left in build-fuzz/crashes/ to become a regression test).
#   bash scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/setup.sh --tests
export BUILD_DIR=build-fuzz CC=clang-14 CXX=clang++-14
bash scripts/build.sh -DMERVANA_FUZZ=ON -DMERVANA_GUI=OFF -DMERVANA_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
mkdir -p build-fuzz/crashes
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1
status=0
printf '%-22s %12s %s\n' target inputs result
for bin in build-fuzz/fuzz_*; do
  name=$(basename "$bin")
  [ -x "$bin" ] || continue
  corpus=build-fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=tests/data/fuzz/$name
  [ -d "$seeds" ] || seeds=
  log=build-fuzz/$name.log
  if "$bin" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
       -artifact_prefix=build-fuzz/crashes/"$name"- "$corpus" ${seeds:+"$seeds"} >"$log" 2>&1; then
    result=ok
  else
    result="CRASH (see $log)"
    status=1
  fi
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
  printf '%-22s %12s %s\n' "$name" "$runs" "$result"
done
exit $status
