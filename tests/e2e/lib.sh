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
# A run of a Wine process costs seconds under the emulated 32-bit Wine, so
# the harness starts few: the registry is seeded and read in the prefix's
# own files (system.reg, user.reg) while no process runs, and one driver
# process plays every step of a run.
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
: "${LW_REMOVE_EXE:=$LW_ROOT/build/win64/LinkwrightRemove64.exe}"
: "${LW_SCREENS:=$LW_ROOT/build/screens}"
# Seconds a single run of Linkwright may take before it is killed. Under
# the emulated 32-bit Wine a run and each of the driver's waits may take
# four times as long.
if [ "$LW_WINE_ARCH" = win64 ]; then
  : "${E2E_RUN_TIMEOUT:=90}"
else
  : "${E2E_RUN_TIMEOUT:=240}"
  export LW_DRIVER_WAIT_SCALE=4
fi

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
ID_REMOVE=$(header_value IDC_REMOVE)
ID_REMOVAL_TEXT=$(header_value IDC_REMOVAL_TEXT)
ID_REMOVAL_LIST=$(header_value IDC_REMOVAL_LIST)
# Pages: caption and a control that only that page has.
TITLE="Tarvel Brannock Linkwright"
INF_TITLE="Tarvel Brannock Linkwright (inf)"
WELCOME=$ID_BUILD
INF_PAGE=$ID_SYNC_PATH
FINISH=$ID_RESULT
PROGRESS='65535~Please Wait!'
# The removal program's page, by its headline.
REMOVAL_TITLE="Tarvel Brannock Linkwright Removal"
REMOVAL_OFFER="$ID_REMOVAL_TEXT~Linkwright installed the following"
REMOVAL_DONE="$ID_REMOVAL_TEXT~Removal Successful!"
REMOVAL_NOTHING="$ID_REMOVAL_TEXT~Nothing that Linkwright installs"
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
E2E_SEED_SYSTEM=
E2E_SEED_USER=

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
    [ -n "${DRV_PID:-}" ] && kill "$DRV_PID" 2>/dev/null
    lw_drop_prefix "$E2E_PREFIX"
  fi
  lw_stop_xvfb
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
  # Not under the emulated 32-bit explorer.exe, whose desktop window X
  # refuses (BadWindow in X_CreateWindow): there the dialogs lie on the
  # display's root, without title bars.
  [ "$LW_WINE_ARCH" = win32 ] || printf '\n[Software\\\\Wine\\\\Explorer] 1700000000\n"Desktop"="Default"\n\n[Software\\\\Wine\\\\Explorer\\\\Desktops] 1700000000\n"Default"="1024x768"\n' \
    >>"$E2E_PREFIX/user.reg"
  [ -n "${E2E_DEFAULT_WINDOWS:-}" ] && windows_version "$E2E_DEFAULT_WINDOWS"
  lw_start_xvfb || e2e_abort "no display"
}

# With E2E_RECORD set, keeps in that folder what another build's program
# must leave the same (same_as_64bit.sh): the log, and each INF installed,
# as the log names it.
e2e_record() {
  [ -n "${E2E_RECORD:-}" ] || return 0
  local driver inf
  rm -rf "$E2E_RECORD"
  mkdir -p "$E2E_RECORD"
  [ -f "$E2E_RUN/LinkwrightLog.txt" ] || return 0
  cp "$E2E_RUN/LinkwrightLog.txt" "$E2E_RECORD/"
  for driver in wceusbsh winusb usbstor; do
    inf=$(installed_inf "$driver") && cp "$(unix_path "$inf")" "$E2E_RECORD/$driver.inf"
  done
  return 0
}

# Scenario outcome: every check must have passed.
e2e_end() {
  expect_no_temp_files
  e2e_record
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

# reg_file ROOT\KEY: the prefix's registry file that holds the key, a tab,
# and the key's name there, written as Wine writes it (backslashes doubled).
reg_file() {
  local path=${1#*\\} file
  case ${1%%\\*} in
    HKEY_LOCAL_MACHINE) file=system.reg ;;
    HKEY_CLASSES_ROOT) file=system.reg path="Software\\Classes\\$path" ;;
    HKEY_CURRENT_USER) file=user.reg ;;
    *) e2e_abort "no registry file holds $1" ;;
  esac
  printf '%s\t%s\n' "$file" "${path//\\/\\\\}"
}

