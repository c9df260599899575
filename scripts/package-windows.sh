#!/usr/bin/env bash
# Builds the Windows release: dist/mervana-<version>-win64.zip, a folder to copy onto the office's
# shared folder as it is:
#   README.txt, はじめにお読みください.txt   for the Windows administrator (English; Japanese)
#   mervana/   mervana.exe, the sample mervana.ini and regitems.txt, the manual dorvel.mht
#   pcdata/    empty: where records go while mervana.ini names no SaveDir
# The texts are Shift-JIS with CR LF, as the program and a Japanese Windows read them (the English
# README names the Japanese menus). Sets up and cross-builds first (scripts/setup.sh --tests, scripts/build-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh --tests
export BUILD_DIR=${BUILD_DIR:-build-win}
bash scripts/build-windows.sh
version=$(sed -n 's/^project(Mervana VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=mervana-$version-win64
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
top=$stage/$name
mkdir -p "$top/mervana" "$top/pcdata" dist
crlf() { sed 's/\r$//; s/$/\r/'; }
sjis() { iconv -f UTF-8 -t CP932 "$1" | crlf; }

x86_64-w64-mingw32-strip -o "$top/mervana/mervana.exe" "$BUILD_DIR/mervana.exe"
for f in mervana.ini regitems.txt; do sjis "packaging/$f" > "$top/mervana/$f"; done
for f in README.txt はじめにお読みください.txt; do sjis "packaging/windows/$f" > "$top/$f"; done

# the manual: the HTML page as a one-part MHTML document (MIME, CR LF line ends), which the
# system's viewer for .mht opens
title=$(sed -n 's:.*<title>\(.*\)</title>.*:\1:p' packaging/windows/dorvel.html)
boundary=----=_Mervana_manual_$version
{
  printf 'From: <Mervana>\n'
  printf 'Subject: =?utf-8?B?%s?=\n' "$(printf '%s' "$title" | base64 -w0)"
  printf 'MIME-Version: 1.0\n'
  printf 'Content-Type: multipart/related; type="text/html"; boundary="%s"\n\n' "$boundary"
  printf 'This is a multi-part message in MIME format.\n\n'
  printf -- '--%s\n' "$boundary"
  printf 'Content-Type: text/html; charset="utf-8"\n'
  printf 'Content-Transfer-Encoding: 8bit\n'
  printf 'Content-Location: file:///dorvel.htm\n\n'
  cat packaging/windows/dorvel.html
  printf -- '\n--%s--\n' "$boundary"
} | crlf > "$top/mervana/dorvel.mht"

rm -f "dist/$name.zip"
(cd "$stage" && cmake -E tar cf "$OLDPWD/dist/$name.zip" --format=zip "$name")
echo "dist/$name.zip"
