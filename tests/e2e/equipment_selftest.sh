#!/usr/bin/env bash
# The end-to-end equipment checked on its own stand-in window (fixture_window.exe over the real SCSI
# layer): the emulated ASPI manager DLL under the win98 version, the probe's listing, clicks, refusals
# and message-box answers, the command log, the flash files after a commit and at the process end.
. "$(dirname "$0")/lib.bash"
# The fixture is a test program: the test tree builds it, the release tree does not.
e2e_use_program "${FLASH_TEST_BUILD_DIR:-$FLASH_ROOT/build/win32}/fixture_window.exe"
e2e_require_program
e2e_begin win98

e2e_emu_config <<'CFG'
adapters 2
[drive d0]
at 0 1
vendor TEVOR
product DVD RW KMR5133
revision 1.00
latency 20
[device disk]
at 0 3
type 00
[drive d1]
at 1 0
inquiry 05 80 00 02 1F 00 00 00 54 45 56 4F 52 20 20 20 48 54 4C 00 39 30 42 20
CFG

e2e_start

e2e_list start
e2e_expect_line 'title\|E2E Fixture' "the window title"
e2e_expect_control Button "TEVOR   DVD RW KMR5133  1.00" 1 1 1
e2e_expect_control Button "TEVOR   HTL" 1 1 1   # the text ends at the zero byte in the INQUIRY data
e2e_expect_control Button "2" 0 1 0
e2e_expect_control Button "&Write" 1 1 -
e2e_expect_control Button "E&XIT" 1 1 -
e2e_expect_control Button "Get CS" 0 1 -
e2e_expect_line 'status\|0\|Progress'
e2e_expect_line 'status\|1\|Percent'
e2e_expect_line 'progress\|0'
e2e_expect_log_count 'd0 120000002400000000000000 in 36 GOOD t=[0-9]+' 1 "one INQUIRY of 36 bytes to d0"
e2e_expect_log_count 'd1 120000002400000000000000 in 36 GOOD t=[0-9]+' 1 "one INQUIRY of 36 bytes to d1"
e2e_expect_log_count '.*' 2 "nothing else at start-up"
e2e_screenshot start

# What a user cannot click, the probe refuses to click.
if e2e_probe click "Get CS" >/dev/null 2>&1; then e2e_fail "a hidden button was clicked"; else e2e_pass "hidden button refused"; fi
if e2e_probe click "No such" >/dev/null 2>&1; then e2e_fail "a missing control was clicked"; else e2e_pass "missing control refused"; fi

e2e_probe click "TEVOR   HTL" >/dev/null
e2e_probe wait 10 'Button|TEVOR   HTL|1|1|0|' >/dev/null || e2e_fail "the second row did not untick"
e2e_probe click "&Write" >/dev/null
if e2e_probe wait-box 120 >/dev/null; then
  e2e_expect_line 'box\|fixture_window\|Fixture wrote 1 of 1' "the report names one drive written"
  e2e_expect_line 'box-button\|OK\|1\|1' "the box has an OK button"
else
  e2e_fail "no report box"
fi
e2e_list report
e2e_expect_line 'status\|1\|Complete: 100%'
e2e_expect_line 'progress\|100'
e2e_screenshot report
# The commit wrote the drive's files at once, before the process ends.
if [ "$(e2e_drive_status d0)" = $'revision 2.00\nrestarts 1' ]; then e2e_pass "d0 committed"; else e2e_fail "d0 status: $(e2e_drive_status d0)"; fi
e2e_expect_log_count 'd0 FA.{22} out 16384 (GOOD|CHECK:06/29/00) t=[0-9]+' 2 "two blocks to d0"
e2e_expect_log_count 'd1 FA.*' 0 "nothing written to the unticked d1"

e2e_answer OK "the box"
e2e_exit 1
# The end of the process wrote every drive's files.
if [ "$(e2e_drive_status d1)" = $'revision 1.00\nrestarts 0' ]; then e2e_pass "d1 files at the end"; else e2e_fail "d1 status: $(e2e_drive_status d1)"; fi
[ "$(stat -c %s "$(e2e_drive_flash d1)" 2>/dev/null)" = 2097152 ] && e2e_pass "d1 flash file" || e2e_fail "d1 flash file"
e2e_end