# seed_reg ROOT\KEY NAME TYPE DATA, TYPE dword (hex digits), sz or binary
# (comma-separated hex bytes); NAME "-" only creates the key.
seed_reg() {
  local key=$1 name=$2 type=${3:-} data=${4:-} file path section
  IFS=$'\t' read -r file path < <(reg_file "$key")
  section=$(printf '\n[%s] 1700000000\n' "$path")
  if [ "$name" != "-" ]; then
    case "$type" in
      dword) section+=$(printf '\n%s=dword:%08x' "$(_reg_string "$name")" "$((16#$data))") ;;
      sz) section+=$(printf '\n%s=%s' "$(_reg_string "$name")" "$(_reg_string "$data")") ;;
      binary) section+=$(printf '\n%s=hex:%s' "$(_reg_string "$name")" "$data") ;;
      *) e2e_abort "seed_reg: unknown type $type" ;;
    esac
  fi
  if [ "$file" = system.reg ]; then E2E_SEED_SYSTEM+=$section$'\n'; else E2E_SEED_USER+=$section$'\n'; fi
}

# seed_activesync MAJOR MINOR [INSTALLDIR]: the version values (decimal) and
# the installation folder, under HKEY_LOCAL_MACHINE (AS_MACHINE_KEY, if
# set, names another key for them).
seed_activesync() {
  local key=${AS_MACHINE_KEY:-HKEY_LOCAL_MACHINE\\$AS_KEY}
  seed_reg "$key" MajorVersion dword "$(printf %x "$1")"
  seed_reg "$key" MinorVersion dword "$(printf %x "$2")"
  [ -n "${3:-}" ] && seed_reg "$key" InstalledDir sz "$3"
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

# Appends the seeded keys to the prefix's registry files, which Wine reads
# as the next process starts; a key named again adds to what it holds.
seed_apply() {
  [ -n "$E2E_SEED_SYSTEM$E2E_SEED_USER" ] || return 0
  prefix_settle
  printf '%s' "$E2E_SEED_SYSTEM" >>"$E2E_PREFIX/system.reg"
  printf '%s' "$E2E_SEED_USER" >>"$E2E_PREFIX/user.reg"
  E2E_SEED_SYSTEM= E2E_SEED_USER=
}

# Ends the driver and the prefix's wineserver, which writes the registry
# files out as it ends. The program must have ended.
prefix_settle() {
  lw_running && e2e_abort "the registry files were to be used while Linkwright runs"
  drv_stop
  "$WINESERVER" -k 2>/dev/null
  timeout 60 "$WINESERVER" -w || e2e_abort "the prefix's wineserver did not end"
}

# ------------------------------------------------------------- running

# lw_start [ARGS...]: starts Linkwright.exe in the background, current
# directory $E2E_CWD (default C:\run), and the driver beside it. Applies the
# registry seed first.
lw_start() {
  seed_apply
  lw_start_wineserver
  local cwd=${E2E_CWD:-$E2E_RUN}
  (cd "$cwd" && exec timeout -k 5 "$E2E_RUN_TIMEOUT" "$LW_WINE" "$LW_EXE" "$@") &
  LW_PID=$!
  [ -n "${DRV_PID:-}" ] || drv_start
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

# drv ARGS...: one step of the test driver, its output on stdout, its exit
# code returned. Played by the running driver (drv_start), else by a driver
# run of its own.
drv() {
  [ -n "${DRV_PID:-}" ] || { lw_start_wineserver && "$LW_WINE" "$LW_DRIVER" "$@"; return; }
  local IFS=$'\t' out code=
  printf '%s\n' "$*" >&"$DRV_IN"
  IFS= read -r -d $'\x1e' -t 300 -u "$DRV_OUT" out ||
    e2e_abort "the test driver did not answer '$*'"
  read -r -t 5 -u "$DRV_OUT" code
  printf '%s' "$out"
  return "${code:-1}"
}

# Starts one driver that plays the steps given to it through a pipe. The
# shell holds both ends of each pipe open, so neither side blocks on opening.
drv_start() {
  local pipe=$E2E_PREFIX/driver
  rm -f "$pipe.in" "$pipe.out"
  mkfifo "$pipe.in" "$pipe.out" || e2e_abort "could not make the driver's pipes"
  exec {DRV_IN}<>"$pipe.in" {DRV_OUT}<>"$pipe.out"
  "$LW_WINE" "$LW_DRIVER" serve <"$pipe.in" >"$pipe.out" {DRV_IN}>&- {DRV_OUT}>&- &
  DRV_PID=$!
}

drv_stop() {
  [ -n "${DRV_PID:-}" ] || return 0
  printf 'quit\n' >&"$DRV_IN"
  exec {DRV_IN}>&-
  local i
  for i in $(seq 100); do kill -0 "$DRV_PID" 2>/dev/null || break; sleep 0.1; done
  kill "$DRV_PID" 2>/dev/null
  wait "$DRV_PID" 2>/dev/null
  exec {DRV_OUT}<&-
  DRV_PID=
}

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
  [ -n "${DRV_PID:-}" ] && drv list >&2 2>/dev/null
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

# reg_get ROOT\KEY NAME: prints "TYPE DATA" as reg query shows them (REG_SZ
# text, REG_DWORD 0x1f, REG_BINARY 01FF), read in the prefix's registry
# files; NAME "" is the key's default value. Call prefix_settle first.
reg_get() {
  local file path raw
  IFS=$'\t' read -r file path < <(reg_file "$1")
  [ -n "$2" ] && raw=$(_reg_string "$2")= || raw=@=
  # Sections may repeat a key (a seed adds to it): the last value counts.
  # Through the environment: awk -v would read the doubled backslashes.
  raw=$(KEY="[${path,,}]" WANT=${raw,,} awk '
    BEGIN { key = ENVIRON["KEY"]; want = ENVIRON["WANT"] }
    {
      if (more) { sub(/^[ \t]+/, ""); line = line $0 } else line = $0
      more = sub(/\\$/, "", line)
      if (more) next
      if (substr(line, 1, 1) == "[") { sub(/\] [0-9]+$/, "]", line); in_key = tolower(line) == key; next }
      if (in_key && tolower(substr(line, 1, length(want))) == want) { value = substr(line, length(want) + 1); found = 1 }
    }
    END { if (!found) exit 1; print value }' "$E2E_PREFIX/$file") || return 1
  case $raw in
    dword:*) printf 'REG_DWORD 0x%x\n' "$((16#${raw#dword:}))" ;;
    hex:*) raw=${raw#hex:} && printf 'REG_BINARY %s\n' "${raw//,/}" | tr a-f A-F ;;
    \"*) raw=${raw:1:-1} && raw=${raw//\\\"/\"} && printf 'REG_SZ %s\n' "${raw//\\\\/\\}" ;;
    *) printf 'REG_OTHER %s\n' "$raw" ;;
  esac
}

# reg_has_key ROOT\KEY: the key, or a key below it, is in the registry
# files. Call prefix_settle first.
reg_has_key() {
  local file path
  IFS=$'\t' read -r file path < <(reg_file "$1")
  KEY="[${path,,}" awk '
    BEGIN { key = ENVIRON["KEY"] }
    index(tolower($0), key) == 1 && substr($0, length(key) + 1, 1) ~ /[]\\]/ { found = 1 }
    END { exit !found }' "$E2E_PREFIX/$file"
}

