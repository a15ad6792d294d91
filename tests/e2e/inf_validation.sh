#!/usr/bin/env bash
# The INF-selection page checks its fields in order and shows one message at
# a time: empty fields, a path over 260 characters; a path of exactly 260
# passes, and as it names no file the not-found box follows. "<- Back" with
# an empty field says nothing and returns to the Welcome page, whose check
# box starts unchecked again. Cancel there ends the run with 1, and nothing
# was changed.
source "$(dirname "$0")/lib.sh"
e2e_begin inf_validation
seed_default_machine
rm -f "$(unix_path "$SYNC_INF")"
before=$(inf_listing)
path260='C:\'$(printf 'd%.0s' {1..120})'\'$(printf 'f%.0s' {1..132})'.inf'
path261='C:\'$(printf 'd%.0s' {1..121})'\'$(printf 'f%.0s' {1..132})'.inf'
[ ${#path260} -eq 260 ] && [ ${#path261} -eq 261 ] || e2e_abort "test paths have the wrong length"

lw_start
welcome_install tick
must "the INF-selection page did not appear" drv wait "$INF_TITLE" "$INF_PAGE"

set_fields() {
  must "could not set the sync path" drv set-text "$INF_TITLE" "$INF_PAGE" "$ID_SYNC_PATH" "$1"
  must "could not set the mass-storage path" drv set-text "$INF_TITLE" "$INF_PAGE" "$ID_STORAGE_PATH" "$2"
}
# install_refused MESSAGE: Install shows MESSAGE in a box owned by the page,
# only that one, and the page stays.
install_refused() {
  must "could not press Install" drv click "$INF_TITLE" "$INF_PAGE" "$ID_INSTALL"
  answer_box Error "$IDOK" "$1"
  sleep 0.5
  drv exists Error "$BOX_TEXT" && e2e_fail "a second message followed '$1'"
  drv exists "$INF_TITLE" "$INF_PAGE" || e2e_abort "the INF-selection page closed after '$1'"
}

set_fields "" ""
install_refused "The path for wceusbsh.inf has not been specified."
set_fields "$path261" 'C:\windows\inf\usbstor.inf'
install_refused "The path for wceusbsh.inf is too long."
set_fields "$path260" ""
install_refused "The path for usbstor.inf has not been specified."
set_fields "$path260" "$path261"
install_refused "The path for usbstor.inf is too long."

set_fields "$path260" 'C:\windows\inf\usbstor.inf'
must "could not press Install" drv click "$INF_TITLE" "$INF_PAGE" "$ID_INSTALL"
answer_box Error "$IDOK" \
  "The file 'wceusbsh.inf' was not found at the specified path.\\nPlease check the location and try again.\\n"
must "the INF-selection page did not come back" drv wait "$INF_TITLE" "$INF_PAGE"
expect_eq "sync path field after the box" \
  "$(ctl_text "$INF_TITLE" "$INF_PAGE" "$ID_SYNC_PATH")" "${path260//\\/\\\\}"

set_fields "$path260" ""
must "could not press Back" drv click "$INF_TITLE" "$INF_PAGE" "$ID_BACK"
must "Back did not lead to the Welcome page" drv wait "$TITLE" "$WELCOME"
drv exists Error "$BOX_TEXT" && e2e_fail "Back with an empty field showed a message"
expect_eq "check box after Back" "$(drv checked "$TITLE" "$WELCOME" "$ID_GENERIC" | tr -d '\r')" 0
must "could not press Cancel" drv click "$TITLE" "$WELCOME" "$ID_CANCEL"
lw_expect_exit 1

expect_eq "warning lines" \
  "$(log_count $'Warning: Unable to detect the locations of inf files.Asking user to specify the locations. \r\n')" 2
expect_log_ends_with "$ABORTED"
expect_log_lacks "Backing up" "Creating a copy"
expect_no_file "$AS_DIR\\drivers\\abkBackup"
expect_no_file 'C:\windows\system32\drivers\abkBackup'
expect_eq "files in C:\\windows\\inf" "$(inf_listing)" "$before"
expect_reg "HKEY_CURRENT_USER\\$AS_KEY" ConnectTypesAllowed "REG_DWORD 0x3"
e2e_end
