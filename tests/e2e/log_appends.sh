#!/usr/bin/env bash
# Every run appends its own complete section to LinkwrightLog.txt in the
# current directory; nothing of an earlier run is lost. A log that cannot be
# created (a folder of that name stands there) changes nothing but the log,
# and so does one that is a second name of another file (a hard link: the
# elevated program must not write a file someone else chose). Command-line
# arguments are ignored.
source "$(dirname "$0")/lib.sh"
e2e_begin log_appends
seed_default_machine

# One run that leaves at the first chance: Cancel on the Welcome page, which
# ends the run with 1. A build that shows no pages passes through with 0.
run_and_leave() {
  lw_start "$@"
  if await_page_or_exit "$TITLE" "$WELCOME"; then
    PAGES=1
    must "could not press Cancel on the Welcome page" drv click "$TITLE" "$WELCOME" "$ID_CANCEL"
    lw_expect_exit 1
  else
    PAGES=0
    lw_expect_exit 0
  fi
}

run_and_leave
first_exit=$LW_EXIT
load_log || e2e_abort "the first run wrote no log"
first_log=$LOG
expect_banners 1
if [ "$PAGES" = 1 ]; then
  expect_log_in_order $'ActiveSync major version is 4\r\nActiveSync minor version is 5\r\n'
  expect_log_ends_with "$ABORTED"
  expect_log_lacks "Default path of " "Backing up "
fi

run_and_leave /S --install "C:\\elsewhere"
expect_eq "exit code of a run with arguments" "$LW_EXIT" "$first_exit"
load_log
log=$LOG
[[ "$log" == "$first_log"?* ]] || e2e_fail "the second run did not append to the first run's log"
expect_banners 2
[ "$PAGES" = 1 ] && expect_eq "aborted lines" "$(log_count "$ABORTED")" 2

nolog=$C/nolog
mkdir -p "$nolog/LinkwrightLog.txt"
E2E_CWD=$nolog run_and_leave
expect_eq "exit code without a log" "$LW_EXIT" "$first_exit"
[ -d "$nolog/LinkwrightLog.txt" ] || e2e_fail "the folder named LinkwrightLog.txt is gone"
[ -z "$(ls -A "$nolog/LinkwrightLog.txt")" ] || e2e_fail "something was written into the folder"
load_log
[ "$LOG" == "$log" ] || e2e_fail "the log of the earlier runs changed"

linked=$C/linked
victim=$C/windows/system32/victim.txt
mkdir -p "$linked"
printf 'system file\r\n' >"$victim"
ln "$victim" "$linked/LinkwrightLog.txt"
E2E_CWD=$linked run_and_leave
expect_eq "exit code with a linked log" "$LW_EXIT" "$first_exit"
expect_eq "the file the log's name links to" "$(cat "$victim")" $'system file\r'

e2e_end
