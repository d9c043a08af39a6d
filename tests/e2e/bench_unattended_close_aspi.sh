#!/usr/bin/env bash
# A close in /AUTO never ends the program with a status its run did not earn. WM_CLOSE 15 s into a
# run whose only drive failed at readiness is refused and logged, and the program ends when the run
# does, with the run's failure status (3, never 0). WM_CLOSE during the block writes is refused
# without a box; the run ends with 0 and the emulator shows the drive on the new firmware.
. "$(dirname "$0")/lib.bash"
e2e_require_program
e2e_begin win98se

refused_line=" message | The window's close was refused: the program ends when the update run has ended, with its status."

# Starts FLASH.EXE /AUTO, looks for a message box every second until it ends, and posts WM_CLOSE
# once `close_now` says so. Sets box_seen and close_blocks (block writes logged at the close).
run_and_close() {
  local name=$1 started
  box_seen=0
  close_blocks=
  e2e_start_with 90 /AUTO
  started=$SECONDS
  while kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; do
    if e2e_probe boxes 2>/dev/null | grep -q '^box|'; then
      box_seen=1
      cp "$E2E_LAST" "$E2E_DIR/$name-box.txt"
      break
    fi
    if [ -z "$close_blocks" ] && close_now $((SECONDS - started)); then
      close_blocks=$(e2e_command_log | grep -c ' FA' || true)
      if e2e_probe close >/dev/null; then
        e2e_log "$name: WM_CLOSE posted $((SECONDS - started)) s after the window, $close_blocks blocks written"
      else
        e2e_fail "$name: the window was gone before the close"
      fi
      e2e_screenshot "$name-after-close"
    fi
    sleep 1
  done
  [ "$box_seen" = 0 ] && e2e_pass "$name: no message box" ||
    e2e_fail "$name: a message box was shown: $(cat "$E2E_DIR/$name-box.txt")"
  e2e_wait_exit 300 || e2e_fail "$name: the program did not end"
  grep -q 'msgbox' "$E2E_DIR/program.log" && e2e_fail "$name: Wine logged a box" || e2e_pass "$name: Wine logged no box"
  [ -n "$close_blocks" ] || e2e_fail "$name: the program ended before the close"
}

# The log's lines that this run added (FLASH.LOG is only appended to).
new_log_lines() {
  tr -d '\r' <"$E2E_RUN/FLASH.LOG" | tail -n +$(($1 + 1)) >"$E2E_DIR/$2-FLASH.LOG.txt"
}

# --- A drive that fails at readiness; the close comes 15 s into the run ---
e2e_emu_config <<'CFG'
adapters 1
[drive a]
at 0 0
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 1
medium tray-open
CFG
close_now() { [ "$1" -ge 15 ]; }
run_and_close readiness
[ "$E2E_PROGRAM_RC" = 3 ] && e2e_pass "readiness: exit status 3 (failed)" ||
  e2e_fail "readiness: exit status $E2E_PROGRAM_RC, expected 3 and never 0"
[ "$(e2e_drive_status a | tail -1)" = "restarts 0" ] && e2e_pass "readiness: the drive kept its firmware" ||
  e2e_fail "readiness: a: $(e2e_drive_status a)"
e2e_expect_log_count 'a FA.*' 0 "readiness: no block write"
if [ -f "$E2E_RUN/FLASH.LOG" ]; then
  new_log_lines 0 readiness
  for want in '^==== update run ' '^row 0 \| 0:0 \| TEVOR   DVD RW KMR5133 \| failed \| at readiness \| sense 02/3A/02 ' \
    "$(e2e_quote "$refused_line")\$" ' message \| Exit status 3$'; do
    grep -Eq "$want" "$E2E_DIR/readiness-FLASH.LOG.txt" && e2e_pass "readiness log: $want" ||
      e2e_fail "readiness log lacks $want"
  done
else
  e2e_fail "readiness: no FLASH.LOG"
fi
log_lines=$(tr -d '\r' <"$E2E_RUN/FLASH.LOG" 2>/dev/null | wc -l)

# --- An accepted drive; the close comes while its blocks are being written ---
rm -f "$E2E_RUN"/*.status "$E2E_RUN"/*.flash.bin "$E2E_RUN/commands.log"
e2e_emu_config <<'CFG'
adapters 1
[drive a]
at 0 0
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 1
latency FA 250
CFG
close_now() { [ "$(e2e_command_log | grep -c ' FA' || true)" -ge 1 ]; }
run_and_close write
[ -n "$close_blocks" ] && [ "$close_blocks" -lt 49 ] && e2e_pass "write: the close came during the block writes" ||
  e2e_fail "write: the close came after ${close_blocks:-no} block writes"
[ "$E2E_PROGRAM_RC" = 0 ] && e2e_pass "write: exit status 0" || e2e_fail "write: exit status $E2E_PROGRAM_RC"
[ "$(e2e_drive_status a)" = $'revision 2.00\nrestarts 1' ] && e2e_pass "write: the drive restarted on 2.00" ||
  e2e_fail "write: a: $(e2e_drive_status a)"
make_cvt=$FLASH_ROOT/build/native/tools/make_cvt
if [ -x "$make_cvt" ]; then
  "$make_cvt" "$E2E_DIR/image.cvt" >/dev/null
  cmp -s -n 802816 -i 36:0 "$E2E_DIR/image.cvt" "$(e2e_drive_flash a)" &&
    e2e_pass "write: the drive's flash holds the embedded image" || e2e_fail "write: the drive's flash differs from the image"
else
  e2e_fail "no $make_cvt to compare the flash with"
fi
e2e_expect_log_count 'a FA.* GOOD .*' 48 "write: 48 blocks taken, the last answered by the restart"
e2e_expect_log_count 'a FA.*' 49 "write: all 49 block writes"
new_log_lines "$log_lines" write
for want in '^row 0 \| 0:0 \| TEVOR   DVD RW KMR5133 \| updated \| [0-9]+ s$' \
  '^report \| Update OK\. Please cloes all programs\. This computer will be rebooted\.$' \
  "$(e2e_quote "$refused_line")\$" ' message \| Exit status 0$'; do
  grep -Eq "$want" "$E2E_DIR/write-FLASH.LOG.txt" && e2e_pass "write log: $want" || e2e_fail "write log lacks $want"
done
e2e_end
