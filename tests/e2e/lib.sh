# The harness of the end-to-end scenarios, sourced by each scenario script.
#
# A scenario gets a fresh copy of the booted template prefix, its own Xvfb
# display and a Wine virtual desktop on it (so dialogs have their title bars
# in the screenshots), seeds registry values and files, starts Linkwright.exe
# in the background with C:\run as its current directory, drives the pages
# with the test driver (driver.cpp), waits for the exit code and then checks
# the log, the registry and the files. Whatever happens, the wineserver of
# the prefix, the prefix itself and the display are gone at the end.
#
# Steps that drive the program stop the scenario at once when they fail
# (must); checks of the outcome (expect_*) are all made and reported
# together. The scenario ends with e2e_end, which also checks that no
# temporary "abk" file was left behind.
set -uo pipefail

E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$E2E_DIR/../../scripts/wine-env.sh"
: "${LW_EXE:=$LW_ROOT/build/win64/Linkwright64.exe}"
: "${LW_DRIVER:=$LW_ROOT/build/win64/lw-e2e-driver.exe}"
: "${LW_SCREENS:=$LW_ROOT/build/screens}"
# Seconds a single run of Linkwright may take before it is killed.
: "${E2E_RUN_TIMEOUT:=90}"

# Ids and the build code, from the header the resource script and the code
# share.
header_value() { bash "$E2E_DIR/../../scripts/resource-value.sh" "$1"; }
BUILD_CODE=$(header_value LW_BUILD_CODE)
ID_BACK=$(header_value IDC_BACK)
ID_INSTALL=$(header_value IDC_INSTALL)
ID_CANCEL=$(header_value IDC_CANCEL)
ID_BUILD=$(header_value IDC_BUILD_CODE)
ID_GENERIC=$(header_value IDC_GENERIC_DEVICE)
ID_SYNC_PATH=$(header_value IDC_SYNC_INF_PATH)
ID_STORAGE_PATH=$(header_value IDC_STORAGE_INF_PATH)
ID_RESULT=$(header_value IDC_RESULT_TEXT)
ID_VIEW_LOG=$(header_value IDC_VIEW_LOG)
ID_EXIT=$(header_value IDC_EXIT)
# Pages: caption and a control that only that page has.
TITLE="Tarvel Brannock Linkwright"
INF_TITLE="Tarvel Brannock Linkwright (inf)"
WELCOME=$ID_BUILD
INF_PAGE=$ID_SYNC_PATH
FINISH=$ID_RESULT
PROGRESS='65535~Please Wait!'
# Message boxes: the text control and the buttons.
BOX_TEXT=65535
IDOK=1
IDYES=6
IDNO=7

AS_KEY='Software\Microsoft\Windows CE Services'
USBFLAGS_KEY='HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\UsbFlags'
AS_DIR='C:\Program Files\Microsoft ActiveSync'
SYNC_IDS=(0001 0004 0006 0008 000e 0010)
RULE=$'----------------------------------\r\n'
SUCCESS_TEXT='\nInstallation Successful! \n\nYou can now connect your device to this computer.'
FAILURE_TEXT='Installation Failed!'
ABORTED=$'Install aborted / failed.\r\n'

E2E_FAILURES=0
E2E_REG_PENDING=

e2e_log() { printf '[%s] %s\n' "${E2E_NAME:-e2e}" "$*" >&2; }

# Records a failed check; the scenario goes on and fails at e2e_end.
e2e_fail() {
  E2E_FAILURES=$((E2E_FAILURES + 1))
  e2e_log "FAIL: $*"
}

# Stops the scenario at once: a step could not be done.
e2e_abort() {
  e2e_log "ABORT: $*"
  e2e_failure_shot
  [ -n "${LW_PID:-}" ] && kill "$LW_PID" 2>/dev/null
  exit 1
}

