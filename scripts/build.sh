#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given as $BUILD_DIR). Extra arguments go to cmake;
# $BUILD_TARGETS, when set, names the only targets to build (e.g. "mervana mervana-window").
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
# one compiler cache for every checkout of the project (paths inside a checkout are made relative)
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
# shellcheck disable=SC2086  # the target names are words
cmake --build "$build" -j2 ${BUILD_TARGETS:+--target $BUILD_TARGETS}
