#!/bin/sh
# Time against size for hostile shapes: unclosed and lone tags, runs of
# references and marks, deep nesting, very long lines and tags. Each shape
# is converted at two sizes, the second four times the first; a conversion
# that is linear takes about four times as long, one that is quadratic
# sixteen. Prints both times, their ratio and the peak memory of the larger
# conversion, and flags a ratio above 8 (on sizes too small to time, below
# 0.05 s, the ratio is not judged).
#
#   bench/scaling_bench.sh [ORVTEXT_BINARY] [SMALL_BYTES]
#
# The binary defaults to build-rel/orvtext (built in Release when missing),
# the small size to 2,000,000 bytes (the large one is four times that).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
binary=${1:-$root/build-rel/orvtext}
small=${2:-2000000}
large=$((small * 4))

bench=scaling_bench
. "$root/bench/shapes_setup.sh"

# make SHAPE BYTES FILE: about BYTES bytes of the shape.
make() {
  python3 - "$1" "$2" "$3" <<'EOF'
import sys
shape, size, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
units = {
    "b-open": "<b>x ", "table-open": "<table><tr><td>x", "td-only": "<td>x",
    "tr-only": "<tr><td>x</td></tr>", "comment-open": "<!-- x", "a-open": '<a href="u">x ',
    "li-only": "<li>x", "h1-open": "<h1>x ", "select-open": "<select><option>x",
    "amp": "&", "amp-hash": "&#", "entity-long": "&aaaaaaaaaaaaaaaaaaaaaaaa", "nbsp": "&nbsp;",
    "p": "<p>x", "br": "<br>", "lt": "< x", "ff": "\xff", "nul": "\0x", "cr": "\rx", "tab": "\tx",
    "li-literal": "[[LI]] x ", "statement-literal": "$_$_START_HEADING\n", "directive": "$_$_",
    "mark-literal": "\xff\xffBR\xff\xff", "quote-in-tag": '<a b="x" ', "value-open": '<a b="',
    "ul-close": "</ul>x", "ol-nest": "<ol><li>x", "dl-nest": "<dl><dt>x<dd>y",
    "div-nest": "<div>x", "center-nest": "<center>x", "blockquote-nest": "<blockquote>x",
    "frames": "<frameset><frame src=x>", "colspan": "<td colspan=1000>x",
    "rowspan": "<td rowspan=1000>x", "img": '<img alt="a" src=b>', "word": "x",
    "cell-rules": "<table><tr><td>x<hr>",
}
if shape == "pre-line":
    text = "<pre>" + "x" * size + "</pre>"
elif shape == "tag-attributes":
    text = "<a " + "b=c " * (size // 4) + ">x</a>"
else:
    unit = units[shape]
    text = unit * max(1, size // len(unit))
open(path, "w", encoding="latin-1", newline="").write(text)
EOF
}

# run FILE: "SECONDS KB" of one conversion.
run() {
  /usr/bin/time -f "%e %M" "$binary" "$1" -silent -output="$work/out" 2>&1 >/dev/null | tail -n 1
}

printf '%-20s %9s %9s %7s %9s\n' shape "small s" "large s" ratio "peak MB"
flagged=0
for shape in b-open table-open td-only tr-only comment-open a-open li-only h1-open select-open \
             amp amp-hash entity-long nbsp p br lt ff nul cr tab li-literal statement-literal \
             directive mark-literal quote-in-tag value-open ul-close ol-nest dl-nest div-nest \
             center-nest blockquote-nest frames colspan rowspan img word cell-rules pre-line \
             tag-attributes; do
  make "$shape" "$small" "$work/small.htm"
  make "$shape" "$large" "$work/large.htm"
  set -- $(run "$work/small.htm")
  small_s=$1
  set -- $(run "$work/large.htm")
  large_s=$1
  peak_kb=$2
  line=$(awk -v s="$small_s" -v l="$large_s" -v p="$peak_kb" -v n="$shape" 'BEGIN {
    ratio = s > 0 ? l / s : 0
    flag = (l >= 0.05 && ratio > 8) ? "  <- more than linear?" : ""
    printf "%-20s %9.2f %9.2f %7.1f %9.1f%s", n, s, l, ratio, p / 1024, flag }')
  echo "$line"
  case $line in *"more than linear"*) flagged=$((flagged + 1)) ;; esac
  rm -f "$work/small.htm" "$work/large.htm"
done
echo "shapes flagged: $flagged"
