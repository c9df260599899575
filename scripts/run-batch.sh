#!/usr/bin/env bash
# Sets up, builds and runs the main job: a batch collection of this PC that saves its record.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
./build/mervana /b0 "$@"
