#!/usr/bin/env bash
# check-pin.sh PROGRAM PIN_SOURCE: the pin the 32-bit program carries is
# the image hash that osslsigncode calculates for PROGRAM once it is
# signed, so a release signed after the build still hands over.
set -euo pipefail
program=$1
pin_source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" \
  -subj /CN=release-check -days 1 2>/dev/null
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -h sha256 \
  -in "$program" -out "$work/signed.exe" >/dev/null
# The throwaway certificate is trusted by nobody: verify fails, after
# printing the digests.
calculated=$({ osslsigncode verify -in "$work/signed.exe" 2>&1 || true; } |
  awk '/^Calculated message digest/ {print tolower($NF)}')
pinned=$(grep -o '0x[0-9a-f][0-9a-f]' "$pin_source" | tr -d '\n' | sed 's/0x//g')
[ -n "$calculated" ] || { echo "FAIL: osslsigncode calculated no digest" >&2; exit 1; }
[ "$calculated" = "$pinned" ] ||
  { echo "FAIL: pinned $pinned, osslsigncode calculates $calculated" >&2; exit 1; }
echo "pin $pinned is the signed program's image hash"
