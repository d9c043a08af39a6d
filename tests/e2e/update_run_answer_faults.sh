#!/usr/bin/env bash
# Faults in the answers of block writes, on each back end: a block answered five seconds late (the
# drive is updated), a block whose answer is lost on the way (no status, no sense: the drive never
# kept it) and a last block of which no byte went across although the status reads GOOD. Only the
# late drive is reported updated; the other two are failed drives, and each drive's own record
# shows where its writes stopped and that neither of the two restarted or took the image.
# e2e-backends: aspi passthrough
. "$(dirname "$0")/backend.bash"
e2e_require_program
e2e_begin_drives

e2e_drive_config <<'CFG'
adapters 1
[drive late]
at 0 0
letter d
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 1
late FA 20 5000
[drive lost]
at 0 1
letter e
vendor TEVOR
product HTL6190A
revision 1.00
seed 2
lose FA 10
[drive short]
at 0 2
letter f
vendor TEVOR
product HTL6190C
revision 1.00
seed 3
short FA 49 0
CFG

e2e_start
e2e_probe click "&Flash" >/dev/null || e2e_fail "cannot click &Flash"
if e2e_wait_report 240; then
  # The late drive was updated, so the restart is offered.
  e2e_expect_line "box\\|Tolvarine V0\\.60 by Tevor PMXT-II\\|$(e2e_quote "Update TEVOR   HTL6190A(Update failed)  TEVOR   HTL6190C(Update failed)  NG. Please cloes all programs. This computer will be rebooted.")" \
    "the report names the drive whose answer was lost and the one whose last block moved nothing"
  e2e_screenshot report
  e2e_answer OK
fi

# What each drive received. The late drive got every block; the lost answer ends the writes at
# block 10, which the drive never kept; the short drive got all 49, the last of them empty.
inquiry="12 in 36, 12 in 32"
e2e_expect_sequence late "$inquiry, 00 none 0, 1B none 0, FA out 16384 x49"
e2e_expect_sequence lost "$inquiry, A014 none 0, 00 none 0, 1B none 0, FA out 16384 x10"
e2e_expect_sequence short "$inquiry, A014 none 0, 00 none 0, 1B none 0, FA out 16384 x49"
e2e_expect_log_count 'late FA.* GOOD t=[0-9]+' 48 "the late drive answered 48 blocks GOOD, one of them late"
e2e_expect_log_count 'late FA51C4F9E1300151C4F9E131 out 16384 CHECK:06/29/00 t=[0-9]+' 1 "and restarted on its last"
e2e_expect_log_count 'lost FA51C4F9E1090151C4F9E131 out 16384 (HOST:11|LOST) t=[0-9]+' 1 "block 10's answer was lost"
e2e_expect_log_count 'short FA51C4F9E1300151C4F9E131 out 16384 (HOST:12|SHORT:0) t=[0-9]+' 1 "block 49 moved no byte"

# OK accepted the restart. The 98 SE personality records it and leaves the window to E&XIT; on
# the NT family Wine carries ExitWindowsEx out by ending the session, which ends the program at a
# moment of its own, so pressing E&XIT there would race the session's end.
if [ "$E2E_BACKEND" = passthrough ]; then
  e2e_wait_exit 60 && e2e_pass "the accepted restart ended the session, and the program with it" ||
    e2e_fail "the program did not end with the session after the accepted restart"
else
  e2e_exit
fi
[ "$(e2e_drive_status late)" = $'revision 2.00\nrestarts 1' ] && e2e_pass "the late drive restarted on 2.00" ||
  e2e_fail "late: $(e2e_drive_status late)"
for d in lost short; do
  [ "$(e2e_drive_status "$d")" = $'revision 1.00\nrestarts 0' ] && e2e_pass "$d kept its firmware" ||
    e2e_fail "$d: $(e2e_drive_status "$d")"
done
e2e_end
