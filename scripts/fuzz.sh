#!/usr/bin/env bash
# Runs the INF engine's fuzz target for SECONDS (default 60), seeded with the
# shared corpus of real INF files. Exits non-zero on a finding; the input
# that caused it is left in build/fuzz/artifacts/.
set -euo pipefail
seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/fuzz
fuzzer=$build/infpatch/inf_patch_fuzz
shared=${LW_SHARED_DIR:-$root/../shared}

if [[ ! -x $fuzzer ]]; then
  echo "fuzz.sh: $fuzzer is missing; run 'make fuzz-build' first" >&2
  exit 1
fi
# The fuzzer adds what it finds to its corpus: a copy, never the shared one.
corpus=$build/corpus/inf_patch
artifacts=$build/artifacts
mkdir -p "$corpus" "$artifacts"
if [[ -d $shared/corpus/inf ]]; then
  cp -n "$shared"/corpus/inf/*.inf "$corpus"/ 2>/dev/null || true
fi

echo "fuzzing the INF engine for ${seconds}s"
# Inputs up to 4 KiB: an INF line is at most 260 characters, and what the
# engine reacts to (headers, the lines of its tables, line ends, encodings)
# fits in a few of them; a larger input only repeats it, slowly. The corpus
# files are read up to that length.
"$fuzzer" -max_total_time="$seconds" -timeout=10 -max_len=4096 \
  -artifact_prefix="$artifacts/" -print_final_stats=1 "$corpus" 2>"$build/fuzz.log" || {
  code=$?
  tail -n 60 "$build/fuzz.log" >&2
  echo "fuzz.sh: finding (exit $code); see $artifacts/" >&2
  exit "$code"
}
grep -E '^(#[0-9]+.*DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$build/fuzz.log" || true
# Executions a second over the whole run.
awk -v s="$seconds" '/^stat::number_of_executed_units/ {printf "%d executions a second\n", $2 / s}' \
  "$build/fuzz.log"
