#!/usr/bin/env bash
# Sets up, builds and runs every test, as CI does:
#   1. the Linux build (build/) and its tests;
#   2. the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/);
#   3. the Windows build (build-win/, mingw-w64) and its tests under wine (scripts/test-windows.sh);
#   4. each fuzz target for a short while (build-fuzz/, scripts/fuzz.sh).
# One part alone: --linux, --sanitize, --windows or --fuzz.
set -euo pipefail
cd "$(dirname "$0")/.."
part=${1:-all}
bash scripts/setup.sh --tests

# window tests draw on Qt's offscreen platform; no display is needed
export QT_QPA_PLATFORM=offscreen

if [ "$part" = all ] || [ "$part" = --linux ]; then
  BUILD_DIR=build bash scripts/build.sh -DMERVANA_TESTS=ON
  ctest --test-dir build --output-on-failure -j2
fi
if [ "$part" = all ] || [ "$part" = --sanitize ]; then
  BUILD_DIR=build-asan bash scripts/build.sh -DMERVANA_SANITIZE=ON -DMERVANA_TESTS=ON
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
    ctest --test-dir build-asan --output-on-failure -j2 -E '^DebianPackage$'
fi
if [ "$part" = all ] || [ "$part" = --windows ]; then
  bash scripts/test-windows.sh
fi
if [ "$part" = all ] || [ "$part" = --fuzz ]; then
  bash scripts/fuzz.sh 15
fi
