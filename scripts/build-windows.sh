#!/usr/bin/env bash
# Cross-builds the program and its tests for 64-bit Windows into build-win/ (or $BUILD_DIR) with
# mingw-w64. GoogleTest for mingw is built once from Debian's sources into a cache folder.
# Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-win}
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=1

gtest_version=$(dpkg-query -W -f='${Version}' googletest 2>/dev/null || echo unknown)
cache=${MERVANA_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/mervana}/googletest-mingw64-$gtest_version
if [ ! -f "$cache/lib/cmake/GTest/GTestConfig.cmake" ]; then
  echo "build-windows: building GoogleTest for mingw into $cache"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cmake -S /usr/src/googletest -B "$work" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$cache.part" -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$work" -j2 >/dev/null
  rm -rf "$cache.part"
  cmake --install "$work" >/dev/null
  mv "$cache.part" "$cache"
fi

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DMERVANA_GUI=OFF -DMERVANA_HIVEX=OFF -DGTest_DIR="$cache/lib/cmake/GTest" "$@" >/dev/null
cmake --build "$build" -j2
