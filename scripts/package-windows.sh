#!/usr/bin/env bash
# Builds the Windows release: dist/mervana-<version>-win64.zip with mervana.exe, the README, an
# example mervana.ini and regitems.txt (both in Shift-JIS with CR LF, as the program reads them).
# Sets up and cross-builds first (scripts/setup.sh --tests, scripts/build-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --tests
export BUILD_DIR=${BUILD_DIR:-build-win}
bash scripts/build-windows.sh
version=$(sed -n 's/^project(Mervana VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=mervana-$version-win64
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name" dist
x86_64-w64-mingw32-strip -o "$stage/$name/mervana.exe" "$BUILD_DIR/mervana.exe"
sed 's/$/\r/' README.md > "$stage/$name/README.txt"
for f in mervana.ini regitems.txt; do
  iconv -f UTF-8 -t CP932 "packaging/$f" | sed 's/$/\r/' > "$stage/$name/$f"
done
rm -f "dist/$name.zip"
(cd "$stage" && cmake -E tar cf "$OLDPWD/dist/$name.zip" --format=zip "$name")
echo "dist/$name.zip"
