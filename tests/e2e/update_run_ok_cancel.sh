#!/usr/bin/env bash
# A run on one accepted drive ends with the question "Update OK. Please cloes all programs. This
# computer will be rebooted." with OK and Cancel; Cancel asks for no restart (on ASPI, the 98 SE
# personality's record) and leaves the window idle with every control enabled and the drive on its
# new firmware. On both back ends.
# e2e-backends: aspi passthrough
. "$(dirname "$0")/backend.bash"
e2e_require_program
e2e_begin_drives

e2e_drive_config <<'CFG'
adapters 1
[drive only]
at 0 3
letter e
vendor TEVOR
product HTL6190C
revision 1.00
seed 5
CFG

e2e_start
e2e_probe click "&Flash" >/dev/null || e2e_fail "cannot click &Flash"
if e2e_wait_report 240; then
  e2e_expect_line 'box\|Tolvarine V0\.60 by Tevor PMXT-II\|Update OK\. Please cloes all programs\. This computer will be rebooted\.' \
    "the question, with the window's caption"
  e2e_expect_line 'box-button\|OK\|.*' "an OK button"
  e2e_expect_line 'box-button\|Cancel\|.*' "a Cancel button"
  e2e_expect_line 'status\|1\|Complete: 100%' "the progress at 100%"
  e2e_screenshot question
  e2e_answer Cancel "the question"
fi
e2e_expect_personality_count 'ExitWindowsEx .*' 0 "Cancel asks for no restart"
e2e_list idle
e2e_expect_control Button "&Flash" 1 1 -
e2e_expect_control Button "E&XIT" 1 1 -
e2e_expect_control Button "TEVOR   HTL6190C        1.00" 1 1 1
# The drive of the second accepted model got the parameter write before its blocks.
e2e_expect_log_count 'only A014AE00005F000000000004 none 0 GOOD.*' 1 "one parameter write"
e2e_expect_log_count 'only FA.*GOOD.*' 48 "48 block writes answered GOOD"
e2e_exit
[ "$(e2e_drive_status only)" = $'revision 2.00\nrestarts 1' ] && e2e_pass "the drive restarted on 2.00" ||
  e2e_fail "status: $(e2e_drive_status only)"
e2e_end
