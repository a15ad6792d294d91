#!/usr/bin/env bash
# The common case: ActiveSync 4.5 with its stock files in place. Install
# without the generic-device box: both drivers backed up, both patched INFs
# installed, USB switched on for ActiveSync, the generic-device values of an
# earlier run removed (another vendor's kept), the stock files untouched.
# The prefix reports Windows 7: each package is assembled in a private
# folder and signed by the run's certificate, which Setup's catalogs carry.
source "$(dirname "$0")/lib.sh"
e2e_begin "${E2E_SCENARIO:-install_defaults}"
[ -z "${E2E_WINDOWS:-}" ] || windows_version "$E2E_WINDOWS"
seed_default_machine
seed_usbflags_set

lw_start
must "the Welcome page did not appear" drv wait "$TITLE" "$WELCOME"
shot welcome "$TITLE" "$WELCOME"
welcome_install
finish_exit "$SUCCESS_TEXT" finish-success
lw_expect_exit 0

expect_banners 1
backup_sync="$AS_DIR\\drivers\\abkBackup\\wceusbsh.sys"
backup_storage='C:\windows\system32\drivers\abkBackup\usbstor.sys'
expect_log_in_order \
  $'ActiveSync major version is 4\r\nActiveSync minor version is 5\r\n' \
  "Wceusb path ...$SYNC_INF"$'\r\n' \
  "Default path of wceusbsh inf file is [$SYNC_INF]."$'\r\n' \
  "Default path of usbstor inf file is [$STORAGE_INF]."$'\r\n' \
  "Backing up wceusbsh driver to [$backup_sync]."$'\r\n' \
  "Backing up usbstor driver to [$backup_storage]."$'\r\n' \
  'Path of temporary wceusbsh inf file is [C:\windows\Temp\Linkwright-' \
  $'Creating a copy of wceusbsh inf file.\r\n' \
  'Created driver signing certificate [CN=Linkwright local driver signer], thumbprint [' \
  'Added driver signing certificate [' "] to the local machine's [Root] store."$'\r\n' \
  'Added driver signing certificate [' "] to the local machine's [TrustedPublisher] store."$'\r\n' \
  'Signed catalog [C:\windows\Temp\Linkwright-' $'\\linkwright_wceusbsh.cat] for wceusbsh inf file.\r\n' \
  'Created wceusbsh oemxx.inf file [' \
  'Path of temporary usbstor inf file is [C:\windows\Temp\Linkwright-' \
  $'Creating a copy of usbstor inf file.\r\n' \
  'Signed catalog [C:\windows\Temp\Linkwright-' $'\\linkwright_usbstor.cat] for usbstor inf file.\r\n' \
  'Created usbstor oemxx.inf file [' \
  $'ActiveSync is not configured to allow USB connections.\r\nAttempting to automatically re-configure ActiveSync to allow USB.\r\n' \
  $'Automatic configure successful!\r\n'
expect_log_ends_with $'Automatic configure successful!\r\n'
expect_log_lacks "ERROR" "WARNING" "Warning: "

expect_same_file "$SYNC_SYS" "$backup_sync"
expect_same_file "$STORAGE_SYS" "$backup_storage"
expect_same_file "$E2E_DIR/fixtures/wceusbsh.inf" "$SYNC_INF"
expect_same_file "$E2E_DIR/fixtures/usbstor.inf" "$STORAGE_INF"

expect_installed_inf wceusbsh "${SYNC_VENDOR_LINES[@]}" 'CatalogFile=linkwright_wceusbsh.cat'
sync_inf=$INSTALLED_INF
expect_eq "first line of the sync INF's [SourceDisksFiles]" \
  "$(inf_first_line "$INSTALLED_INF" SourceDisksFiles)" "wceusbsh.sys=1"
grep -qF 'USBSTOR_BULK' "$(unix_path "$INSTALLED_INF")" && e2e_fail "the sync INF got mass-storage lines"
expect_installed_inf usbstor "${STORAGE_VENDOR_LINES[@]}" 'CatalogFile=linkwright_usbstor.cat'
grep -qF 'Host_Inst, USB\Vid_5E2D' "$(unix_path "$INSTALLED_INF")" && e2e_fail "the mass-storage INF got sync lines"
# Windows 8 and later take SHA-256 signatures, Windows 7 SHA-1 only.
[ "${E2E_WINDOWS:-win7}" = win10 ] && signature=SHA256 || signature=SHA1
expect_signed_packages "$signature" "$sync_inf" "$INSTALLED_INF" "$SYNC_SYS" "$STORAGE_SYS"

expect_reg "HKEY_CURRENT_USER\\$AS_KEY" ConnectTypesAllowed "REG_DWORD 0xb"
expect_generic_flags absent
expect_reg "$USBFLAGS_KEY" IgnoreHWSerNum04F20001 "REG_BINARY 01"
e2e_end
