#!/usr/bin/env bash
# A driver backup that fails part-way, on a full disk, keeps the earlier
# backup byte for byte and leaves no partial file. ActiveSync's folder is on
# drive Q:, a 64 KiB disk of its own that holds the driver (40,000 bytes),
# its earlier backup (10,000) and little more. No to the backup question ends
# the install. Needs a tmpfs mount; without the right to mount it says so
# and passes.
source "$(dirname "$0")/lib.sh"
e2e_begin backup_full_disk
disk=$(mktemp -d "$LW_WINE_DIR/disk-XXXXXX")
if ! mount -t tmpfs -o size=64k tmpfs "$disk" 2>/dev/null; then
  rmdir "$disk"
  e2e_log "SKIP: no right to mount a small disk here"
  e2e_end
fi
trap 'code=$?; umount "$disk"; rmdir "$disk"; (exit $code); e2e_cleanup' EXIT
ln -s "$disk" "$E2E_PREFIX/dosdevices/q:"
AS='Q:\AS'
seed_activesync 4 5 "$AS"
seed_connect_types 3
mkdir -p "$disk/AS/drivers/abkBackup"
cp "$E2E_DIR/fixtures/wceusbsh.inf" "$disk/AS/drivers/wceusbsh.inf"
seed_file "$E2E_DIR/fixtures/usbstor.inf" "$STORAGE_INF"
seed_driver "$STORAGE_SYS"
head -c 40000 /dev/urandom >"$disk/AS/drivers/wceusbsh.sys"
head -c 10000 /dev/urandom >"$disk/AS/drivers/abkBackup/wceusbsh.sys"
cp "$disk/AS/drivers/abkBackup/wceusbsh.sys" "$E2E_RUN/../earlier-backup.sys"

lw_start
welcome_install
must "the backup question did not appear" drv wait "Backup Unsuccessful!" "$BOX_TEXT" 30000
must "could not answer No" drv answer "Backup Unsuccessful!" "$IDNO"
finish_exit "$FAILURE_TEXT"
lw_expect_exit 0

expect_log_in_order "Backing up wceusbsh driver to [" \
  'ERROR: Could not create backup file [Q:\AS\drivers\abkBackup\wceusbsh.sys] 112:'
cmp -s "$E2E_RUN/../earlier-backup.sys" "$disk/AS/drivers/abkBackup/wceusbsh.sys" ||
  e2e_fail "the earlier backup changed"
expect_eq "files in the backup folder" "$(ls "$disk/AS/drivers/abkBackup")" wceusbsh.sys
e2e_end
