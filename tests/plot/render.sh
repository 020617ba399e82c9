#!/bin/sh
# Runs the plot macro and renders every EPS it wrote with Ghostscript.
set -e
quilter=$1; src=$2; work=$3
rm -rf "$work"; mkdir -p "$work"; cd "$work"
KEMRALIB="$src/share" "$quilter" < "$src/tests/plot/render.kem" > render.log 2>&1
if grep -q '\*\*\*' render.log; then cat render.log; exit 1; fi
for f in lines.eps fit.eps; do
    [ -s "$f" ] || { echo "$f missing"; exit 1; }
    head -1 "$f" | grep -qx '%!PS-Adobe-3.0 EPSF-3.0' || { echo "$f: bad header"; exit 1; }
    grep -qx '%%BoundingBox: 40 40 540 790' "$f" || { echo "$f: bad bounding box"; exit 1; }
    out=$(gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r36 -sOutputFile="${f%.eps}.png" "$f" 2>&1)
    [ -z "$out" ] || { echo "$f: $out"; exit 1; }
    [ -s "${f%.eps}.png" ] || { echo "$f: no image"; exit 1; }
done
grep -q 'chi^2 = 0.428, probability 0.934' render.log || { cat render.log; exit 1; }
