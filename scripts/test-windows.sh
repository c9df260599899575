#!/usr/bin/env bash
# The Windows half of the tests: cross-builds into build-win/ (scripts/build-windows.sh), runs every
# test program under wine in a fresh wine prefix (test_win32gui runs mervana.exe's logon batch runs
# on a wine virtual desktop of its own), then runs mervana.exe /b0 under wine and checks the record
# it saves, and checks the release zip and the program as shipped in it. Run as root on Debian 12
# (the set-up script installs mingw-w64 and wine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --tests
export BUILD_DIR=${BUILD_DIR:-build-win}
start=$(date +%s)
bash scripts/build-windows.sh
built=$(date +%s)

# a prefix of its own for every run, Japanese (code page 932), without wine's pop-ups and noise
work=$(mktemp -d /tmp/mervana-wine.XXXXXX)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
  LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 DISPLAY=
# the window's tests need a display: a virtual X server of the run's own, on a free display number,
# there before wine starts (wine's desktop takes the display it first sees, for the whole prefix)
xvfb=
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "test-windows: Xvfb did not start"; exit 1; }
export DISPLAY=:$(head -n 1 "$work/display")
# one wine server for the whole run, started before anything else uses the prefix (a second one
# cannot start while wineboot's is still up)
mkdir -p "$WINEPREFIX"
wineserver -p || true
wineboot -i >/dev/null 2>&1
# the live registry some tests read (an empty Registry= is this machine's registry on Windows)
for reg in tests/data/wine/*.reg; do
  [ -e "$reg" ] || continue
  wine regedit /S "$(winepath -w "$reg")"
done
prefixed=$(date +%s)

# Each test program runs whole under wine. (ctest's listing of a program's tests starts it under
# wine too, and wine sometimes keeps such a listing process alive after it has printed its list.)
# The tests tests/windows-known-failures.txt lists are left out, and named.
failed=0
for exe in "$BUILD_DIR"/test_*.exe; do
  name=$(basename "$exe" .exe)
  skip=$(sed -n "s/^$name \([^ ]*\).*/\1/p" tests/windows-known-failures.txt | paste -sd: -)
  [ -z "$skip" ] || echo "test-windows: $name: left out (tests/windows-known-failures.txt): $skip"
  if (cd "$BUILD_DIR" && timeout 900 wine "$(basename "$exe")" --gtest_brief=1 ${skip:+--gtest_filter=-$skip}) \
       >"$work/$name.log" 2>&1; then
    echo "test-windows: $name: $(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$work/$name.log" | head -n 1), all passed"
  else
    echo "test-windows: $name FAILED"
    cat "$work/$name.log"
    failed=1
  fi
done
[ "$failed" = 0 ] || { echo "test-windows: some Windows tests failed"; exit 1; }
tested=$(date +%s)

# the batch program as an administrator's logon script runs it: a record of wine's own facts
records=$work/records
mkdir -p "$records"
printf '[General]\r\nSaveDir=%s\r\n' "$(winepath -w "$records")" > "$work/site.ini"
wine "$BUILD_DIR/mervana.exe" /b0 "$(winepath -w "$work/site.ini")" > "$work/batch.out" 2> "$work/batch.err" || {
  echo "test-windows: mervana.exe /b0 failed:"; cat "$work/batch.err"; exit 1; }
bash scripts/check-windows-record.sh "$records" "$work/batch.out"
batched=$(date +%s)

# the release as the administrator unzips it (the build is the one above)
zip=$(bash scripts/package-windows.sh | tail -n 1)
bash scripts/check-windows-release.sh "$zip" "$work/release"
done_at=$(date +%s)
echo "test-windows: build $((built - start)) s, wine prefix $((prefixed - built)) s," \
  "tests $((tested - prefixed)) s, batch run $((batched - tested)) s, release $((done_at - batched)) s"
