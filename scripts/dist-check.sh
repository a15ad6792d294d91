#!/usr/bin/env bash
# Builds the release bundle twice, from two clean clones of HEAD in folders
# of different names and depths, and fails unless both zips are identical
# and hold every program of the release.
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
zip=$(ls "$work/a/Linkwright/dist/"*.zip)
name=$(basename "$zip" .zip)
expected=$(printf "$name/%s\n" Linkwright.exe Linkwright64.exe LinkwrightRemove.exe \
  LinkwrightRemove64.exe README.txt SHA256SUMS linkwright-infpatch.exe | LC_ALL=C sort)
[ "$(unzip -Z1 "$zip" | LC_ALL=C sort)" = "$expected" ] ||
  { echo "FAIL: the bundle holds $(unzip -Z1 "$zip" | tr '\n' ' ')" >&2; exit 1; }
