#!/bin/sh
# Writes the HTML report, loads it in headless Chromium without network and
# checks the rendered DOM: the whole sequence, every sample row of the grid
# and the recipe total. Then prints it to PDF and checks the pages: every
# residue number of the grid is printed (none cut off at the page's edge)
# and no block of the grid is split between two pages. Leaves a screenshot
# and the PDF in the work directory.
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
rows=$(grep -o 'class="sample-row" data-sample="[0-9]*"' dom.html | sed 's/.*sample="//; s/"//' | tr '\n' ' ')
block="1 2 3 4 5 6 7 8 9 10 11 "
[ "$rows" = "$block$block" ] || { echo "grid rows of two blocks: '$rows'"; exit 1; }
grep -q 'id="recipe-total">Total price of all samples: 6036<' dom.html ||
    { echo "recipe total missing"; grep -o 'id="recipe-total">[^<]*' dom.html; exit 1; }
browse --screenshot="$work/report.png" > /dev/null
[ -s report.png ] || { echo "no screenshot"; exit 1; }
command -v gs > /dev/null || { echo "no ghostscript: the printed pages are not checked"; exit 0; }
browse --no-pdf-header-footer --print-to-pdf="$work/report.pdf" > /dev/null
[ -s report.pdf ] || { echo "no PDF"; cat chromium.log; exit 1; }
pages=$(gs -q -dNODISPLAY -dNOSAFER -c "(report.pdf) (r) file runpdfbegin pdfpagecount = quit")
pagetext() {
    gs -q -dBATCH -dNOPAUSE -sDEVICE=txtwrite -dFirstPage="$1" -dLastPage="$2" -o - report.pdf |
        tr -d '\r'
}
numbers=$(pagetext 1 "$pages" | awk '/Samples by residue/ { g = 1 } /^ *Recipe/ { g = 0 }
    g && /^[ 0-9]+$/' | tr -s ' \n' '  ' | sed 's/^ //; s/ $//')
[ "$numbers" = "1 10 20 30 40 50 51 60 70" ] ||
    { echo "residue numbers printed over the grid: '$numbers'"; exit 1; }
p=1 rows=0
while [ "$p" -le "$pages" ]; do
    n=$(pagetext "$p" "$p" | grep -c '^ *Sample [0-9][0-9]* *$' || true)
    [ $((n % 11)) -eq 0 ] || { echo "page $p of $pages holds $n grid rows, part of a block"; exit 1; }
    p=$((p + 1)) rows=$((rows + n))
done
[ "$rows" -eq 22 ] || { echo "$rows grid rows printed, not 22 (two blocks of 11 samples)"; exit 1; }
