#!/usr/bin/env bash
# The build's include check (cmake/LayerCheck.cmake) on a small tree of its own: an include of a
# higher layer's header fails with the file and the include named; includes of the layer itself,
# of a lower layer, of system headers and of headers outside the tree pass.
#   bash tests/layers/check-layer-includes.sh SOURCE_ROOT
set -u
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src/low" "$work/src/high"
printf '#pragma once\n' >"$work/src/low/Low.h"
printf '#pragma once\n' >"$work/src/high/High.h"
printf '#include "low/Low.h"\n#include <vector>\n#include "generated/Missing.h"\n' >"$work/src/low/Low.cpp"
printf 'low/Low.h\nlow/Low.cpp\n' >"$work/low.files"
printf 'low/Low.h\nlow/Low.cpp\n' >"$work/low.allowed"
check() {
  cmake -DLAYER=low -DSOURCE_DIR="$work/src" -DFILES_LIST="$work/low.files" -DALLOWED_LIST="$work/low.allowed" \
        -DSTAMP="$work/low.checked" -P "$root/cmake/LayerCheck.cmake" >"$work/out" 2>&1
}
fail=0
if ! check || [ ! -e "$work/low.checked" ]; then
  echo "FAIL: a layer that includes only itself and the system's headers was refused:"; cat "$work/out"; fail=1
fi
rm -f "$work/low.checked"
printf '  #  include "high/High.h"  // the wrong way\n' >>"$work/src/low/Low.cpp"
if check; then
  echo "FAIL: an include of a higher layer passed the check"; fail=1
elif ! grep -q 'src/low/Low.cpp: #include "high/High.h"' "$work/out"; then
  echo "FAIL: the refusal does not name the file and the include:"; cat "$work/out"; fail=1
fi
[ -e "$work/low.checked" ] && { echo "FAIL: a refused layer was marked checked"; fail=1; }
[ $fail = 0 ] && echo "layer check: a wrong-way include fails, the others pass"
exit $fail
