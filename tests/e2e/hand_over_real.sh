#!/usr/bin/env bash
# The hand-over for real, run by the 32-bit build: in a 64-bit prefix the
# 32-bit Linkwright.exe, emulated, finds itself under WOW64 and starts the
# real Linkwright64.exe beside it, which runs natively; its wizard is
# driven through Install to the finish page, and the run ends with its exit
# code. The log holds that one run: the 32-bit program writes nothing.
# Then the removal program the same way: the 32-bit LinkwrightRemove.exe
# hands over to LinkwrightRemove64.exe, which finds and removes what the
# install left.
source "$(dirname "$0")/lib.sh"
e2e_begin hand_over_real
[ -f "${LW_EXE64:-}" ] || e2e_abort "missing the 64-bit program '${LW_EXE64:-}'"
PROG=$C/prog
mkdir -p "$PROG"
cp "$LW_EXE" "$PROG/Linkwright.exe"
cp "$LW_EXE64" "$PROG/Linkwright64.exe"
cp "$LW_REMOVE_EXE" "$PROG/LinkwrightRemove.exe"
cp "$LW_REMOVE_EXE64" "$PROG/LinkwrightRemove64.exe"
LW_EXE=$PROG/Linkwright.exe
seed_default_machine

# What runs the program NAME of C:\prog in this prefix: qemu-i386-static
# for a 32-bit process, wine64 for a 64-bit one. A process's command line
# starts with the program's Windows path (or host path, when started from
# one), after the emulator's arguments up to the 32-bit loader.
runner_of() {
  local p cmd re="^[^ ]*[/\\]prog[/\\]${1//./\\.} "
  for p in /proc/[0-9]*; do
    grep -qzxF "WINEPREFIX=$E2E_PREFIX" "$p/environ" 2>/dev/null || continue
    cmd=$(tr '\0' ' ' <"$p/cmdline")
    [[ "${cmd#* */wine.elf }" =~ $re ]] && basename "$(readlink "$p/exe")"
  done
}

lw_start
must "the Welcome page did not appear" drv wait "$TITLE" "$WELCOME" 60000
expect_eq "what runs Linkwright.exe" "$(runner_of Linkwright.exe)" qemu-i386-static
expect_eq "what runs Linkwright64.exe" "$(runner_of Linkwright64.exe)" wine64
welcome_install
finish_exit "$SUCCESS_TEXT"
lw_expect_exit 0

expect_banners 1
expect_log_ends_with $'Automatic configure successful!\r\n'
expect_log_lacks "ERROR" "WARNING" "Warning: "
# The 64-bit program sees System32 itself, not WOW64's SysWOW64.
expect_same_file "$STORAGE_SYS" 'C:\windows\system32\drivers\abkBackup\usbstor.sys'
expect_no_file 'C:\windows\syswow64\drivers\abkBackup'
expect_installed_inf usbstor "${STORAGE_VENDOR_LINES[@]}"
storage_inf=$INSTALLED_INF

LW_EXE=$PROG/LinkwrightRemove.exe lw_start
must "the removal page did not appear" drv wait "$REMOVAL_TITLE" "$REMOVAL_OFFER" 60000
expect_eq "what runs LinkwrightRemove.exe" "$(runner_of LinkwrightRemove.exe)" qemu-i386-static
expect_eq "what runs LinkwrightRemove64.exe" "$(runner_of LinkwrightRemove64.exe)" wine64
press "$REMOVAL_TITLE" "$REMOVAL_OFFER" "$ID_REMOVE"
must "the outcome did not appear" drv wait "$REMOVAL_TITLE" "$REMOVAL_DONE" 60000
must "could not press Exit" drv click "$REMOVAL_TITLE" "$REMOVAL_DONE" "$ID_EXIT"
lw_expect_exit 0
expect_log_ends_with $'Removal complete.\r\n'
expect_eq "removal banners in the log" \
  "$(log_count "Beginning Tarvel Brannock Linkwright Removal"$'\r\n')" 1
expect_no_file "$storage_inf"
e2e_end
