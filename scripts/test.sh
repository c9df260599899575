#!/usr/bin/env bash
# Sets up, builds and runs every test. With --sanitize, builds into build-asan/ with
# AddressSanitizer and UndefinedBehaviorSanitizer instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ "${1:-}" = "--sanitize" ]; then
  export BUILD_DIR=build-asan
  bash scripts/build.sh -DMERVANA_SANITIZE=ON
  export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
else
  export BUILD_DIR=build
  bash scripts/build.sh
fi
# window tests draw on Qt's offscreen platform; no display is needed
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2
