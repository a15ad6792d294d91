#!/usr/bin/env bash
# The removal program after an install as a generic device on Windows 10:
# its page lists the two packages, the certificate in both stores and the
# six values. "Cancel" changes nothing; "Remove" takes all of it out, and
# the INF folder, the UsbFlags values, both certificate stores and the
# catalogs are then as before the install, apart from the exemptions
# below. A foreign OEM INF for the vendor's ids stays. A second removal
# finds nothing.
source "$(dirname "$0")/lib.sh"
e2e_begin removal
windows_version win10
seed_default_machine
seed_reg "$USBFLAGS_KEY" IgnoreHWSerNum04F20001 binary 01
# Someone else's package for the vendor's sync ids: not Linkwright's.
printf '[Version]\r\nSignature="$Windows NT$"\r\n\r\n[Manufacturer]\r\n%%Other%%=Other\r\n\r\n[Other]\r\n%%Dev%% = Other_Inst, USB\\Vid_5E2D&Pid_0001\r\n' \
  >"$C/windows/inf/oem90.inf"

# What an install leaves where the removal looks: each file of the INF
# folder with its SHA-1 (a PNF only once its INF is gone: Wine writes the
# PNFs of every INF there whenever it sets up devices, which may be during
# a run) and each file of catroot, the UsbFlags values, and
# the certificates of both stores (their keys under SystemCertificates).
snapshot() {
  prefix_settle
  local file
  (cd "$C/windows/inf" && for file in *; do
    [ -f "$file" ] || continue
    [[ "${file,,}" == *.pnf ]] && compgen -G "${file%.*}.[!pP]*" >/dev/null && continue
    sha1sum "$file"
  done | sort -k2)
  (cd "$C/windows/system32" && find catroot -type f -exec sha1sum {} + 2>/dev/null | sort -k2)
  awk '
    /^\[/ { key = tolower($0); sub(/\] [0-9]+$/, "]", key)
            if (key ~ /^\[software\\\\microsoft\\\\systemcertificates\\\\(root|trustedpublisher)\\\\certificates\\\\/) print key
            next }
    key ~ /control\\\\usbflags\]$/ && /^"/ { print key " " $0 }' "$E2E_PREFIX/system.reg" | sort
}

