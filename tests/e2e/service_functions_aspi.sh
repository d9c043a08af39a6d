#!/usr/bin/env bash
# The hidden service functions on each back end: Ctrl+Shift+S shows them; "ArgDrv" orders the
# rows by the order in which the drives are emptied and stores it in FLASH.INI; "Get CS" shows the
# checksum of the first responsive drive's flash ROM, the one the emulator's flash gives, and
# stores it; a restart applies the stored order.
# e2e-backends: aspi passthrough
. "$(dirname "$0")/backend.bash"
e2e_require_program
e2e_begin_drives

# Device 1 is emptied after its second TEST UNIT READY, device 0 after its fourth.
e2e_drive_config <<'CFG'
adapters 1
[drive first]
at 0 0
letter d
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 11
medium-after-tur 4 no-medium
[drive second]
at 0 1
letter e
vendor TEVOR
product HTL6190B
revision 1.10
seed 12
medium-after-tur 2 no-medium
CFG

first_row="TEVOR   DVD RW KMR5133  1.00"
second_row="TEVOR   HTL6190B        1.10"

e2e_start
e2e_list hidden
e2e_expect_control Button "ArgDrv" 0 1 -
e2e_probe key ctrl+shift+S >/dev/null || e2e_fail "cannot press Ctrl+Shift+S"
e2e_probe wait 20 'Button|Get CS|1' >/dev/null || e2e_fail "the service controls did not appear"
e2e_list shown
for control in "&Load CVT" "Get CS" "ArgDrv"; do e2e_expect_control Button "$control" 1 1 -; done
e2e_expect_control Static "File:" 1 1 -
e2e_expect_control Static "CS:" 1 1 -
e2e_expect_control Button "&Flash" 1 1 -
e2e_screenshot service_controls

e2e_probe click "ArgDrv" >/dev/null || e2e_fail "cannot click ArgDrv"
sleep 1
e2e_probe wait 120 'Button|ArgDrv|1|1' >/dev/null || e2e_fail "ArgDrv did not finish"
e2e_list arranged
e2e_expect_line "Button\\|$second_row\\|1\\|1\\|1\\|[0-9]+" "the row of the drive emptied first"
e2e_expect_count "Button\\|$first_row\\|1\\|1\\|1\\|[0-9]+" 1 "the row of the drive emptied second"
rows=$(grep -E "^Button\\|($first_row|$second_row)\\|" "$E2E_DIR/arranged.txt" | cut -d'|' -f2 | tr '\n' ';')
[ "$rows" = "$second_row;$first_row;" ] && e2e_pass "row 0 shows device 1, row 1 device 0" || e2e_fail "rows: $rows"
ini=$(tr -d '\r' < "$E2E_RUN/FLASH.INI" 2>/dev/null)
for line in "TOTAL_DRIVE=2" "0=1" "1=0" "2=-1" "9=-1"; do
  grep -qx -- "$line" <<<"$ini" && e2e_pass "FLASH.INI: $line" || e2e_fail "FLASH.INI lacks $line"
done

e2e_probe click "Get CS" >/dev/null || e2e_fail "cannot click Get CS"
# 1024 flash reads of 2048 bytes; the checksum then appears in EditCS as four hex digits and "h".
shown=
for _ in $(seq 240); do
  e2e_list checksum >/dev/null
  shown=$(grep -oE '^Edit\|[0-9A-F]{4}h\|' "$E2E_DIR/checksum.txt" | cut -d'|' -f2)
  [ -n "$shown" ] && break
  sleep 1
done
[ -n "$shown" ] && e2e_pass "Get CS shows $shown" || e2e_fail "no checksum shown"
e2e_screenshot checksum
ini=$(tr -d '\r' < "$E2E_RUN/FLASH.INI" 2>/dev/null)
stored=$(sed -n 's/^CHECKSUM=//p' <<<"$ini")
[ -n "$shown" ] && [ "$(printf '%04Xh' "${stored:-0}")" = "$shown" ] && e2e_pass "FLASH.INI holds the checksum shown" ||
  e2e_fail "FLASH.INI CHECKSUM=$stored, shown $shown"

e2e_exit
# The first responsive drive is device 0 (emptied, 02/3A/00): its flash, less the per-drive bytes.
expected=$(od -An -v -tu1 "$(e2e_drive_flash first)" |
  awk '{ for (i = 1; i <= NF; i++) { if (n < 2064384 || n >= 2064512) s += $i; n++ } } END { printf "%04Xh", s % 65536 }')
[ "$expected" = "$shown" ] && e2e_pass "the checksum is the emulated flash's ($expected)" ||
  e2e_fail "checksum shown $shown, the flash gives $expected"

# The next start applies the stored order.
e2e_start
e2e_list restarted
rows=$(grep -E "^Button\\|($first_row|$second_row)\\|" "$E2E_DIR/restarted.txt" | cut -d'|' -f2 | tr '\n' ';')
[ "$rows" = "$second_row;$first_row;" ] && e2e_pass "the restart applies the stored order" || e2e_fail "rows after restart: $rows"
e2e_exit
e2e_end
