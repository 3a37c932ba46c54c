#!/usr/bin/env bash
# Whole-process speed and peak memory of `orvtext FILE` (output to a file
# beside the input) on the postgresql-doc corpus and on hostile inputs that
# must convert in time proportional to their size.
#
#   bench/convert_bench.sh            # all cases
#   bench/convert_bench.sh corpus     # only the real-HTML corpus
#   bench/convert_bench.sh script     # only the pages with a long script
#   ORVTEXT=/tmp/old/orvtext bench/convert_bench.sh corpus   # another binary
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
only=${1:-all}

command -v /usr/bin/time >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq time; }
if [ -n "${ORVTEXT:-}" ]; then
  orvtext=$ORVTEXT
else
  "$root/scripts/bootstrap"
  cmake -S "$root" -B "$root/build-rel" -DCMAKE_BUILD_TYPE=Release -DORVTEXT_TESTS=OFF >/dev/null
  cmake --build "$root/build-rel" -j"$(nproc)" --target orvtext >/dev/null
  orvtext="$root/build-rel/orvtext"
fi
[ "$only" = script ] || [ -f "$here/corpus/pgdoc.html" ] || "$here/make_corpus.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
MB=$((1024 * 1024))

make_case() {  # name, then a command whose standard output is the file
  local name=$1
  shift
  "$@" >"$work/$name" 2>/dev/null || true
}

# A page of paragraphs around one long script (a fifth of the page before
# it, a fifth after): it converts in time linear in its size, so the page of
# 2 MB takes about twice as long as the one of 1 MB.
script_page() {  # total size in bytes
  local size=$1
  printf '<html><head><title>Script</title></head><body>\n'
  yes '<p>Some words of the article, and a <a href="/x">link</a>.</p>' | head -c $((size / 5))
  printf '<script>\n'
  yes 'var data = {"a": [1, 2, 3], "b": "<p>text</p>"}; if (a < b && c > d) { f(data); }' |
    head -c $((size * 3 / 5))
  printf '</script>\n'
  yes '<p>More words of the article after the script.</p>' | head -c $((size / 5))
  printf '</body></html>\n'
}

[ "$only" = script ] || cp "$here/corpus/pgdoc.html" "$work/pgdoc.htm"
if [ "$only" = all ] || [ "$only" = script ]; then
  make_case script-1mb.htm script_page $((1 * MB))
  make_case script-2mb.htm script_page $((2 * MB))
fi
if [ "$only" = all ]; then
  make_case binary.htm head -c $((10 * MB)) /dev/urandom
  make_case one-line.htm bash -c "yes 'some words <b>bold</b> and &amp; more ' | head -c $((5 * MB)) | tr -d '\n'"
  make_case lt-only.htm bash -c "head -c $((10 * MB)) /dev/zero | tr '\0' '<'"
  make_case lt-a.htm bash -c "yes '<a' | tr -d '\n' | head -c $((10 * MB))"
  make_case open-no-close.htm bash -c "printf '<'; yes 'plain text line without a closing bracket' | head -c $((10 * MB))"
  make_case lt-then-gt.htm bash -c "head -c $((10 * MB)) /dev/zero | tr '\0' '<'; printf '>'"
  make_case shift-ops.htm bash -c "yes 'if (a << 2 < b && c <= d) x <<= 1; cout << y >> z;' | head -c $((10 * MB))"
  make_case odd-utf16.htm bash -c "printf '\xff\xfe'; yes '<p>hello <b>world</b> caf&eacute;</p>' | head -c $((4 * MB)) | iconv -f ascii -t utf-16le; printf 'x'"
  make_case nul.htm head -c $((10 * MB)) /dev/zero
  make_case empty.htm true
  # One table cell of many line breaks with each paragraph on a single line
  # (the policy file beside the case is passed with it).
  make_case cell-breaks-single.htm bash -c "printf '<table><tr><td>'; yes 'x<br>' | head -c $((2 * MB)); printf '</td></tr></table>'"
  printf '[Text formatting]\nOutput each paragraph on a single line : Yes\n' >"$work/cell-breaks-single.pol"
fi

# Each case runs $RUNS times (default 5); the fastest run is shown, with
# the largest peak memory of all runs. The machine may be shared: the
# fastest run is the one least disturbed.
runs=${RUNS:-5}
printf '%-20s %10s %9s %9s %10s %8s\n' case "size(MB)" "time(s)" "MB/s" "peak(MB)" "peak/in"
for input in "$work"/*.htm; do
  name=$(basename "$input")
  size=$(stat -c %s "$input")
  secs=""
  kb=0
  policies=()
  [ -f "${input%.htm}.pol" ] && policies=("${input%.htm}.pol")
  for ((run = 0; run < runs; run++)); do
    /usr/bin/time -f '%e %M' -o "$work/time" "$orvtext" "$input" "${policies[@]}" -overwrite >/dev/null 2>&1 || true
    read -r s k < <(tail -n 1 "$work/time")
    if [ -z "$secs" ] || awk -v a="$s" -v b="$secs" 'BEGIN { exit !(a < b) }'; then secs=$s; fi
    if [ "$k" -gt "$kb" ]; then kb=$k; fi
  done
  awk -v n="$name" -v s="$size" -v t="$secs" -v k="$kb" 'BEGIN {
    mb = s / 1048576; peak = k / 1024;
    rate = (t > 0) ? mb / t : 0; ratio = (s > 0) ? (k * 1024) / s : 0;
    printf "%-20s %10.2f %9.2f %9.1f %10.1f %8.2f\n", n, mb, t, rate, peak, ratio }'
  rm -f "${input%.htm}.txt"
done
