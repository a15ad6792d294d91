#!/usr/bin/env bash
# ActiveSync 6.1 with the prefix set to XP x64: nothing is signed. The
# patched copies go to the user's temporary folder, name no catalog and
# keep the %12%\ that the patch puts at the head of [SourceDisksFiles];
# no certificate is made and no catalog installed.
source "$(dirname "$0")/lib.sh"
e2e_begin xp_no_catalog
windows_version winxp64
seed_activesync 6 1
seed_connect_types 3
seed_file "$E2E_DIR/fixtures/wceusbsh.inf" 'C:\windows\inf\wceusbsh.inf'
seed_driver 'C:\windows\system32\drivers\winusb.sys'
seed_file "$E2E_DIR/fixtures/usbstor.inf" "$STORAGE_INF"
seed_driver "$STORAGE_SYS"

lw_start
welcome_install
finish_exit "$SUCCESS_TEXT"
lw_expect_exit 0

expect_log_in_order 'Path of temporary winusb inf file is [C:\users\' \
  $'Creating a copy of winusb inf file.\r\n' 'Created winusb oemxx.inf file [' \
  'Path of temporary usbstor inf file is [C:\users\' \
  $'Creating a copy of usbstor inf file.\r\n' 'Created usbstor oemxx.inf file ['
expect_log_lacks "ERROR" "certificate" "catalog" "Linkwright-"
expect_installed_inf winusb "${SYNC_VENDOR_LINES[@]}"
expect_eq "first line of the sync INF's [SourceDisksFiles]" \
  "$(inf_first_line "$INSTALLED_INF" SourceDisksFiles)" '%12%\wceusbsh.sys=1'
grep -qi 'CatalogFile' "$(unix_path "$INSTALLED_INF")" && e2e_fail "the XP INF names a catalog"
[ -z "$(find "$C/windows/system32/catroot" -iname '*.cat' 2>/dev/null)" ] ||
  e2e_fail "a catalog was installed on XP"
e2e_end
