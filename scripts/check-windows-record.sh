#!/usr/bin/env bash
# Checks the record a batch run under wine saved: usage: check-windows-record.sh RECORDS STDOUT
# One whole Shift-JIS record with CR LF line ends and at least the 90 standard rows, its path
# printed, row 1 its stem, row 2 the version banner, and the rows that hold wine's own facts not
# empty: the computer name (8), the processor (13), the Windows version (31), the board (50), the
# BIOS (51), the first network adapter and its MAC address (62, 68).
set -euo pipefail
records=$1 out=$2
required=(1 2 8 13 31 50 51 62 68)
mapfile -t files < <(find "$records" -maxdepth 1 -name '*.csv')
[ ${#files[@]} -eq 1 ] || { echo "check-record: ${#files[@]} records in $records, not 1"; exit 1; }
file=${files[0]}
name=$(basename "$file")
grep -qF "${name%.csv}" "$out" || { echo "check-record: the printed path does not name $name"; exit 1; }
if LC_ALL=C grep -q $'[^\r]$' "$file"; then echo "check-record: a line without CR LF in $name"; exit 1; fi
iconv -f CP932 -t UTF-8 "$file" > /dev/null || { echo "check-record: $name is not Shift-JIS"; exit 1; }
text=$(iconv -f CP932 -t UTF-8 "$file" | tr -d '\r')
lines=$(wc -l < "$file")
[ "$lines" -ge 90 ] || { echo "check-record: only $lines rows"; exit 1; }
row() { sed -n "${1}p" <<< "$text"; }
echo "check-record: $name, $lines rows"
fail=0
for n in "${required[@]}"; do printf '  row %-3s %s\n' "$n" "$(row "$n")"; done
for n in "${required[@]}"; do
  [ -n "$(row "$n")" ] || { echo "check-record: row $n is empty"; fail=1; }
done
[ "$(row 1)" = "${name%.csv}" ] || { echo "check-record: row 1 is not the file's stem"; fail=1; }
case "$(row 2)" in Mervana*) ;; *) echo "check-record: row 2 is not the version banner"; fail=1 ;; esac
exit $fail
