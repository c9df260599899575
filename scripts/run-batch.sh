#!/usr/bin/env bash
# Sets up, builds and runs the main job: a batch collection of this PC that saves its record.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# only the program and its window: the tests, tools and benchmarks are built by the scripts that use them
BUILD_TARGETS="mervana mervana-window" bash scripts/build.sh -DMERVANA_TESTS=OFF
./build/mervana /b0 "$@"
