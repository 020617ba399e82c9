#!/bin/sh
# Writes the HTML report, loads it in headless Chromium without network and
# checks the rendered DOM: the whole sequence, every sample row of the grid
# and the recipe total. Leaves a screenshot in the work directory.
set -e
quilter=$1; src=$2; work=$3
rm -rf "$work"; mkdir -p "$work"; cd "$work"
cp "$src/examples/data/ubiquitin.fasta" "$src/tests/html/report.lab" .
KEMRALIB="$src/share" "$quilter" < "$src/tests/html/report.kem" > report.log 2>&1
if grep -q '\*\*\*' report.log; then cat report.log; exit 1; fi
[ -s report.html ] || { echo "report.html missing"; cat report.log; exit 1; }
browse() {
    chromium --headless --no-sandbox --disable-gpu --user-data-dir="$work/profile" \
        --disable-background-networking --host-resolver-rules="MAP * ~NOTFOUND" \
        --window-size=1000,1400 "$@" "file://$work/report.html" 2>>chromium.log
}
browse --dump-dom > dom.html
[ -s dom.html ] || { echo "no DOM from chromium"; cat chromium.log; exit 1; }
want=$(grep -v '^>' ubiquitin.fasta | tr -d ' \n\r')
got=$(tr -d '\n' < dom.html | sed 's/.*id="sequence">//; s/<h2>.*//; s/<span class="pos">[0-9]*<\/span>//g; s/<[^>]*>//g' | tr -d ' \t')
[ "$got" = "$want" ] || { echo "sequence: got '$got', want '$want'"; exit 1; }
rows=$(grep -o 'class="sample-row" id="sample-[0-9]*"' dom.html | sed 's/.*sample-//; s/"//' | tr '\n' ' ')
[ "$rows" = "1 2 3 4 5 6 7 8 9 10 11 " ] || { echo "grid rows: '$rows'"; exit 1; }
grep -q 'id="recipe-total">Total price of all samples: 6036<' dom.html ||
    { echo "recipe total missing"; grep -o 'id="recipe-total">[^<]*' dom.html; exit 1; }
browse --screenshot="$work/report.png" > /dev/null
[ -s report.png ] || { echo "no screenshot"; exit 1; }
