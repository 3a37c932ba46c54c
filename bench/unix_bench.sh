#!/usr/bin/env bash
# What a Unix user notices: the cost of one conversion in a crowded folder,
# of many file names given one by one, of a batch on one thread and on
# every core, and of a shell loop of one process per file beside the same
# loop with `links -dump`.
#
#   bench/unix_bench.sh [OLD_BINARY]
#
# Every figure is the best of RUNS runs (default 5): the machine is shared.
# With OLD_BINARY the folder cases are run with it too, side by side.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
old=${1:-}
runs=${RUNS:-5}
pages=/usr/share/doc/postgresql-doc-15/html

"$root/scripts/bootstrap"
cmake -S "$root" -B "$root/build-rel" -DCMAKE_BUILD_TYPE=Release -DORVTEXT_TESTS=OFF >/dev/null
cmake --build "$root/build-rel" -j"$(nproc)" --target orvtext >/dev/null
new="$root/build-rel/orvtext"
[ -d "$pages" ] || { apt-get update -qq && apt-get install -y -qq postgresql-doc-15; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ORVTEXT_SETTINGS="$work/none.ini"

# best SECONDS of `runs` runs of the command
best() {
  local best_time=""
  for _ in $(seq "$runs"); do
    local start end took
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    took=$(echo "$end - $start" | bc)
    if [ -z "$best_time" ] || [ "$(echo "$took < $best_time" | bc)" = 1 ]; then best_time=$took; fi
  done
  printf '%.3f' "$best_time"
}

page="$pages/sql-select.html"
mkdir -p "$work/empty" "$work/crowded"
cp "$page" "$work/empty/page.htm"
cp "$page" "$work/crowded/page.htm"
for i in $(seq 1 10000); do : > "$work/crowded/f$i.htm"; done
mkdir -p "$work/names"
# Small pages, so the run's cost is finding the files rather than converting.
for i in $(seq 1 1000); do echo "<p>page $i</p>" > "$work/names/n$i.htm"; done

echo "uptime: $(uptime)"
for binary in $old $new; do
  echo "== $binary"
  in_empty=$(cd "$work/empty" && best "$binary" page.htm -silent)
  in_crowded=$(cd "$work/crowded" && best "$binary" page.htm -silent)
  echo "one file, empty folder:          $in_empty s"
  echo "one file, folder of 10,000 files: $in_crowded s"
  names=$(cd "$work/names" && ls n*.htm)
  # shellcheck disable=SC2086
  one_by_one=$(cd "$work/names" && best "$binary" $names -silent --jobs=1)
  echo "1,000 names given one by one:     $one_by_one s"
done

echo "== $new, the $(ls "$pages"/*.html | wc -l) pages of postgresql-doc as one batch"
mkdir -p "$work/out"
# The two are run in turn, so that both meet the same load.
one=""
all=""
for _ in $(seq "$runs"); do
  took=$(cd "$pages" && runs=1 best "$new" '*.html' -silent -output="$work/out/*.txt" --jobs=1)
  if [ -z "$one" ] || [ "$(echo "$took < $one" | bc)" = 1 ]; then one=$took; fi
  took=$(cd "$pages" && runs=1 best "$new" '*.html' -silent -output="$work/out/*.txt")
  if [ -z "$all" ] || [ "$(echo "$took < $all" | bc)" = 1 ]; then all=$took; fi
done
echo "--jobs=1:               $one s"
echo "default ($(nproc) cores): $all s ($(echo "scale=2; $all / $one" | bc) of one thread)"

echo "== a shell loop, one process per page"
loop_orvtext() { for f in "$pages"/*.html; do "$new" "$f" -console >/dev/null; done; }
loop_links() { for f in "$pages"/*.html; do links -dump "$f" >/dev/null; done; }
runs=${LOOP_RUNS:-3}
echo "orvtext FILE -console:  $(best loop_orvtext) s"
if command -v links >/dev/null; then
  echo "links -dump FILE:       $(best loop_links) s"
fi
