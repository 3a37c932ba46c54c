#!/usr/bin/env bash
# orvtext beside its peers and beside the floor, in one run and one table:
# - the one-pass floor (bench/text_floor.cpp: read, memchr for '<' and '>',
#   write the text between) on the same input, and orvtext's distance to it;
# - the postgresql-doc corpus as one 16 MB file (bench/corpus/pgdoc.html):
#   orvtext as it runs by default (a second thread per large file) and on
#   one thread (ORVTEXT_THREADS=1), `links -dump -width 72` and
#   `w3m -dump -cols 72`: best wall time, orvtext's time over links', and the
#   peak memory (GNU time's maximum resident set) over the input size;
# - the 1,169 postgresql-doc pages as one batch (orvtext with its default
#   jobs and with --jobs=1, the floor in one process; links and w3m one
#   process per page, as they cannot take a batch);
# - the web pages of ../shared/corpus/web as one batch, the same way.
#
#   bench/speed_bench.sh                    # build-rel/orvtext, RUNS=5
#   RUNS=9 bench/speed_bench.sh
#   ORVTEXT=/tmp/old-orvtext bench/speed_bench.sh
#   OLD=/tmp/old-orvtext bench/speed_bench.sh   # an older binary too, in the same rounds
#   WEB=/some/folder/of/pages bench/speed_bench.sh
#
# Every program of a group runs once per round, in turn, for RUNS rounds,
# so that all meet the same load on a shared machine (the new and the old
# orvtext swap places every round); the table shows each one's fastest
# and median rounds and its largest peak memory. Say what else ran (the
# script prints `uptime` before and after).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
runs=${RUNS:-5}
pages=/usr/share/doc/postgresql-doc-15/html
web=${WEB:-$root/../shared/corpus/web}

command -v /usr/bin/time >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq time; }
for peer in links w3m; do
  command -v $peer >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq $peer; }
done
# The floor is built in Release beside orvtext; orvtext too unless ORVTEXT names one.
targets=(text_floor)
[ -n "${ORVTEXT:-}" ] || targets+=(orvtext)
if [ ! -x "$root/build-rel/text_floor" ] || [ -z "${ORVTEXT:-}" ]; then
  "$root/scripts/bootstrap" >/dev/null
  cmake -S "$root" -B "$root/build-rel" -DCMAKE_BUILD_TYPE=Release -DORVTEXT_TESTS=OFF >/dev/null
  cmake --build "$root/build-rel" -j"$(nproc)" --target "${targets[@]}" >/dev/null
fi
orvtext=$(realpath "${ORVTEXT:-$root/build-rel/orvtext}")
old=${OLD:+$(realpath "$OLD")}
floor="$root/build-rel/text_floor"
[ -f "$here/corpus/pgdoc.html" ] || "$here/make_corpus.sh" >/dev/null
corpus="$here/corpus/pgdoc.html"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ORVTEXT_SETTINGS="$work/none.ini"  # no stored settings steer the run

declare -A best_ms all_ms cpu_ms peak_kb
# measure KEY COMMAND...: one run; keeps every wall time (ms) and the
# least of them, the least processor time (user and system, ms; a busy machine disturbs it
# less) and the largest peak memory (KB) of KEY. The command's output goes
# to $work/out.
measure() {
  local key=$1 start end took peak cpu
  shift
  rm -rf "$work/out" && mkdir -p "$work/out"
  start=$(date +%s%N)
  /usr/bin/time -f '%M %U %S' -o "$work/peak" "$@" >"$work/out/stdout" 2>"$work/stderr" ||
    { echo "failed: $*" >&2; tail -3 "$work/stderr" >&2; }
  end=$(date +%s%N)
  took=$(((end - start) / 1000000))
  read -r peak user system < <(tail -1 "$work/peak")
  cpu=$(echo "($user + $system) * 1000 / 1" | bc)
  if [ -z "${best_ms[$key]:-}" ] || [ "$took" -lt "${best_ms[$key]}" ]; then best_ms[$key]=$took; fi
  all_ms[$key]="${all_ms[$key]:-} $took"
  if [ -z "${cpu_ms[$key]:-}" ] || [ "$cpu" -lt "${cpu_ms[$key]}" ]; then cpu_ms[$key]=$cpu; fi
  if [ -z "${peak_kb[$key]:-}" ] || [ "$peak" -gt "${peak_kb[$key]}" ]; then peak_kb[$key]=$peak; fi
}

