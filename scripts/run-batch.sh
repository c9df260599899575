#!/usr/bin/env bash
# Sets up, builds and runs the main job: a batch collection of this PC that saves its record.
# A one-off build of the batch program alone (no window, so no Qt to install or compile) into
# build-batch/, at -O1 with the standard headers precompiled: on a fresh machine there is no
# compiler cache, and compiling is most of the time. The window and the tests are built into
# build/ by scripts/build.sh and scripts/test.sh, with their own settings.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --batch
cmake -S . -B build-batch -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS_RELEASE=-O1 -DNDEBUG" \
  -DMERVANA_GUI=OFF -DMERVANA_TESTS=OFF -DMERVANA_PCH=ON >/dev/null
cmake --build build-batch -j"$(nproc)" --target mervana
./build-batch/mervana /b0 "$@"
