#!/bin/sh
# Builds the benchmark corpus: every HTML page of Debian's postgresql-doc-15
# package concatenated into bench/corpus/pgdoc.html (about 16 MB of real
# HTML). Installs the package first when it is missing.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
doc_dir=/usr/share/doc/postgresql-doc-15/html
out_dir="$here/corpus"
out_file="$out_dir/pgdoc.html"

if ! ls "$doc_dir"/*.html >/dev/null 2>&1; then
  echo "Installing postgresql-doc-15 ..."
  apt-get update
  apt-get install -y postgresql-doc-15
fi

mkdir -p "$out_dir"
cat "$doc_dir"/*.html > "$out_file"
echo "Wrote $out_file ($(wc -c < "$out_file") bytes)"
