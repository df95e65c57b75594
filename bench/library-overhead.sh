#!/usr/bin/env bash
# What Messlauf adds to a library's µs per puzzle: library_loop (a bare loop over the same slots,
# the same warm-up, one pass with limit 2 timed by the steady clock) and Messlauf --library on the
# same collection, alternated ROUNDS times; the medians of both and their ratio.
#
#   bench/library-overhead.sh BUILD LIBRARY FUNCTION COLLECTION [ROUNDS]
set -eu
build=${1:?the build folder} library=${2:?the library} function=${3:?its function}
collection=${4:?a collection} rounds=${5:-10}
build=$(realpath "$build") library=$(realpath "$library") collection=$(realpath "$collection")
work=$(mktemp -d "${TMPDIR:-/tmp}/kit-overhead.XXXXXX")
trap 'rm -rf "$work"' EXIT
bare=() kit=()
for ((i = 0; i < rounds; ++i)); do
  bare+=("$("$build/bin/library_loop" "$library" "$function" "$collection" | awk '{print $4}')")
  (cd "$work" && "$build/bin/Messlauf" --puzzles "$collection" --no-store --json r.json \
    --library "$library:$function" >/dev/null 2>&1) || true  # a floor answers wrongly
  # The pass of the run ÷ the puzzles, which a wrong run has as well.
  kit+=("$(python3 -c 'import json,sys; s=json.load(open(sys.argv[1]))["sets"][0]; print(s["solvers"][0]["runs"][-1]["monotonic_seconds"] / s["count"] * 1e6)' "$work/r.json")")
done
python3 - "${bare[*]}" "${kit[*]}" <<'PY'
import statistics, sys
bare = [float(x) for x in sys.argv[1].split()]
kit = [float(x) for x in sys.argv[2].split()]
b, k = statistics.median(bare), statistics.median(kit)
print(f"library_loop: median {b:.4f} µs je Rätsel ({len(bare)} Läufe)")
print(f"Messlauf:     median {k:.4f} µs je Rätsel ({len(kit)} Läufe)")
print(f"Messlauf ÷ library_loop: {k / b:.4f}")
PY
