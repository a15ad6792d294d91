#!/usr/bin/env bash
# A 32-bit ActiveSync 4.5 on 64-bit Windows keeps its key in the 32-bit
# registry view (HKLM\Software\Wow6432Node) alone: the 64-bit program reads
# its version and folder there and installs as usual, and creates no key
# in its own view.
source "$(dirname "$0")/lib.sh"
e2e_begin activesync_32bit_view
AS_MACHINE_KEY="HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows CE Services"
seed_default_machine

lw_start
welcome_install
finish_exit "$SUCCESS_TEXT"
lw_expect_exit 0

expect_log_in_order \
  $'ActiveSync major version is 4\r\nActiveSync minor version is 5\r\n' \
  "Default path of wceusbsh inf file is [$SYNC_INF]."$'\r\n'
expect_installed_inf wceusbsh "${SYNC_VENDOR_LINES[@]}"
prefix_settle
reg_has_key "HKEY_LOCAL_MACHINE\\$AS_KEY" && e2e_fail "a key was made in the 64-bit view"
e2e_end