e2e_cleanup() {
  local code=$?
  if [ -n "${E2E_PREFIX:-}" ]; then
    if [ "$code" -ne 0 ] && [ -n "${E2E_KEEP_LOG:-1}" ] && [ -f "$E2E_RUN/LinkwrightLog.txt" ]; then
      e2e_log "log of the run:"
      sed 's/\r$//' "$E2E_RUN/LinkwrightLog.txt" | sed 's/^/    | /' >&2
    fi
    [ -n "${LW_PID:-}" ] && kill "$LW_PID" 2>/dev/null
    lw_drop_prefix "$E2E_PREFIX"
  fi
  lw_stop_xvfb
  [ -n "${E2E_REG_FILE:-}" ] && rm -f "$E2E_REG_FILE"
  return 0
}

# e2e_begin NAME: a fresh prefix, display and virtual desktop.
e2e_begin() {
  E2E_NAME=$1
  [ -f "$LW_WINE_TEMPLATE/system.reg" ] || { e2e_log "no template prefix: run scripts/wine-template.sh"; exit 1; }
  [ -f "$LW_EXE" ] || { e2e_log "missing $LW_EXE"; exit 1; }
  [ -f "$LW_DRIVER" ] || { e2e_log "missing $LW_DRIVER"; exit 1; }
  trap e2e_cleanup EXIT
  trap 'exit 143' TERM INT
  E2E_PREFIX=$(lw_new_prefix) || { e2e_log "could not copy the template prefix"; exit 1; }
  export WINEPREFIX=$E2E_PREFIX
  C=$E2E_PREFIX/drive_c
  E2E_TEMP=$C/users/$(id -un)/Temp
  E2E_RUN=$C/run
  mkdir -p "$E2E_RUN" "$LW_SCREENS"
  rm -f "$LW_SCREENS/failures/$E2E_NAME.png"
  # Every window of the prefix in one 1024x768 virtual desktop, written
  # before any Wine process starts, as the desktop is made by the first one.
  printf '\n[Software\\\\Wine\\\\Explorer] 1700000000\n"Desktop"="Default"\n\n[Software\\\\Wine\\\\Explorer\\\\Desktops] 1700000000\n"Default"="1024x768"\n' \
    >>"$E2E_PREFIX/user.reg"
  lw_start_xvfb || e2e_abort "no display"
  E2E_REG_FILE=$(mktemp)
  printf 'REGEDIT4\r\n\r\n' >"$E2E_REG_FILE"
}

# Scenario outcome: every check must have passed.
e2e_end() {
  expect_no_temp_files
  if [ "$E2E_FAILURES" -ne 0 ]; then
    e2e_log "$E2E_FAILURES check(s) failed"
    e2e_failure_shot
    exit 1
  fi
  e2e_log "PASS"
  exit 0
}

# ---------------------------------------------------------------- paths

