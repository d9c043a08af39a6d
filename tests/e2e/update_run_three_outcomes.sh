#!/usr/bin/env bash
# A full update run on the consumer Windows family (win98, the ASPI back end) with three drives:
# one of the accepted model, one of a wrong model, one that fails a block write. The run lasts its
# 101 ticks, the report names the refused drive and the failed one, offers no reboot, and leaves
# the window idle; the emulator confirms each drive's fate: the accepted drive holds the embedded
# image and runs the new revision, the other two keep their old firmware.
. "$(dirname "$0")/lib.bash"
e2e_require_program
e2e_begin win98se

e2e_emu_config <<'CFG'
adapters 1
[drive good]
at 0 0
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 1
[drive wrong]
at 0 1
vendor ACME
product DVD-RW ZX200
revision 0100
seed 2
[drive broken]
at 0 2
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 3
fail FA 5 03/0C/00
CFG

e2e_start
e2e_screenshot before
e2e_probe click "&Flash" >/dev/null || e2e_fail "cannot click &Flash"
e2e_list running
e2e_expect_control Button "&Flash" 1 0 -
e2e_expect_control Button "E&XIT" 1 0 -

# 101 ticks of 900 ms, and the run waits for the workers' one-minute restart wait.
if e2e_wait_report 240; then
  e2e_expect_line "box\\|FLASH\\|Update ACME    DVD-RW ZX200\\(Wrong Drive, Can't flash\\)  TEVOR   DVD RW KMR5133\\(Update failed\\)  NG\\." \
    "the report names the refused and the failed drive"
  e2e_expect_no_line 'box-button\|Cancel\|.*' "no reboot is offered"
  e2e_expect_line 'status\|1\|Complete: 100%' "the progress reached 100%"
  e2e_screenshot report
  e2e_answer OK
fi

e2e_list idle
e2e_expect_control Button "&Flash" 1 1 -
e2e_expect_control Button "E&XIT" 1 1 -
e2e_expect_count 'Button\|TEVOR   DVD RW KMR5133  1\.00\|1\|1\|1\|[0-9]+' 2 "both drives of the accepted model ticked and enabled again"
e2e_expect_count 'Button\|ACME    DVD-RW ZX200    0100\|1\|1\|1\|[0-9]+' 1 "the refused drive ticked and enabled again"
e2e_screenshot idle

# The wrong drive saw its INQUIRY and nothing else; the broken one lost its sequence at block 4.
e2e_expect_log_count 'wrong 120000002000000000000000 in 32 .*' 1 "the wrong drive got one 32-byte INQUIRY"
e2e_expect_log_count 'wrong (1B|FA|A0).*' 0 "the wrong drive was neither ejected nor written"
e2e_expect_log_count 'broken FA.*' 5 "the failing drive got five block writes"
e2e_expect_log_count 'good FA.*' 49 "the accepted drive got all 49 block writes"

e2e_exit

[ "$(e2e_drive_status good)" = $'revision 2.00\nrestarts 1' ] && e2e_pass "the accepted drive restarted on 2.00" ||
  e2e_fail "good: $(e2e_drive_status good)"
for d in wrong broken; do
  [ "$(e2e_drive_status "$d" | tail -1)" = "restarts 0" ] && e2e_pass "$d kept its firmware" ||
    e2e_fail "$d: $(e2e_drive_status "$d")"
done
make_cvt=$FLASH_ROOT/build/native/tools/make_cvt
if [ -x "$make_cvt" ]; then
  "$make_cvt" "$E2E_DIR/image.cvt" >/dev/null
  if cmp -s -n 802816 -i 36:0 "$E2E_DIR/image.cvt" "$(e2e_drive_flash good)"; then
    e2e_pass "the accepted drive's flash holds the embedded image"
  else
    e2e_fail "the accepted drive's flash differs from the embedded image"
  fi
else
  e2e_fail "no $make_cvt to compare the flash with"
fi
e2e_end
