#!/usr/bin/env bash
# Converts the same documents with two orvtext binaries and reports every
# output, message or exit status that differs, the "Create date" line of the
# header aside. The messages are those of a log file (-log), which holds
# every message the policies let through; the console output itself carries
# none. Use it to show that a change leaves the output byte for byte as it
# was, or to see exactly which documents a behaviour change touches.
#
#   bench/compare_outputs.sh OLD_BINARY NEW_BINARY [FOLDER...]
#
# Without folders it takes tests/data/detag, the pages of
# /usr/share/doc/postgresql-doc-15/html and /usr/share/doc/python3*/html when
# installed, bench/corpus/pgdoc.html when made, and ../shared/corpus/web.
# Every document is converted in text mode and in markup removal (-detag).
# A binary compared with itself gives "0 differ"; the exit status is 0 only
# when nothing differs.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
old=$(realpath "$1")
new=$(realpath "$2")
shift 2
folders=("$@")
if [ ${#folders[@]} -eq 0 ]; then
  folders=("$here/../tests/data/detag")
  [ -d /usr/share/doc/postgresql-doc-15/html ] && folders+=(/usr/share/doc/postgresql-doc-15/html)
  [ -d /usr/share/doc/python3-doc/html ] && folders+=(/usr/share/doc/python3-doc/html/)
  [ -f "$here/corpus/pgdoc.html" ] && folders+=("$here/corpus")
  [ -d "$here/../../shared/corpus/web" ] && folders+=("$here/../../shared/corpus/web")
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
strip_date() { sed 's/^\(| Create date  : \).*/\1/' "$1"; }
compared=0
differ=0
for folder in "${folders[@]}"; do
  folder=$(realpath "$folder")  # the conversions run in the scratch folders
  while IFS= read -r -d '' file; do
    for mode in text detag; do
      extra=()
      [ "$mode" = detag ] && extra=(-detag)
      for side in old new; do
        bin=$old
        [ $side = new ] && bin=$new
        mkdir -p "$scratch/$side"
        rm -f "$scratch/$side/log"
        (cd "$scratch/$side" && "$bin" "$file" -console -log="$scratch/$side/log" "${extra[@]}" \
          >"$scratch/$side/out" 2>"$scratch/$side/err"; echo "exit $?" >>"$scratch/$side/err")
        strip_date "$scratch/$side/out" >"$scratch/$side/out.cmp"
        # The log names itself; the two sides' logs lie in different folders.
        [ -f "$scratch/$side/log" ] && sed "s|$scratch/$side/|SCRATCH/|g" "$scratch/$side/log" >>"$scratch/$side/err"
      done
      compared=$((compared + 1))
      if ! cmp -s "$scratch/old/out.cmp" "$scratch/new/out.cmp" ||
         ! cmp -s "$scratch/old/err" "$scratch/new/err"; then
        differ=$((differ + 1))
        echo "differs ($mode): $file"
      fi
    done
  done < <(find -L "$folder" -type f \( -name '*.htm' -o -name '*.html' \) -print0 | sort -z)
done
echo "compared $compared conversions, $differ differ"
[ "$differ" -eq 0 ]
