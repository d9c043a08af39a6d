#!/usr/bin/env bash
# Verification against a reference checksum on each back end: FLASH.INI holds [VERIFY]
# CHECKSUM=1244h, what every drive updated with the embedded image reads back. Of two accepted
# drives the emulator corrupts one's flash after its update: that row turns red and the report
# names it "(Verify failed)  " with the restart still offered for the other; FLASH.LOG beside
# FLASH.INI holds both outcomes and the report; the emulator's records show both drives took the
# image and that only the corrupted one differs.
# e2e-backends: aspi passthrough
. "$(dirname "$0")/backend.bash"
e2e_require_program
e2e_begin_drives

e2e_drive_config <<'CFG'
adapters 1
[drive good]
at 0 0
letter d
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 1
[drive corrupt]
at 0 1
letter e
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 2
corrupt-after-update yes
CFG
e2e_ini <<'INI'
[VERIFY]
CHECKSUM=1244h
INI

e2e_start
e2e_list start
e2e_expect_no_line 'box\|.*' "no start-up message for a valid key"
e2e_probe click "&Flash" >/dev/null || e2e_fail "cannot click &Flash"

report="Update TEVOR   DVD RW KMR5133(Verify failed)  NG. Please cloes all programs. This computer will be rebooted."
if e2e_wait_report 300; then
  e2e_expect_line "box\\|Tolvarine V0\\.60 by Tevor PMXT-II\\|$(e2e_quote "$report")" "the report names the verify failure"
  e2e_expect_line 'box-button\|Cancel\|.*' "the restart is offered for the drive that was updated"
  e2e_screenshot report
  e2e_answer Cancel
fi
e2e_list idle
e2e_expect_control Button "&Flash" 1 1 -
e2e_screenshot idle  # the first row green, the second red

# Both drives received all 49 blocks and read their whole flash back once each (1024 chunks).
e2e_expect_log_count 'good FA.*' 49 "the good drive got all 49 block writes"
e2e_expect_log_count 'corrupt FA.*' 49 "the corrupted drive got all 49 block writes"
e2e_expect_log_count 'good A015.* GOOD .*' 1024 "the good drive's flash was read back whole"
e2e_expect_log_count 'corrupt A015.* GOOD .*' 1024 "the corrupted drive's flash was read back whole"

log="$E2E_RUN/FLASH.LOG"
if [ -f "$log" ]; then
  cp "$log" "$E2E_DIR/FLASH.LOG"
  grep -q $'\r$' "$log" && e2e_pass "FLASH.LOG has CRLF lines" || e2e_fail "FLASH.LOG lines do not end in CRLF"
  tr -d '\r' <"$log" >"$E2E_DIR/FLASH.LOG.txt"
  for want in \
    '^==== update run [0-9-]+ [0-9:]+ to [0-9-]+ [0-9:]+$' \
    '^caption \| Tolvarine V0\.60 by Tevor PMXT-II$' \
    "^back end \\| $([ "$E2E_BACKEND" = passthrough ] && echo pass-through || echo ASPI)\$" \
    "^row 0 \\| $(e2e_drive_place d 0:0) \\| TEVOR   DVD RW KMR5133 \\| updated \\| checksum 1244h \\(reference 1244h\\) \\| [0-9]+ s\$" \
    "^row 1 \\| $(e2e_drive_place e 0:1) \\| TEVOR   DVD RW KMR5133 \\| verify failed \\| at verification \\| sense no sense \\| checksum 1145h \\(reference 1244h\\) \\| [0-9]+ s\$" \
    "^report \\| $(e2e_quote "$report")\$"; do
    grep -Eq "$want" "$E2E_DIR/FLASH.LOG.txt" && e2e_pass "FLASH.LOG: $want" || e2e_fail "FLASH.LOG lacks $want"
  done
else
  e2e_fail "no FLASH.LOG beside FLASH.INI"
fi

e2e_exit
for d in good corrupt; do
  [ "$(e2e_drive_status "$d")" = $'revision 2.00\nrestarts 1' ] && e2e_pass "$d restarted on 2.00" ||
    e2e_fail "$d: $(e2e_drive_status "$d")"
done
# The two flashes differ only in the identity area and the one corrupted byte.
diffs=$(cmp -l "$(e2e_drive_flash good)" "$(e2e_drive_flash corrupt)" | awk '
  { off = $1 - 1; if (off >= 2064384 && off < 2064512) next; print off }')
[ "$diffs" = "1048576" ] && e2e_pass "the flashes differ only in the corrupted byte" ||
  e2e_fail "the flashes differ at: $(echo "$diffs" | head -5 | tr '\n' ' ')"
e2e_end
