#!/usr/bin/env bash
# Windows 98 SE (the personality): a run on two accepted drives ends with the question "Update OK.
# Please cloes all programs. This computer will be rebooted."; OK asks Windows for the restart,
# ExitWindowsEx with EWX_REBOOT (recorded by the personality, not carried out), without the token
# calls that 98 does not implement, and the run leans on no other call that 98 answers otherwise.
# Both drives hold the embedded image and restarted on the new revision.
. "$(dirname "$0")/lib.bash"
e2e_require_program
e2e_begin win98se

e2e_emu_config <<'CFG'
adapters 1
[drive a]
at 0 0
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 7
[drive b]
at 0 1
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 8
CFG

e2e_start
e2e_list startup
e2e_expect_count 'Button\|TEVOR   DVD RW KMR5133  1\.00\|1\|1\|1\|[0-9]+' 2 "both drives listed and ticked"
e2e_probe click "&Flash" >/dev/null || e2e_fail "cannot click &Flash"
if e2e_wait_report 240; then
  e2e_expect_line 'box\|Tolvarine V0\.60 by Tevor PMXT-II\|Update OK\. Please cloes all programs\. This computer will be rebooted\.' \
    "the question"
  e2e_expect_line 'box-button\|OK\|.*' "an OK button"
  e2e_answer OK "the question"
fi
# The restart is asked for as soon as the box is gone.
for _ in $(seq 20); do
  e2e_personality_log | grep -q '^ExitWindowsEx ' && break
  sleep 0.5
done
e2e_personality_log >"$E2E_DIR/win98se.txt"
e2e_expect_personality_count 'ExitWindowsEx flags=0x00000002 reason=0x00000000 .*' 1 "OK asked once for a restart with EWX_REBOOT"
e2e_expect_personality_count '(OpenProcessToken|LookupPrivilegeValueA|AdjustTokenPrivileges) .*' 0 \
  "no token call, which 98 does not implement"
e2e_expect_personality_count '.*' 1 "no other call answered as 98 SE answers it"
e2e_expect_log_count 'a FA.*' 49 "drive a got all 49 block writes"
e2e_expect_log_count 'b FA.*' 49 "drive b got all 49 block writes"
e2e_exit

make_cvt=$FLASH_ROOT/build/native/tools/make_cvt
[ -x "$make_cvt" ] && "$make_cvt" "$E2E_DIR/image.cvt" >/dev/null || e2e_fail "no $make_cvt to compare the flash with"
for d in a b; do
  [ "$(e2e_drive_status "$d")" = $'revision 2.00\nrestarts 1' ] && e2e_pass "$d restarted on 2.00" ||
    e2e_fail "$d: $(e2e_drive_status "$d")"
  if [ -f "$E2E_DIR/image.cvt" ]; then
    cmp -s -n 802816 -i 36:0 "$E2E_DIR/image.cvt" "$(e2e_drive_flash "$d")" &&
      e2e_pass "$d's flash holds the embedded image" || e2e_fail "$d's flash differs from the embedded image"
  fi
done
e2e_end
