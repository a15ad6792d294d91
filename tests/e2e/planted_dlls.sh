#!/usr/bin/env bash
# A DLL planted beside the program under a system DLL's name is never
# loaded. The program is copied into a folder that also holds version.dll,
# uxtheme.dll and cryptbase.dll (a DLL that does nothing), and Wine is told
# to prefer a DLL it finds in the search path to its own of those names: the
# Welcome page must appear, and Wine's loader trace must name none of the
# planted files. A program that imports those system DLLs' users (user32,
# setupapi, comctl32) as Windows loads the program, before WinMain restricts
# the search, loads version.dll from that folder.
source "$(dirname "$0")/lib.sh"
e2e_begin planted_dlls
seed_default_machine
[ -f "${LW_PLANTED_DLL:-}" ] || e2e_abort "LW_PLANTED_DLL names no DLL"

downloads=$C/downloads
mkdir -p "$downloads"
cp "$LW_EXE" "$downloads/"
for name in version uxtheme cryptbase; do
  cp "$LW_PLANTED_DLL" "$downloads/$name.dll"
done
LW_EXE=$downloads/$(basename "$LW_EXE")

# The driver first, with the harness's settings: only the program's own
# process prefers the planted DLLs and writes the trace.
seed_apply
lw_start_wineserver
drv_start
trace=$E2E_RUN/loaddll.txt
WINEDLLOVERRIDES="$WINEDLLOVERRIDES;version,uxtheme,cryptbase=n,b" WINEDEBUG=+loaddll \
  lw_start 2>"$trace"
if await_page_or_exit "$TITLE" "$WELCOME"; then
  must "could not press Cancel on the Welcome page" drv click "$TITLE" "$WELCOME" "$ID_CANCEL"
  lw_expect_exit 1
else
  e2e_fail "the program ended before its Welcome page appeared"
fi

# Trace lines read: Loaded L"C:\\downloads\\version.dll" at ...: native
loaded_from_downloads=$(grep -i 'Loaded L"C:\\\\downloads\\\\' "$trace")
grep -qi 'downloads\\\\Linkwright[0-9]*\.exe"' <<<"$loaded_from_downloads" ||
  e2e_fail "the loader trace does not show the program itself loaded"
planted=$(grep -vi 'downloads\\\\Linkwright[0-9]*\.exe"' <<<"$loaded_from_downloads")
[ -z "$planted" ] || e2e_fail "planted DLLs were loaded: $planted"

e2e_end
