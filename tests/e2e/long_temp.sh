#!/usr/bin/env bash
# A temporary folder of 250 characters leaves no room for the temporary
# file's name: the patched copy goes to the current folder, by its full
# name (the Setup API takes no other), and the install succeeds. Only XP
# puts the copy in the user's temporary folder.
source "$(dirname "$0")/lib.sh"
e2e_begin long_temp
windows_version winxp64
seed_default_machine
temp='C:\t'
while [ ${#temp} -lt 250 ]; do temp="$temp\\abcdefghijklmnopqrstuvwxyz"; done
temp=${temp:0:250}
mkdir -p "$(unix_path "$temp")"
seed_reg 'HKEY_CURRENT_USER\Environment' TEMP sz "$temp"
seed_reg 'HKEY_CURRENT_USER\Environment' TMP sz "$temp"

lw_start
welcome_install
finish_exit "$SUCCESS_TEXT"
lw_expect_exit 0

expect_log_in_order 'Path of temporary wceusbsh inf file is [C:\run\abk' \
  'Created wceusbsh oemxx.inf file [' 'Created usbstor oemxx.inf file ['
expect_installed_inf usbstor "${STORAGE_VENDOR_LINES[@]}"
expect_log_lacks "ERROR"
e2e_end
