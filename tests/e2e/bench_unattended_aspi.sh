#!/usr/bin/env bash
# The unattended mode, on each back end: FLASH.EXE /AUTO shows its window, presses Flash by
# itself, shows no message box, writes the run to the log and exits 0 when every drive was
# updated; started again as /auto /LOG=bench.log with a wrong drive among them, it exits 2 and
# that log holds its report. The emulator confirms what each drive holds.
# e2e-backends: aspi passthrough
. "$(dirname "$0")/backend.bash"
e2e_require_program
e2e_begin_drives

accepted_config() {
  cat <<'CFG'
adapters 1
[drive a]
at 0 0
letter d
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 1
[drive b]
at 0 1
letter e
vendor TEVOR
product HTL6190
revision 1.00
seed 2
CFG
}

# No box may appear while the program runs; the probe looks every few seconds until it ends.
watch_for_boxes() {
  local name=$1 seen=0
  while kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; do
    if e2e_probe boxes 2>/dev/null | grep -q '^box|'; then
      seen=1
      e2e_probe boxes >"$E2E_DIR/$name-box.txt" 2>/dev/null
      break
    fi
    sleep 3
  done
  [ "$seen" = 0 ] && e2e_pass "$name: no message box" || e2e_fail "$name: a message box was shown: $(cat "$E2E_DIR/$name-box.txt")"
}

# --- First run: every drive accepted, exit 0 ---
e2e_drive_config < <(accepted_config)
e2e_start_with 90 /AUTO
e2e_list auto-start
e2e_screenshot auto-running
watch_for_boxes first
e2e_wait_exit 300 || e2e_fail "the first run did not end"
[ "$E2E_PROGRAM_RC" = 0 ] && e2e_pass "all updated: exit status 0" || e2e_fail "all updated: exit status $E2E_PROGRAM_RC"
grep -q 'msgbox' "$E2E_DIR/program.log" && e2e_fail "a box was logged by Wine" || e2e_pass "Wine logged no box"
for d in a b; do
  [ "$(e2e_drive_status "$d")" = $'revision 2.00\nrestarts 1' ] && e2e_pass "$d restarted on 2.00" ||
    e2e_fail "$d: $(e2e_drive_status "$d")"
done
e2e_expect_log_count 'a FA.*' 49 "drive a got all 49 block writes"
e2e_expect_log_count 'b FA.*' 49 "drive b got all 49 block writes"
if [ -f "$E2E_RUN/FLASH.LOG" ]; then
  tr -d '\r' <"$E2E_RUN/FLASH.LOG" >"$E2E_DIR/first-FLASH.LOG.txt"
  for want in "^row 0 \\| $(e2e_drive_place d 0:0) \\| TEVOR   DVD RW KMR5133 \\| updated \\| [0-9]+ s\$" \
    "^row 1 \\| $(e2e_drive_place e 0:1) \\| TEVOR   HTL6190 \\| updated \\| [0-9]+ s\$" \
    '^report \| Update OK\. Please cloes all programs\. This computer will be rebooted\.$' \
    ' message \| Exit status 0$'; do
    grep -Eq "$want" "$E2E_DIR/first-FLASH.LOG.txt" && e2e_pass "FLASH.LOG: $want" || e2e_fail "FLASH.LOG lacks $want"
  done
else
  e2e_fail "no FLASH.LOG after the first run"
fi

# --- Second run: a wrong drive among them, exit 2, the log named on the command line ---
rm -f "$E2E_RUN"/*.status "$E2E_RUN"/*.flash.bin "$E2E_RUN/commands.log"
# (e2e_drive_config exports the file's name, so it must not run in a pipeline's subshell.)
e2e_drive_config < <(
  accepted_config
  cat <<'CFG'
[drive wrong]
at 0 2
letter f
vendor ACME
product DVD-RW ZX200
revision 0100
seed 3
CFG
)
e2e_start_with 90 /LOG=bench.log /auto
watch_for_boxes second
e2e_wait_exit 300 || e2e_fail "the second run did not end"
[ "$E2E_PROGRAM_RC" = 2 ] && e2e_pass "a wrong drive: exit status 2" || e2e_fail "a wrong drive: exit status $E2E_PROGRAM_RC"
[ "$(e2e_drive_status wrong | tail -1)" = "restarts 0" ] && e2e_pass "the wrong drive kept its firmware" ||
  e2e_fail "wrong: $(e2e_drive_status wrong)"
e2e_expect_log_count 'wrong (1B|FA|A0).*' 0 "the wrong drive was neither ejected nor written"
if [ -f "$E2E_RUN/bench.log" ]; then
  tr -d '\r' <"$E2E_RUN/bench.log" >"$E2E_DIR/bench.log.txt"
  for want in "^row 2 \\| $(e2e_drive_place f 0:2) \\| ACME    DVD-RW ZX200 \\| refused, wrong model \\| [0-9]+ s\$" \
    "^report \\| $(e2e_quote "Update ACME    DVD-RW ZX200(Wrong Drive, Can't flash)  NG.")\$" \
    ' message \| Exit status 2$'; do
    grep -Eq "$want" "$E2E_DIR/bench.log.txt" && e2e_pass "bench.log: $want" || e2e_fail "bench.log lacks $want"
  done
else
  e2e_fail "no bench.log after the second run"
fi
[ "$(grep -c '^==== update run' "$E2E_DIR/first-FLASH.LOG.txt")" = 1 ] &&
  [ "$(tr -d '\r' <"$E2E_RUN/FLASH.LOG" | grep -c '^==== update run')" = 1 ] &&
  e2e_pass "FLASH.LOG kept only the first run" || e2e_fail "FLASH.LOG changed by the run logged elsewhere"
e2e_end
