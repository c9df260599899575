#!/usr/bin/env bash
# Installs what Mervana needs on a Debian 12 machine (run as root).
#   bash scripts/setup.sh --batch  what building and running the batch program needs (the main job:
#                                  no window, so no Qt and no font)
#   bash scripts/setup.sh          that, the window (Qt 6, a Japanese font) and the compiler cache
#   bash scripts/setup.sh --tests  that, and what only the tests, the Windows build, the fuzzing, the
#                                  packages and the benchmark use (wine, mingw-w64, LibreOffice, …)
# Packages already present are left alone; apt-get update runs only when something is missing.
set -euo pipefail

batch=(
  build-essential cmake pkg-config          # compiler and build
  libxcb1-dev                               # asking an X display whether it answers, before Qt does
  libhivex-dev                              # Windows registry hive files (offline installations)
  libcups2-dev                              # printers through CUPS
  libsqlite3-dev libpq-dev                  # the inventory database: SQLite files, PostgreSQL servers
)
program=(
  ccache                                    # the compiler cache of repeated builds
  qt6-base-dev libgl-dev                    # the window (Qt 6 Widgets)
  fonts-ipafont-gothic                      # a Japanese font so the window renders
)
tests=(
  libgtest-dev libgmock-dev                 # unit tests
  libatasmart-bin                           # skdump: reads our drive dumps in the tests
  libhivex-bin libwin-hivex-perl            # hive tools the tests and the benchmark compare with
  xvfb xauth x11-utils                      # a display for window tests and screenshots (+ xwininfo)
  cups                                      # the server the printer tests start
  libreoffice-calc-nogui                    # a real spreadsheet opens the aggregated lists in a test
  xdg-utils                                 # xdg-mime, which the desktop file-type tests compare with
  mingw-w64 g++-mingw-w64-x86-64-posix      # the Windows build (cross compiler, posix threads)
  wine wine64                               # runs the Windows tests and the Windows program
  locales                                   # ja_JP.UTF-8, for wine's code page 932
  clang-14 libclang-rt-14-dev               # the fuzz targets (libFuzzer)
  lintian                                   # checks the Debian package the tests build
  postgresql sqlite3                        # a server the database tests start; the shell the docs use
  chromium                                  # renders the fleet page in its test
)

packages=("${batch[@]}")
case "${1:-}" in
  --batch) ;;
  "") packages+=("${program[@]}") ;;
  --tests) packages+=("${program[@]}" "${tests[@]}") ;;
  *) echo "usage: bash scripts/setup.sh [--batch | --tests]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# wine takes its ANSI code page (932) from a Japanese locale
if [ "${1:-}" = --tests ] && ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
  echo "setup: generating the ja_JP.UTF-8 locale"
  sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
