# Shared by the benchmarks that convert built shapes (memory_bench.sh,
# scaling_bench.sh); sourced with `root`, `binary` and `bench` set. Builds
# the Release binary when it is missing, checks for GNU time, and makes a
# scratch folder `work` (removed on exit) with no settings file in force.
if [ ! -x "$binary" ]; then
  cmake -S "$root" -B "$root/build-rel" -DCMAKE_BUILD_TYPE=Release -DORVTEXT_TESTS=OFF >/dev/null
  cmake --build "$root/build-rel" -j2 --target orvtext >/dev/null
fi
if [ ! -x /usr/bin/time ]; then
  echo "$bench: /usr/bin/time is missing (apt-get install time)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ORVTEXT_SETTINGS="$work/no-settings.ini"