# unix_path 'C:\x\y' prints the host path of a Windows path in the prefix.
unix_path() {
  local p=${1//\\//}
  case "$p" in
    [Cc]:/*) printf '%s\n' "$C/${p:3}" ;;
    [Zz]:/*) printf '%s\n' "/${p:3}" ;;
    *) printf '%s\n' "$p" ;;
  esac
}

# ------------------------------------------------------------- seeding

_reg_string() { local s=${1//\\/\\\\}; printf '"%s"' "${s//\"/\\\"}"; }

# seed_reg ROOT\KEY NAME TYPE DATA, TYPE dword (hex digits), sz or binary
# (comma-separated hex bytes); NAME "-" only creates the key.
seed_reg() {
  local key=$1 name=$2 type=${3:-} data=${4:-}
  {
    printf '[%s]\r\n' "$key"
    if [ "$name" != "-" ]; then
      case "$type" in
        dword) printf '"%s"=dword:%08x\r\n' "$name" "$((16#$data))" ;;
        sz) printf '"%s"=%s\r\n' "$name" "$(_reg_string "$data")" ;;
        binary) printf '"%s"=hex:%s\r\n' "$name" "$data" ;;
        *) e2e_abort "seed_reg: unknown type $type" ;;
      esac
    fi
    printf '\r\n'
  } >>"$E2E_REG_FILE"
  E2E_REG_PENDING=1
}

# seed_activesync MAJOR MINOR [INSTALLDIR]: the version values (decimal) and
# the installation folder, under HKEY_LOCAL_MACHINE.
seed_activesync() {
  seed_reg "HKEY_LOCAL_MACHINE\\$AS_KEY" MajorVersion dword "$(printf %x "$1")"
  seed_reg "HKEY_LOCAL_MACHINE\\$AS_KEY" MinorVersion dword "$(printf %x "$2")"
  [ -n "${3:-}" ] && seed_reg "HKEY_LOCAL_MACHINE\\$AS_KEY" InstalledDir sz "$3"
  return 0
}

# seed_connect_types HEX: the user's allowed ActiveSync connection types.
seed_connect_types() { seed_reg "HKEY_CURRENT_USER\\$AS_KEY" ConnectTypesAllowed dword "$1"; }

# seed_file SOURCE 'C:\path': puts a file into the prefix.
seed_file() {
  local to
  to=$(unix_path "$2")
  mkdir -p "$(dirname "$to")"
  cp "$1" "$to"
}

# seed_driver 'C:\path\name.sys': a small stand-in driver image, different in
# every scenario so that a backup can be told from a leftover.
seed_driver() {
  local to
  to=$(unix_path "$1")
  mkdir -p "$(dirname "$to")"
  printf 'MZ stand-in for %s, scenario %s, %s\r\n' "${1##*\\}" "$E2E_NAME" "$RANDOM$RANDOM" >"$to"
}

SYNC_INF="$AS_DIR\\drivers\\wceusbsh.inf"
SYNC_SYS="$AS_DIR\\drivers\\wceusbsh.sys"
STORAGE_INF='C:\windows\inf\usbstor.inf'
STORAGE_SYS='C:\windows\system32\drivers\usbstor.sys'

# The machine as the wizard expects it: ActiveSync 4.5 installed (sync INF
# and driver in its drivers folder), the stock usbstor INF and driver, USB
# not yet allowed in the user's ActiveSync settings.
seed_default_machine() {
  seed_activesync 4 5 "$AS_DIR"
  seed_connect_types 3
  seed_file "$E2E_DIR/fixtures/wceusbsh.inf" "$SYNC_INF"
  seed_driver "$SYNC_SYS"
  seed_file "$E2E_DIR/fixtures/usbstor.inf" "$STORAGE_INF"
  seed_driver "$STORAGE_SYS"
}

# Generic-device values as an earlier run leaves them, and one of another
# vendor that no run may touch.
seed_usbflags_set() {
  local id
  for id in "${SYNC_IDS[@]}"; do
    seed_reg "$USBFLAGS_KEY" "IgnoreHWSerNum5E2D$id" binary 01
  done
  seed_reg "$USBFLAGS_KEY" IgnoreHWSerNum04F20001 binary 01
}

seed_apply() {
  [ -n "$E2E_REG_PENDING" ] || return 0
  "$LW_WINE" reg import "$(winepath_of "$E2E_REG_FILE")" >/dev/null 2>&1 ||
    e2e_abort "could not import the registry seed"
  E2E_REG_PENDING=
}

# The Windows name of a host file (through drive Z:).
winepath_of() { printf 'Z:%s\n' "${1//\//\\}"; }

# ------------------------------------------------------------- running

# lw_start [ARGS...]: starts Linkwright.exe in the background, current
# directory $E2E_CWD (default C:\run). Applies the registry seed first.
lw_start() {
  seed_apply
  local cwd=${E2E_CWD:-$E2E_RUN}
  (cd "$cwd" && exec timeout -k 5 "$E2E_RUN_TIMEOUT" "$LW_WINE" "$LW_EXE" "$@") &
  LW_PID=$!
}

lw_running() {
  local state
  [ -n "${LW_PID:-}" ] || return 1
  state=$(awk '{print $3}' "/proc/$LW_PID/stat" 2>/dev/null) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# lw_wait_exit: waits for the run to end and sets LW_EXIT.
lw_wait_exit() {
  wait "$LW_PID"
  LW_EXIT=$?
  LW_PID=
  [ "$LW_EXIT" -eq 124 ] && e2e_fail "Linkwright did not end within ${E2E_RUN_TIMEOUT}s"
  return 0
}

# lw_expect_exit CODE: waits for the run to end with CODE.
lw_expect_exit() {
  lw_wait_exit
  expect_eq "exit code" "$LW_EXIT" "$1"
}

# drv ARGS...: one call of the test driver; its output on stdout.
drv() { "$LW_WINE" "$LW_DRIVER" "$@"; }

# must DESCRIPTION CMD...: a step of the scenario; stops it on failure.
must() {
  local what=$1
  shift
  "$@" || e2e_abort "$what"
}

# await_page_or_exit CAPTION CTRL: 0 when the page is up, 1 when the
# program ended first.
await_page_or_exit() {
  while lw_running; do
    drv wait "$1" "$2" 500 2>/dev/null && return 0
  done
  drv exists "$1" "$2"
}

# The text of a control, C-escaped (\n, \r, \\).
ctl_text() { drv text "$@" | tr -d '\r'; }

# press CAPTION CTRL BUTTON: waits for the page and presses the button.
press() {
  must "page \"$1\" ($2) did not appear" drv wait "$1" "$2"
  must "could not press $3 on \"$1\" ($2)" drv click "$1" "$2" "$3"
}

# answer_box CAPTION BUTTON EXPECTED_TEXT: waits for the message box, checks
# its text (C-escaped) and presses the button.
answer_box() {
  must "message box \"$1\" did not appear" drv wait "$1" "$BOX_TEXT"
  expect_eq "text of box \"$1\"" "$(ctl_text "$1" "$BOX_TEXT" "$BOX_TEXT")" "$3"
  must "could not answer box \"$1\"" drv answer "$1" "$2"
}

# ---------------------------------------------------------- screenshots

# shot NAME [CAPTION CTRL]: a PNG of the page (and a margin around it), or of
# the whole screen, in $LW_SCREENS/NAME.png.
shot() {
  local name=$1 x= y= w= h= m=24
  sleep 0.4  # let the page paint
  [ $# -ge 3 ] && { read -r x y w h < <(drv rect "$2" "$3" | tr -d '\r') || true; }
  if [ -n "${h:-}" ]; then
    x=$((x > m ? x - m : 0)); y=$((y > m ? y - m : 0))
    import -display "$DISPLAY" -window root -crop "$((w + 2 * m))x$((h + 2 * m))+$x+$y" +repage \
      "$LW_SCREENS/$name.png" 2>/dev/null || e2e_log "screenshot $name failed"
  else
    import -display "$DISPLAY" -window root "$LW_SCREENS/$name.png" 2>/dev/null ||
      e2e_log "screenshot $name failed"
  fi
}

e2e_failure_shot() {
  [ -n "${DISPLAY:-}" ] && [ -n "${LW_XVFB_PID:-}" ] || return 0
  mkdir -p "$LW_SCREENS/failures"
  import -display "$DISPLAY" -window root "$LW_SCREENS/failures/$E2E_NAME.png" 2>/dev/null &&
    e2e_log "screen at failure: $LW_SCREENS/failures/$E2E_NAME.png"
  drv list >&2 2>/dev/null
  return 0
}

# --------------------------------------------------------------- checks

expect_eq() {
  [ "$2" == "$3" ] || e2e_fail "$1: got '$2', expected '$3'"
}

# load_log [FILE]: the log of the runs in C:\run, as bytes, into LOG (a
# command substitution would drop its last line end).
load_log() {
  local file=${1:-$E2E_RUN/LinkwrightLog.txt}
  LOG=
  [ -f "$file" ] || return 1
  LOG=$(cat "$file"; printf x)
  LOG=${LOG%x}
}

# Printable form of log text for failure reports.
shown() { local s=${1//$'\r'/\\r}; printf '%s' "${s//$'\n'/\\n}"; }

# expect_log_in_order FRAGMENT...: each fragment occurs in the log, after the
# previous one.
expect_log_in_order() {
  local rest frag
  load_log || { e2e_fail "no log file"; return; }
  rest=$LOG
  for frag in "$@"; do
    if [[ "$rest" == *"$frag"* ]]; then
      rest=${rest#*"$frag"}
    else
      e2e_fail "log lacks (in this order) '$(shown "$frag")'"
      return
    fi
  done
}

expect_log_lacks() {
  local frag
  load_log || return 0
  for frag in "$@"; do
    [[ "$LOG" == *"$frag"* ]] && e2e_fail "log holds '$(shown "$frag")'"
  done
  return 0
}

expect_log_ends_with() {
  load_log || { e2e_fail "no log file"; return; }
  [[ "$LOG" == *"$1" ]] || e2e_fail "log does not end with '$(shown "$1")'; ends '$(shown "${LOG: -80}")'"
}

# Number of times FRAGMENT occurs in the log.
log_count() {
  local rest n=0
  load_log || { echo 0; return; }
  rest=$LOG
  while [[ "$rest" == *"$1"* ]]; do
    rest=${rest#*"$1"}
    n=$((n + 1))
  done
  echo "$n"
}

# The value in brackets of the first log line that begins with PREFIX.
log_bracket_value() {
  local line
  line=$(tr -d '\r' <"$E2E_RUN/LinkwrightLog.txt" | grep -F -m1 -- "$1") || return 1
  line=${line#*[}
  printf '%s\n' "${line%].}"
}

# A complete banner: three lines, the ctime-style time line ending in LF
# alone (two-digit day), and the build line.
BANNER_RE="${RULE}Beginning Tarvel Brannock Linkwright"$'\r\n'"${RULE}"'\*\*\* (Sun|Mon|Tue|Wed|Thu|Fri|Sat) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) (0[1-9]|[12][0-9]|3[01]) ([01][0-9]|2[0-3]):[0-5][0-9]:[0-6][0-9] [0-9]{4}'$'\n''\*\*\* Build: '"$BUILD_CODE"$'\r\n'

# expect_banners N: the log holds N runs; each starts with a complete banner,
# the first at the start of the file, the others right after a CR LF.
expect_banners() {
  local rest before head="${RULE}Beginning Tarvel Brannock Linkwright" n=0
  load_log || { e2e_fail "no log file"; return; }
  rest=$LOG
  while :; do
    if [[ "$rest" =~ ^$BANNER_RE ]]; then
      n=$((n + 1))
    else
      e2e_fail "run $((n + 1)) does not start with a complete banner: '$(shown "${rest:0:160}")'"
      return
    fi
    rest=${rest#"$head"}
    [[ "$rest" == *"$head"* ]] || break
    before=${rest%%"$head"*}
    [[ "$before" == *$'\r\n' ]] || e2e_fail "run $n does not end with CR LF before the next banner"
    rest=$head${rest#*"$head"}
  done
  expect_eq "complete banners in the log" "$n" "$1"
}

# reg_get ROOT\KEY NAME: prints "TYPE DATA" as reg query shows them.
reg_get() {
  local out line
  out=$("$LW_WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r') || return 1
  while IFS= read -r line; do
    if [[ "$line" =~ ^\ +([^ ]+)\ +(REG_[A-Z_]+)\ *(.*)$ ]] &&
      [[ "${BASH_REMATCH[1],,}" == "${2,,}" ]]; then
      printf '%s %s\n' "${BASH_REMATCH[2]}" "${BASH_REMATCH[3]}"
      return 0
    fi
  done <<<"$out"
  return 1
}

expect_reg() {
  local got
  got=$(reg_get "$1" "$2") || { e2e_fail "registry value $1\\$2 is missing"; return; }
  expect_eq "registry value $1\\$2" "$got" "$3"
}

expect_reg_absent() {
  local got
  got=$(reg_get "$1" "$2") && e2e_fail "registry value $1\\$2 exists ($got)"
  return 0
}

# The six generic-device values: all "REG_BINARY 01", or all absent.
expect_generic_flags() {
  local id
  for id in "${SYNC_IDS[@]}"; do
    if [ "$1" = set ]; then
      expect_reg "$USBFLAGS_KEY" "IgnoreHWSerNum5E2D$id" "REG_BINARY 01"
    else
      expect_reg_absent "$USBFLAGS_KEY" "IgnoreHWSerNum5E2D$id"
    fi
  done
}

expect_same_file() {
  local a b
  a=$(unix_path "$1")
  b=$(unix_path "$2")
  [ -f "$b" ] || { e2e_fail "missing file $2"; return; }
  cmp -s "$a" "$b" || e2e_fail "$2 differs from $1"
}

expect_no_file() {
  [ -e "$(unix_path "$1")" ] && e2e_fail "file $1 exists"
  return 0
}

# expect_file_has 'C:\file' TEXT...: the file holds each text (fixed string).
expect_file_has() {
  local f text
  f=$(unix_path "$1")
  [ -f "$f" ] || { e2e_fail "missing file $1"; return; }
  for text in "${@:2}"; do
    grep -qF -- "$text" "$f" || e2e_fail "$1 lacks '$text'"
  done
}

expect_no_temp_files() {
  local left
  left=$(find "$E2E_TEMP" "$E2E_RUN" -maxdepth 1 -iname 'abk*.tmp' 2>/dev/null
    find "$C/windows/temp" -maxdepth 1 -iname 'Linkwright-*' 2>/dev/null)
  [ -z "$left" ] || e2e_fail "temporary files left: $left"
}

# windows_version winxp64|win7|win10: the Windows the prefix reports (win7
# unless set), written before any Wine process of the scenario starts.
windows_version() {
  printf '\n[Software\\\\Wine] 1700000000\n"Version"="%s"\n' "$1" >>"$E2E_PREFIX/user.reg"
}

# expect_signed_packages SHA1|SHA256 'C:\file'...: the run's certificate in
# both of the local machine's stores, no key container left behind, every
# catalog Setup installed read back by osslsigncode against that
# certificate and signed with that digest, and each file's SHA-1, worked
# out here, among the catalogs' members.
expect_signed_packages() {
  local signature=$1 thumb store cats cat file digest
  shift
  thumb=$(tr -d '\r' <"$E2E_RUN/LinkwrightLog.txt" |
    sed -n 's/^Added driver signing certificate \[\([0-9A-F]*\)\] to .*/\1/p' | head -n1)
  [ -n "$thumb" ] || { e2e_fail "the log names no signing certificate"; return; }
  for store in Root TrustedPublisher; do
    drv export-cert "$store" "$thumb" 'C:\run\signer.cer' ||
      e2e_fail "certificate $thumb is not in the local machine's $store store"
  done
  for store in HKEY_LOCAL_MACHINE HKEY_CURRENT_USER; do
    "$LW_WINE" reg query "$store\\Software\\Wine\\Crypto\\RSA" /s 2>/dev/null | grep -qi 'HKEY' &&
      e2e_fail "a key container was left behind in $store"
  done
  openssl x509 -inform DER -in "$E2E_RUN/signer.cer" -out "$E2E_RUN/signer.pem" ||
    { e2e_fail "the exported certificate does not parse"; return; }
  cats=$(find "$C/windows/system32/catroot" -iname '*.cat' 2>/dev/null)
  [ "$(wc -w <<<"$cats")" -eq 2 ] || e2e_fail "Setup installed not two catalogs: $cats"
  : >"$E2E_RUN/members.txt"
  for cat in $cats; do
    osslsigncode verify -verbose -in "$cat" -CAfile "$E2E_RUN/signer.pem" >"$E2E_RUN/verify.txt" 2>&1 ||
      { e2e_fail "osslsigncode does not accept $cat"; cat "$E2E_RUN/verify.txt" >&2; }
    grep -qx "Message digest algorithm: $signature" "$E2E_RUN/verify.txt" ||
      e2e_fail "$cat is not signed with $signature"
    openssl asn1parse -inform DER -in "$cat" >>"$E2E_RUN/members.txt"
  done
  for file in "$@"; do
    digest=$(sha1sum "$(unix_path "$file")" | cut -d' ' -f1)
    grep -qi "HEX DUMP\]:$digest\$" "$E2E_RUN/members.txt" ||
      e2e_fail "no catalog lists $file by its SHA-1 $digest"
  done
}

# The OEM INF that the log names in its "Created DRIVER oemxx.inf file [..]"
# line; it must exist, and hold the vendor's lines.
installed_inf() {
  log_bracket_value "Created $1 oemxx.inf file ["
}

# expect_installed_inf DRIVER TEXT...: the OEM INF that the log names in its
# "Created DRIVER oemxx.inf file [..]" line is in C:\windows\inf and holds
# each text.
expect_installed_inf() {
  local name
  name=$(log_bracket_value "Created $1 oemxx.inf file [") ||
    { e2e_fail "the log names no installed $1 INF"; return; }
  [[ "${name,,}" == 'c:\windows\inf\'* ]] || e2e_fail "$1 INF installed outside C:\\windows\\inf: $name"
  expect_file_has "$name" "${@:2}"
  INSTALLED_INF=$name
}

# inf_first_line 'C:\file' SECTION: the first line after the section's
# header, without its line end.
inf_first_line() {
  tr -d '\r' <"$(unix_path "$1")" | awk -v h="[$2]" 'found { print; exit } $0 == h { found = 1 }'
}

# The vendor's lines that each patched INF must carry.
SYNC_VENDOR_LINES=('%Brannock%=Brannock' '[Brannock]'
  '%USB\Vid_5E2D&Pid_0001.DeviceDesc% = Host_Inst, USB\Vid_5E2D&Pid_0001'
  '%USB\Vid_5E2D&Pid_0010.DeviceDesc% = Host_Inst, USB\Vid_5E2D&Pid_0010'
  'Brannock = "Tarvel Brannock"'
  'USB\Vid_5E2D&Pid_000E.DeviceDesc = "Tarvel Brannock Sync M3x, M45\50 G2"')
STORAGE_VENDOR_LINES=('%Brannock%=Brannock' '[Brannock]'
  '%USB\Vid_5E2D&Pid_0000.DeviceDesc%=USBSTOR_BULK, USB\Vid_5E2D&Pid_0000'
  '%USB\Vid_5E2D&Pid_0014.DeviceDesc%=USBSTOR_BULK, USB\Vid_5E2D&Pid_0014'
  'Brannock="Tarvel Brannock Inc."'
  'USB\Vid_5E2D&Pid_000D.DeviceDesc = "M3x, M40\50 G2 Strata"')

# welcome_install [tick]: on the Welcome page (build code shown, check box
# unchecked), optionally tick "Install as a generic device", press Install.
welcome_install() {
  must "the Welcome page did not appear" drv wait "$TITLE" "$WELCOME"
  expect_eq "build code on the Welcome page" "$(ctl_text "$TITLE" "$WELCOME" "$ID_BUILD")" "$BUILD_CODE"
  expect_eq "check box on opening" "$(drv checked "$TITLE" "$WELCOME" "$ID_GENERIC" | tr -d '\r')" 0
  if [ "${1:-}" = tick ]; then
    must "could not tick the check box" drv click "$TITLE" "$WELCOME" "$ID_GENERIC"
    local state i
    for i in 1 2 3 4 5 6 7 8 9 10; do  # the click is posted: it lands soon
      state=$(drv checked "$TITLE" "$WELCOME" "$ID_GENERIC" | tr -d '\r')
      [ "$state" = 1 ] && break
      sleep 0.2
    done
    expect_eq "check box after a click" "$state" 1
  fi
  must "could not press Install" drv click "$TITLE" "$WELCOME" "$ID_INSTALL"
}

# finish_exit TEXT [SHOT]: the finish page shows TEXT (C-escaped); Exit.
finish_exit() {
  must "the finish page did not appear" drv wait "$TITLE" "$FINISH" 30000
  expect_eq "finish page text" "$(ctl_text "$TITLE" "$FINISH" "$ID_RESULT")" "$1"
  [ -n "${2:-}" ] && shot "$2" "$TITLE" "$FINISH"
  must "could not press Exit" drv click "$TITLE" "$FINISH" "$ID_EXIT"
}

# Files of the Windows inf folder, to show that nothing was installed.
inf_listing() { ls "$C/windows/inf"; }