expect_reg() {
  local got
  prefix_settle
  got=$(reg_get "$1" "$2") || { e2e_fail "registry value $1\\$2 is missing"; return; }
  expect_eq "registry value $1\\$2" "$got" "$3"
}

expect_reg_absent() {
  local got
  prefix_settle
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

# windows_version winxp|winxp64|win7|win10: the Windows the prefix reports
# (win7 unless set), written before any Wine process of the scenario
# starts. A 32-bit prefix takes winxp64 as the XP of its kind.
E2E_VERSION=win7
windows_version() {
  E2E_VERSION=$1
  [ "$LW_WINE_ARCH" = win32 ] && [ "$E2E_VERSION" = winxp64 ] && E2E_VERSION=winxp
  printf '\n[Software\\\\Wine] 1700000000\n"Version"="%s"\n' "$E2E_VERSION" >>"$E2E_PREFIX/user.reg"
}

# Whether the Windows of the prefix makes signed driver packages: Vista and
# later do, XP does not.
prefix_signs() { [[ "$E2E_VERSION" != winxp* ]]; }

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
  prefix_settle
  for store in HKEY_LOCAL_MACHINE HKEY_CURRENT_USER; do
    reg_has_key "$store\\Software\\Wine\\Crypto\\RSA" &&
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

# installed_inf DRIVER: the OEM INF that the log names in its "Created
# DRIVER oemxx.inf file [..]" line.
installed_inf() {
  log_bracket_value "Created $1 oemxx.inf file ["
}

# expect_installed_inf DRIVER TEXT...: the OEM INF that the log names in its
# "Created DRIVER oemxx.inf file [..]" line is in C:\windows\inf and holds
# each text.
expect_installed_inf() {
  local name
  name=$(installed_inf "$1") ||
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

# Files of the Windows inf folder, to show that nothing was installed. Not
# the PNF files: Wine writes those of its own INFs as it first sets up its
# devices, which under the emulator may be during the run.
inf_listing() { ls "$C/windows/inf" | grep -vi '\.pnf$'; }
