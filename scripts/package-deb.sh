#!/usr/bin/env bash
# Sets up, builds in Release and makes the Debian package dist/mervana_<version>_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --tests
export BUILD_DIR=build-deb
bash scripts/build.sh -DCMAKE_BUILD_TYPE=Release -DMERVANA_TESTS=OFF
rm -rf build-deb/package
(cd build-deb && cpack -G DEB -B "$PWD/package" >/dev/null)
mkdir -p dist
cp build-deb/package/mervana_*_amd64.deb dist/
ls -1 dist/mervana_*_amd64.deb | tail -n 1
