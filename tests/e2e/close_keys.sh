#!/usr/bin/env bash
# Escape, the close box and Alt+F4 cancel the Welcome page (exit code 1);
# Escape and the close box leave the finish page like Exit (exit code 0).
# The same posted keys and commands are what the progress page must ignore.
source "$(dirname "$0")/lib.sh"
e2e_begin close_keys
seed_default_machine

for action in escape close altf4; do
  lw_start
  must "the Welcome page did not appear" drv wait "$TITLE" "$WELCOME"
  must "could not post $action" drv post "$TITLE" "$WELCOME" "$action"
  lw_wait_exit
  expect_eq "exit code after $action on the Welcome page" "$LW_EXIT" 1
done
expect_eq "aborted runs" "$(log_count "$ABORTED")" 3

for action in escape close; do
  lw_start
  welcome_install
  must "the finish page did not appear" drv wait "$TITLE" "$FINISH" 30000
  must "could not post $action" drv post "$TITLE" "$FINISH" "$action"
  lw_wait_exit
  expect_eq "exit code after $action on the finish page" "$LW_EXIT" 0
done
expect_banners 5
expect_eq "installs" "$(log_count 'Created usbstor oemxx.inf file [')" 2
e2e_end
