#!/usr/bin/env bash
# Packages the build tree given as $1 into a Debian package and checks it as an administrator would
# meet it: its control data and contents, an unpacked copy that answers --version and --help, and
# lintian with no error. Fails (never skips) when a tool it needs is missing.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg-deb lintian readelf; do command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"; done

(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/out/mervana_*_amd64.deb 2>/dev/null | head -n 1 || true)
[ -n "$deb" ] || fail "no mervana_<version>_amd64.deb was made"

info=$(dpkg-deb --info "$deb")
grep -q '^ Package: mervana$' <<<"$info" || fail "package name"
grep -q '^ Architecture: amd64$' <<<"$info" || fail "architecture"
# dependencies come from the binary (shlibdeps): the Qt and C++ libraries it links
grep -E '^ Depends: .*libqt6widgets6' <<<"$info" >/dev/null || fail "Depends lacks the Qt widgets library: $(grep Depends <<<"$info")"
grep -E '^ Depends: .*libstdc\+\+6' <<<"$info" >/dev/null || fail "Depends lacks libstdc++"
# the printer service loads libcups when first asked, so the package names it itself
grep -E '^ Depends: .*libcups2' <<<"$info" >/dev/null || fail "Depends lacks libcups2"
# and the database connection libpq when a server is first opened
grep -E '^ Depends: .*libpq5' <<<"$info" >/dev/null || fail "Depends lacks libpq5"

contents=$(dpkg-deb --contents "$deb")
for f in ./usr/bin/mervana ./usr/bin/mervana-window ./usr/share/man/man1/mervana.1.gz ./usr/share/man/ja/man1/mervana.1.gz \
         ./usr/share/applications/mervana.desktop ./usr/share/icons/hicolor/scalable/apps/mervana.svg \
         ./usr/share/doc/mervana/README.md ./usr/share/doc/mervana/copyright \
         ./usr/share/doc/mervana/changelog.gz; do
  grep -q " $f\$" <<<"$contents" || fail "$f is not in the package"
done

dpkg-deb -x "$deb" "$work/root"
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LANG=C "$work/root/usr/bin/mervana" --version)
[[ "$version" == "Mervana Ver."* ]] || fail "--version printed: $version"
help_en=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LANG=C "$work/root/usr/bin/mervana" --help)
grep -q '^Usage: mervana' <<<"$help_en" || fail "--help (English) printed: $help_en"
help_ja=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LANG=ja_JP.UTF-8 "$work/root/usr/bin/mervana" --help)
grep -q '^使い方: mervana' <<<"$help_ja" || fail "--help (Japanese) printed: $help_ja"
# the window library is the window program's alone: batch runs and support commands never load it
readelf -d "$work/root/usr/bin/mervana" | grep -q 'NEEDED.*libQt' && fail "/usr/bin/mervana links the window library"
readelf -d "$work/root/usr/bin/mervana-window" | grep -q 'NEEDED.*libQt6Widgets' || fail "mervana-window lacks the window library"

lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
if grep -q '^E: ' "$work/lintian.log"; then cat "$work/lintian.log"; fail "lintian reports errors"; fi
cat "$work/lintian.log"
echo "package ok: $(basename "$deb")"
