#!/usr/bin/env bash
# One drive operation at a time, on each back end: while "ArgDrv" scans, "&Flash", "Get CS"
# and "&Load CVT" are disabled and a click on Flash (also one forced onto the disabled button) starts
# nothing: the emulator's log holds no worker command and no block write when ArgDrv ends. Flash
# pressed after ArgDrv then writes both drives, which end on the new firmware.
# e2e-backends: aspi passthrough
. "$(dirname "$0")/backend.bash"
e2e_require_program
e2e_begin_drives

# ArgDrv scans about once a second; the drives are emptied after their 12th and 15th TEST UNIT READY.
e2e_drive_config <<'CFG'
adapters 1
[drive first]
at 0 0
letter d
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 21
medium-after-tur 12 no-medium
[drive second]
at 0 1
letter e
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 22
medium-after-tur 15 no-medium
CFG

worker_or_write='(first|second) (120000002000000000000000|FA).*'

e2e_start
e2e_probe key ctrl+shift+S >/dev/null || e2e_fail "cannot press Ctrl+Shift+S"
e2e_probe wait 20 'Button|Get CS|1' >/dev/null || e2e_fail "the service controls did not appear"

# While ArgDrv scans, the window answers messages only between its one-second waits: the probe
# reads it quickly (texts as the window manager holds them, no messages).
e2e_probe click "ArgDrv" >/dev/null || e2e_fail "cannot click ArgDrv"
e2e_probe --quick wait 10 'Button|ArgDrv|1|0' >/dev/null || e2e_fail "ArgDrv did not start"
e2e_probe --quick list >/dev/null
cp "$E2E_LAST" "$E2E_DIR/scanning.txt"
for control in "ArgDrv" "&Flash" "Get CS" "&Load CVT"; do e2e_expect_control Button "$control" 1 0 -; done
e2e_expect_control Button "E&XIT" 1 1 -
if e2e_probe --quick click "&Flash" >/dev/null 2>&1; then
  e2e_fail "a click reached the disabled Flash button"
else
  e2e_pass "Flash is not clickable"
fi
# Clicks that reach the buttons all the same (as ones queued before they were disabled would).
e2e_probe --quick --force click "&Flash" >/dev/null
e2e_probe --quick --force click "Get CS" >/dev/null
sleep 2
e2e_screenshot scanning
e2e_probe --quick list >/dev/null
cp "$E2E_LAST" "$E2E_DIR/still_scanning.txt"
e2e_expect_control Button "ArgDrv" 1 0 -
e2e_expect_no_line 'box\|.*' "no box: nothing started"

e2e_probe --quick wait 60 'Button|ArgDrv|1|1' >/dev/null || e2e_fail "ArgDrv did not finish"
cp "$E2E_RUN/commands.log" "$E2E_DIR/argdrv-commands.log" 2>/dev/null || e2e_fail "no command log"
n=$(grep -Ec -- "^($worker_or_write)\$" "$E2E_DIR/argdrv-commands.log")
[ "$n" = 0 ] && e2e_pass "no worker INQUIRY and no block write before ArgDrv ended" ||
  e2e_fail "$n worker commands or block writes before ArgDrv ended"
n=$(grep -Ec -- '^(first|second) A015.*' "$E2E_DIR/argdrv-commands.log")
[ "$n" = 0 ] && e2e_pass "no flash read: Get CS was refused" || e2e_fail "$n flash reads during ArgDrv"
e2e_list arranged
e2e_expect_line 'status\|1\|Percent' "no run started"
for control in "&Flash" "Get CS" "&Load CVT" "E&XIT"; do e2e_expect_control Button "$control" 1 1 -; done
ini=$(tr -d '\r' < "$E2E_RUN/FLASH.INI" 2>/dev/null)
grep -qx "TOTAL_DRIVE=2" <<<"$ini" && e2e_pass "FLASH.INI: both drives placed" || e2e_fail "FLASH.INI: $ini"

# Now the run: its workers write both drives.
e2e_probe click "&Flash" >/dev/null || e2e_fail "cannot click &Flash after ArgDrv"
if e2e_wait_report 240; then
  e2e_expect_line 'box\|Tolvarine V0\.60 by Tevor PMXT-II\|Update OK\. .*' "the run reports success"
  e2e_answer Cancel
fi
e2e_expect_log_count 'first FA.*' 49 "the first drive got its 49 block writes after ArgDrv"
e2e_expect_log_count 'second FA.*' 49 "the second drive got its 49 block writes after ArgDrv"

e2e_exit 1
for d in first second; do
  [ "$(e2e_drive_status "$d")" = $'revision 2.00\nrestarts 1' ] && e2e_pass "$d restarted on 2.00" ||
    e2e_fail "$d: $(e2e_drive_status "$d")"
done
e2e_end
