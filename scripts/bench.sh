#!/usr/bin/env bash
# Benchmarks the INF engine on generated stock-like files of 64 KiB, 4 MiB
# and 64 MiB: Google Benchmark in-process timings, then whole processes
# (linkwright-infpatch against a plain fgets/fputs copy) for time and peak
# resident memory. Prints figures only; never fails a build on them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/native
data=$root/build/bench-data
mkdir -p "$data"

for tool in bench/gen_stock_inf bench/line_copy bench/peak_rss bench/inf_patch_bench \
            tools/linkwright-infpatch; do
  if [[ ! -x $build/$tool ]]; then
    echo "bench.sh: $build/$tool is missing; run 'make native' first" >&2
    exit 1
  fi
done

declare -A bytes=([64K]=65536 [4M]=4194304 [64M]=67108864)
for size in 64K 4M 64M; do
  file=$data/stock-$size.inf
  [[ -f $file ]] || "$build/bench/gen_stock_inf" "${bytes[$size]}" "$file"
done

echo "== in-process (Google Benchmark) =="
LW_BENCH_DIR=$data "$build/bench/inf_patch_bench" --benchmark_counters_tabular=true

echo
echo "== whole process: best of 3 runs =="
printf '%-5s %-22s %10s %12s %14s\n' size program seconds MiB/s "peak RSS KiB"
measure() {  # prints "seconds rss" of the fastest of three runs
  local best="" line
  for _ in 1 2 3; do
    line=$("$build/bench/peak_rss" "$@")
    if [[ -z $best ]] || awk -v a="${line%% *}" -v b="${best%% *}" 'BEGIN{exit !(a<b)}'; then
      best=$line
    fi
  done
  echo "$best"
}
for size in 64K 4M 64M; do
  file=$data/stock-$size.inf
  actual=$(stat -c %s "$file")
  read -r copy_s copy_rss _ < <(measure "$build/bench/line_copy" "$file" "$data/copy.inf")
  read -r patch_s patch_rss _ < <(measure "$build/tools/linkwright-infpatch" --table storage \
    --gen60 "$file" "$data/patched.inf")
  for row in "fgets/fputs copy:$copy_s:$copy_rss" "linkwright-infpatch:$patch_s:$patch_rss"; do
    IFS=: read -r name s rss <<<"$row"
    printf '%-5s %-22s %10.4f %12.1f %14s\n' "$size" "$name" "$s" \
      "$(awk -v b="$actual" -v s="$s" 'BEGIN{print b/1048576/s}')" "$rss"
  done
  awk -v p="$patch_s" -v c="$copy_s" -v n="$size" \
    'BEGIN{printf "%-5s patch/copy time ratio: %.2f (target at most 3)\n", n, p/c}'
done
