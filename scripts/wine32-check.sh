#!/usr/bin/env bash
# Exit 0 when a 32-bit Wine can start here (Debian's wine32:i386 installed
# and a kernel that runs 32-bit programs), so that the 32-bit build's tests
# can run under Wine too; otherwise says once why they do not, and exits 1.
loader=/usr/lib/wine/wine
if [ -x "$loader" ] && "$loader" --version >/dev/null 2>&1; then
  exit 0
fi
if [ -x "$loader" ]; then
  why="its loader does not start ($("$loader" --version 2>&1 | head -n 1))"
else
  why="wine32:i386 is not installed"
fi
echo "32-bit Wine cannot start here: $why. The 32-bit program is checked" \
  "statically; the Wine tests and scenarios run on the 64-bit program."
exit 1
