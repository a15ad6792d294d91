#!/usr/bin/env bash
# The stock usbstor.inf is missing: after Install the INF-selection page
# opens with both default paths filled in; a typed path that names no file
# gives the not-found box and the page again with that path; a path to a
# real copy installs.
source "$(dirname "$0")/lib.sh"
e2e_begin inf_selection
seed_default_machine
rm -f "$(unix_path "$STORAGE_INF")"
seed_file "$E2E_DIR/fixtures/usbstor.inf" 'C:\stock\usbstor.inf'
WARNING=$'Warning: Unable to detect the locations of inf files.Asking user to specify the locations. \r\n'

lw_start
welcome_install
must "the INF-selection page did not appear" drv wait "$INF_TITLE" "$INF_PAGE"
shot inf-selection "$INF_TITLE" "$INF_PAGE"
expect_eq "sync path field" "$(ctl_text "$INF_TITLE" "$INF_PAGE" "$ID_SYNC_PATH")" \
  "${SYNC_INF//\\/\\\\}"
expect_eq "mass-storage path field" "$(ctl_text "$INF_TITLE" "$INF_PAGE" "$ID_STORAGE_PATH")" \
  'C:\\windows\\inf\\usbstor.inf'
expect_eq "warning lines" "$(log_count "$WARNING")" 1

must "could not type a path" drv set-text "$INF_TITLE" "$INF_PAGE" "$ID_STORAGE_PATH" 'C:\stock\nothere.inf'
must "could not press Install" drv click "$INF_TITLE" "$INF_PAGE" "$ID_INSTALL"
answer_box Error "$IDOK" \
  "The file 'usbstor.inf' was not found at the specified path.\\nPlease check the location and try again.\\n"
must "the INF-selection page did not come back" drv wait "$INF_TITLE" "$INF_PAGE"
expect_eq "mass-storage path field after the box" \
  "$(ctl_text "$INF_TITLE" "$INF_PAGE" "$ID_STORAGE_PATH")" 'C:\\stock\\nothere.inf'
expect_eq "warning lines" "$(log_count "$WARNING")" 2

must "could not type a path" drv set-text "$INF_TITLE" "$INF_PAGE" "$ID_STORAGE_PATH" 'C:\stock\usbstor.inf'
must "could not press Install" drv click "$INF_TITLE" "$INF_PAGE" "$ID_INSTALL"
finish_exit "$SUCCESS_TEXT"
lw_expect_exit 0

expect_log_in_order "$WARNING" "$WARNING" 'Created wceusbsh oemxx.inf file [' \
  'Created usbstor oemxx.inf file [' $'Automatic configure successful!\r\n'
expect_installed_inf usbstor "${STORAGE_VENDOR_LINES[@]}"
expect_same_file "$E2E_DIR/fixtures/usbstor.inf" 'C:\stock\usbstor.inf'
expect_log_lacks "ERROR"
e2e_end
