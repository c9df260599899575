#!/usr/bin/env bash
# Checks the Windows release as an administrator gets it: usage: check-windows-release.sh ZIP FOLDER
# Unzips ZIP into FOLDER and checks the files and their encodings (Shift-JIS, CR LF), that
# the sample mervana.ini names no SaveDir, that the manual is an MHTML document, and - under wine,
# with WINEPREFIX set - that the program as shipped saves its record into pcdata beside its folder.
set -euo pipefail
zip=$1 out=$2
name=$(basename "$zip" .zip)
fail=0
bad() { echo "check-release: $*"; fail=1; }
rm -rf "$out" && mkdir -p "$out"

python3 - "$zip" "$out" "$name" <<'PY' || fail=1
import sys, zipfile
zpath, out, name = sys.argv[1:]
expected = {f"{name}/", f"{name}/README.txt", f"{name}/はじめにお読みください.txt", f"{name}/mervana/",
            f"{name}/mervana/mervana.exe", f"{name}/mervana/mervana.ini", f"{name}/mervana/regitems.txt",
            f"{name}/mervana/dorvel.mht", f"{name}/pcdata/"}
with zipfile.ZipFile(zpath) as z:
    names = set(z.namelist())
    ok = names == expected
    if not ok:
        print("check-release: unexpected entries", sorted(names ^ expected))
    for info in z.infolist():
        # a name beyond ASCII is marked UTF-8, so Explorer shows it as written
        if not info.filename.isascii() and not info.flag_bits & 0x800:
            print("check-release: not marked UTF-8:", info.filename); ok = False
    z.extractall(out)
sys.exit(0 if ok else 1)
PY
top=$out/$name
[ -d "$top/mervana" ] || { echo "check-release: no program folder"; exit 1; }

# every line ends in CR LF: none ends in another character, none is a bare LF
crlf() { ! LC_ALL=C grep -q $'[^\r]$' "$1" && ! LC_ALL=C grep -q '^$' "$1"; }
for f in "$top/README.txt" "$top/はじめにお読みください.txt" "$top/mervana/mervana.ini" "$top/mervana/regitems.txt"; do
  iconv -f CP932 -t UTF-8 "$f" > /dev/null 2>&1 || bad "$(basename "$f") is not Shift-JIS"
  crlf "$f" || bad "$(basename "$f") has a line without CR LF"
done
# the sample names no save folder, so that it works as shipped
iconv -f CP932 -t UTF-8 "$top/mervana/mervana.ini" | tr -d '\r' | grep -qiE '^[[:space:]]*savedir[[:space:]]*=' &&
  bad "mervana.ini sets SaveDir"

python3 - "$top/mervana/dorvel.mht" <<'PY' || fail=1
import sys, email
from email import policy
with open(sys.argv[1], "rb") as f:
    data = f.read()
msg = email.message_from_bytes(data, policy=policy.default)
parts = [p for p in msg.walk() if not p.is_multipart()]
ok = msg.get_content_type() == "multipart/related" and len(parts) == 1 and parts[0].get_content_type() == "text/html"
html = parts[0].get_content() if parts else ""
for text in ("<title>Mervana 説明書</title>", "読み取り", "HDD状態", "設定読み込み", "実行中プログラム", "/b", "SaveDir"):
    if text not in html:
        print("check-release: the manual lacks", text); ok = False
if b"\n" in data.replace(b"\r\n", b""):
    print("check-release: the manual has a line without CR LF"); ok = False
if not ok:
    print("check-release: dorvel.mht is not the one-page MHTML manual")
sys.exit(0 if ok else 1)
PY

# the program as shipped, started from another folder: its mervana.ini beside it, the records in
# the pcdata folder beside its folder
if [ -n "${WINEPREFIX:-}" ]; then
  if (cd / && wine "$top/mervana/mervana.exe" /b0 > "$out/run.out" 2> "$out/run.err"); then
    n=$(find "$top/pcdata" -maxdepth 1 -name '*.csv' | wc -l)
    [ "$n" = 1 ] || bad "$n records in pcdata after the shipped /b0, not 1"
    [ -z "$(find "$top/mervana" -maxdepth 1 -name '*.csv')" ] || bad "a record beside the program"
  else
    bad "the shipped mervana.exe /b0 failed: $(cat "$out/run.err")"
  fi
fi
[ "$fail" = 0 ] && echo "check-release: $name: files, encodings, manual and the shipped /b0 as expected"
exit $fail
