#!/bin/sh
# Peak memory over input size: converts inputs of shapes that once cost
# many times their size, each at two sizes, and the postgresql-doc corpus
# when it is there (bench/make_corpus.sh), and prints the peak resident
# size of the process over the input size for each.
#
#   bench/memory_bench.sh [ORVTEXT_BINARY] [SIZE_MB...]
#
# The binary defaults to build-rel/orvtext (built in Release when missing);
# the sizes default to 1 and 4 (MB). Figures are the peak resident set that
# /usr/bin/time reports (GNU time, Debian's "time" package).
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
binary=${1:-$root/build-rel/orvtext}
[ $# -gt 0 ] && shift
sizes=${*:-1 4}

bench=memory_bench
. "$root/bench/shapes_setup.sh"

# make SHAPE BYTES FILE: writes about BYTES bytes of the shape to FILE.
make() {
  python3 - "$1" "$2" "$3" <<'EOF'
import sys
shape, size, path = sys.argv[1], int(sys.argv[2]), sys.argv[3]
def repeat(head, unit, tail, n=None):
    count = max(1, (size - len(head) - len(tail)) // len(unit(0)))
    return head + "".join(unit(i) for i in range(count)) + tail
if shape == "formfeeds":
    text = repeat("", lambda i: "x\f", "")
elif shape == "cell-paragraphs":
    text = repeat("<table><tr><td>", lambda i: "<p>a paragraph</p>\n", "</td></tr></table>")
elif shape == "row-cells":
    text = repeat("<table><tr>", lambda i: "<td>cell</td>", "</tr></table>")
elif shape == "table-rows":
    text = repeat("<table>", lambda i: "<tr><td>a</td><td>b</td></tr>\n", "</table>")
elif shape == "list-items":
    text = repeat("<ul>", lambda i: "<li>item</li>\n", "</ul>")
elif shape == "h1-lines":
    text = repeat("", lambda i: "<h1>A heading</h1>\n", "")
elif shape == "mixed-lists":
    text = repeat("", lambda i: "<ul><li>one<ol><li>two</li></ol></li></ul>\n", "")
elif shape == "many-tables":
    text = repeat("", lambda i: "<table><tr><td>x</td></tr></table>\n", "")
elif shape == "many-links":
    text = repeat("", lambda i: '<a href="http://e.com/%07d">l</a>\n' % i, "")
elif shape == "unknown-tags":
    text = repeat("<html><body>", lambda i: "<t%07d>x</t%07d>\n" % (i, i), "</body></html>")
else:
    raise SystemExit("unknown shape " + shape)
open(path, "w", encoding="latin-1").write(text)
EOF
}

# peak FILE [QUALIFIERS...]: the peak resident size in KB of one conversion.
peak() {
  file=$1
  shift
  /usr/bin/time -f %M "$binary" "$file" -silent -output="$work/out" "$@" 2>&1 >/dev/null | tail -n 1
}

# measure LABEL FILE [QUALIFIERS...]: prints the peak over the input size,
# and the same without the fixed cost of any run (program, tables, buffers).
measure() {
  label=$1
  file=$2
  shift 2
  input=$(stat -L -c %s "$file")
  peak_kb=$(peak "$file" "$@")
  awk -v l="$label" -v i="$input" -v p="$peak_kb" -v f="$fixed_kb" \
    'BEGIN { printf "%-28s %7.1f MB in %7.1f MB peak %6.1fx  (%5.1fx above the fixed cost)\n",
             l, i / 1048576, p / 1024, p * 1024 / i, (p - f) * 1024 / i }'
}

printf '<p>x</p>\n' >"$work/tiny.htm"
fixed_kb=$(peak "$work/tiny.htm")
usage_kb=$( (/usr/bin/time -f %M "$binary" >/dev/null) 2>&1 | tail -n 1)
awk -v f="$fixed_kb" -v u="$usage_kb" \
  'BEGIN { printf "fixed cost (a one-line document): %.1f MB (the usage text alone: %.1f MB)\n", f / 1024, u / 1024 }'

printf '[Detag]\nRemove non-standard tags : yes\n' >"$work/unknown.pol"
for mb in $sizes; do
  bytes=$((mb * 1048576))
  for shape in formfeeds cell-paragraphs row-cells table-rows h1-lines mixed-lists list-items \
               many-tables many-links; do
    make "$shape" "$bytes" "$work/$shape.htm"
    measure "$shape ${mb} MB" "$work/$shape.htm"
    rm -f "$work/$shape.htm"
  done
  make unknown-tags "$bytes" "$work/unknown.htm"
  measure "unknown-tags -detag ${mb} MB" "$work/unknown.htm" -detag "$work/unknown.pol"
  rm -f "$work/unknown.htm"
done
corpus=$root/bench/corpus/pgdoc.html
if [ -f "$corpus" ]; then
  measure "pgdoc corpus" "$corpus"
  measure "pgdoc corpus -detag" "$corpus" -detag
else
  echo "(no corpus: run bench/make_corpus.sh for the postgresql-doc figure)"
fi