# Peers that take one page per process, over every page of a folder.
each_page() {  # folder, then the peer's command before the file name
  local folder=$1 f
  shift
  for f in "$folder"/*.html; do "$@" "$f" >"$work/out/$(basename "$f").txt"; done
}
export -f each_page
export work

# The two orvtext binaries take turns at going first: on a shared machine
# the program run just after another one may be a few percent slower or
# faster, and a fixed order would give that to the same binary each round.
round=0
in_turn() {  # function, then its arguments for the new binary and for the old
  local run=$1
  if [ -z "$old" ]; then
    "$run" "$2" "$3"
  elif [ $((round % 2)) -eq 1 ]; then
    "$run" "$2" "$3"
    "$run" "$4" "$5"
  else
    "$run" "$4" "$5"
    "$run" "$2" "$3"
  fi
}

pg_one() {  # key, binary
  measure "pg.$1" "$2" "$corpus" -silent -output="$work/out/pgdoc.txt"
  measure "pg.${1}1" env ORVTEXT_THREADS=1 "$2" "$corpus" -silent -output="$work/out/pgdoc.txt"
}

one_file() {
  measure pg.floor "$floor" "$corpus" "$work/out/pgdoc.txt"
  in_turn pg_one orvtext "$orvtext" old "$old"
  measure pg.links links -dump -width 72 "$corpus"
  measure pg.w3m w3m -dump -cols 72 "$corpus"
}

batch_one() {  # key (group.binary), binary
  measure "$1" "$2" "$folder/*.html" -silent -output="$work/out/*.txt"
  measure "${1}1" "$2" "$folder/*.html" -silent -output="$work/out/*.txt" --jobs=1
}

batch() {  # key prefix, folder
  local key=$1 folder=$2
  measure "$key.floor" bash -c '"$0" --batch "$work/out" "$1"/*.html' "$floor" "$folder"
  in_turn batch_one "$key.orvtext" "$orvtext" "$key.old" "$old"
  measure "$key.links" bash -c 'each_page "$0" links -dump -width 72' "$folder"
  measure "$key.w3m" bash -c 'each_page "$0" w3m -dump -cols 72' "$folder"
}

echo "uptime: $(uptime)"
echo "orvtext: $orvtext ($(nproc) cores, RUNS=$runs)"
[ -z "$old" ] || echo "old: $old"
for round in $(seq "$runs"); do
  one_file
  batch pages "$pages"
  [ -d "$web" ] && batch web "$web"
done

size_of() { du -cb "$@" | tail -1 | cut -f1; }
# ratio A B [DIGITS]: A / B rounded (not cut) to DIGITS decimals, 2 by default.
ratio() { awk -v a="$1" -v b="$2" -v d="${3:-2}" 'BEGIN { printf "%.*f", d, a / b }'; }
# median KEY: the middle one of the key's times (the lower middle of an even
# count).
median() { tr ' ' '\n' <<<"${all_ms[$1]}" | grep . | sort -n | awk '{t[NR] = $1} END { print t[int((NR + 1) / 2)] }'; }
row() {  # key, label, input bytes, the key's group
  local key=$1 label=$2 bytes=$3 group=$4 ms
  ms=${best_ms[$key]:-}
  [ -n "$ms" ] || return 0
  local per_floor="" per_links=""
  [ "$key" != "$group.floor" ] && per_floor="$(ratio "$ms" "${best_ms[$group.floor]}")x"
  [ "$key" != "$group.links" ] && per_links=$(ratio "$ms" "${best_ms[$group.links]}" 3)
  printf '%-36s %8d %8d %8d %8.1f %9s %8s %8d %7s\n' "$label" "$ms" "$(median "$key")" \
    "${cpu_ms[$key]}" "$(echo "scale=1; $bytes * 1000 / 1048576 / $ms" | bc)" "$per_floor" "$per_links" \
    "$((peak_kb[$key] / 1024))" "$(ratio $((peak_kb[$key] * 1024)) "$bytes")"
}

echo
printf '%-36s %8s %8s %8s %8s %9s %8s %8s %7s\n' "case" "wall ms" "median" "cpu ms" "MB/s" \
  "x floor" "/ links" "peak MB" "/ input"
corpus_bytes=$(size_of "$corpus")
echo "-- postgresql-doc as one file ($((corpus_bytes / 1048576)) MB)"
row pg.floor "floor (one pass, memchr)" "$corpus_bytes" pg
row pg.orvtext "orvtext" "$corpus_bytes" pg
row pg.orvtext1 "orvtext, ORVTEXT_THREADS=1" "$corpus_bytes" pg
row pg.old "old orvtext" "$corpus_bytes" pg
row pg.old1 "old orvtext, ORVTEXT_THREADS=1" "$corpus_bytes" pg
row pg.links "links -dump -width 72" "$corpus_bytes" pg
row pg.w3m "w3m -dump -cols 72" "$corpus_bytes" pg
pages_bytes=$(size_of "$pages"/*.html)
echo "-- the $(ls "$pages"/*.html | wc -l) postgresql-doc pages as one batch ($((pages_bytes / 1048576)) MB)"
row pages.floor "floor, one process" "$pages_bytes" pages
row pages.orvtext "orvtext, default jobs" "$pages_bytes" pages
row pages.orvtext1 "orvtext --jobs=1" "$pages_bytes" pages
row pages.old "old orvtext, default jobs" "$pages_bytes" pages
row pages.old1 "old orvtext --jobs=1" "$pages_bytes" pages
row pages.links "links, one process per page" "$pages_bytes" pages
row pages.w3m "w3m, one process per page" "$pages_bytes" pages
if [ -d "$web" ]; then
  web_bytes=$(size_of "$web"/*.html)
  echo "-- the $(ls "$web"/*.html | wc -l) web pages as one batch ($((web_bytes / 1048576)) MB)"
  row web.floor "floor, one process" "$web_bytes" web
  row web.orvtext "orvtext, default jobs" "$web_bytes" web
  row web.orvtext1 "orvtext --jobs=1" "$web_bytes" web
  row web.old "old orvtext, default jobs" "$web_bytes" web
  row web.old1 "old orvtext --jobs=1" "$web_bytes" web
  row web.links "links, one process per page" "$web_bytes" web
  row web.w3m "w3m, one process per page" "$web_bytes" web
fi
echo
echo "uptime: $(uptime)"
