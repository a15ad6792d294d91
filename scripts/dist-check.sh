#!/usr/bin/env bash
# Builds the release bundle twice, from two clean clones of HEAD in folders
# of different names and depths, and fails unless both zips are identical.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/lw-dist-XXXXXX")
trap 'rm -rf "$work"' EXIT
sums=()
for dir in a/Linkwright second-clone/deeper/src; do
  git clone -q "$ROOT" "$work/$dir"
  sums+=("$(cd "$work/$dir" && bash scripts/dist.sh | awk '{print $2}')")
done
echo "release bundle from two clones: ${sums[0]} ${sums[1]}"
[ "${sums[0]}" = "${sums[1]}" ] || { echo "FAIL: the two builds differ" >&2; exit 1; }