# The exemptions, each where Wine is not Windows or the removal leaves a
# thing on purpose:
# - the PNF of each INF installed (named as the INF, .pnf) and the
#   catalogs under catroot: Wine 8's SetupUninstallOEMInf, even with
#   SUOI_FORCEDELETE, deletes only the INF; Windows removes its PNF and
#   catalog too (SetupUninstallOEMInf, Microsoft's documentation);
# - ConnectTypesAllowed and the driver backups are not in the snapshot: the
#   removal leaves them by design; so is the log.
without_exemptions() {
  local sync=${sync_inf##*\\} storage=${storage_inf##*\\}
  grep -v -e '^[0-9a-f]*  catroot/.*/linkwright_\(wceusbsh\|usbstor\)\.cat$' \
    -e "^[0-9a-f]*  \(${sync%.*}\|${storage%.*}\)\.pnf\$"
}

seed_apply
snapshot >"$E2E_PREFIX/before.txt"

lw_start
welcome_install tick
finish_exit "$SUCCESS_TEXT"
lw_expect_exit 0
snapshot >"$E2E_PREFIX/installed.txt"
sync_inf=$(installed_inf wceusbsh)
storage_inf=$(installed_inf usbstor)
thumb=$(tr -d '\r' <"$E2E_RUN/LinkwrightLog.txt" |
  sed -n 's/^Added driver signing certificate \[\([0-9A-F]*\)\] to .*/\1/p' | head -n1)

# Cancel: the list, in the order found, and nothing changed.
LW_EXE=$LW_REMOVE_EXE lw_start
must "the removal page did not appear" drv wait "$REMOVAL_TITLE" "$REMOVAL_OFFER" 30000
shot removal "$REMOVAL_TITLE" "$REMOVAL_OFFER"
items=$(ctl_text "$REMOVAL_TITLE" "$REMOVAL_OFFER" "$ID_REMOVAL_LIST" | sed 's/\\r\\n/\n/g')
expected=$(printf '%s\n' "Driver package ${sync_inf##*\\}" "Driver package ${storage_inf##*\\}" | LC_ALL=C sort)
expected+=$'\n'"Signing certificate in Trusted Root Certification Authorities"
expected+=$'\n'"Signing certificate in Trusted Publishers"
for id in "${SYNC_IDS[@]}"; do expected+=$'\n'"Generic-device setting IgnoreHWSerNum5E2D$id"; done
expect_eq "the removal page's list" "$items" "$expected"
must "could not press Cancel" drv click "$REMOVAL_TITLE" "$REMOVAL_OFFER" "$ID_CANCEL"
lw_expect_exit 1
snapshot >"$E2E_PREFIX/cancelled.txt"
cmp -s "$E2E_PREFIX/installed.txt" "$E2E_PREFIX/cancelled.txt" ||
  e2e_fail "Cancel changed: $(diff "$E2E_PREFIX/installed.txt" "$E2E_PREFIX/cancelled.txt")"
expect_log_ends_with $'Removal cancelled.\r\n'

# Remove: the outcome page, the log, and the machine as before the install.
LW_EXE=$LW_REMOVE_EXE lw_start
press "$REMOVAL_TITLE" "$REMOVAL_OFFER" "$ID_REMOVE"
must "the outcome did not appear" drv wait "$REMOVAL_TITLE" "$REMOVAL_DONE" 30000
shot removal-done "$REMOVAL_TITLE" "$REMOVAL_DONE"
expect_eq "the outcome's buttons" \
  "$(for id in "$ID_REMOVE" "$ID_CANCEL" "$ID_VIEW_LOG" "$ID_EXIT"; do
       drv shown "$REMOVAL_TITLE" "$REMOVAL_DONE" "$id" | tr -d '\r'; done | tr '\n' ' ')" \
  "0 0 0 0 1 1 1 1 "
must "could not press Exit" drv click "$REMOVAL_TITLE" "$REMOVAL_DONE" "$ID_EXIT"
lw_expect_exit 0
removal_banner="${RULE}Beginning Tarvel Brannock Linkwright Removal"$'\r\n'"$RULE"
expect_log_in_order "$removal_banner" "$removal_banner" \
  "Removed inf file [$sync_inf]."$'\r\n' "Removed inf file [$storage_inf]."$'\r\n' \
  "Removed generic-device value [IgnoreHWSerNum5E2D0001]."$'\r\n' \
  "Removed driver signing certificate [$thumb] from the local machine's [Root] store."$'\r\n' \
  "Removed driver signing certificate [$thumb] from the local machine's [TrustedPublisher] store."$'\r\n' \
  $'Removal complete.\r\n'
expect_log_lacks "ERROR" "WARNING" "oem90.inf"
snapshot >"$E2E_PREFIX/removed.txt"
diff <(without_exemptions <"$E2E_PREFIX/before.txt") <(without_exemptions <"$E2E_PREFIX/removed.txt") >&2 ||
  e2e_fail "the removal did not bring back the machine as before the install"
e2e_log "exempted after the removal: $(diff "$E2E_PREFIX/before.txt" "$E2E_PREFIX/removed.txt" | grep -c '^>') line(s)"
[ -f "$C/windows/inf/oem90.inf" ] || e2e_fail "the foreign OEM INF was removed"
expect_reg "HKEY_CURRENT_USER\\$AS_KEY" ConnectTypesAllowed "REG_DWORD 0xb"

# A second removal finds nothing and offers only Exit.
LW_EXE=$LW_REMOVE_EXE lw_start
must "the nothing-found page did not appear" drv wait "$REMOVAL_TITLE" "$REMOVAL_NOTHING" 30000
shot removal-nothing "$REMOVAL_TITLE" "$REMOVAL_NOTHING"
must "could not press Exit" drv click "$REMOVAL_TITLE" "$REMOVAL_NOTHING" "$ID_EXIT"
lw_expect_exit 0
expect_log_ends_with $'Found nothing that Linkwright installed.\r\n'
e2e_end
