#!/usr/bin/env bash
# A full update run on each back end (win98 over the ASPI manager, win2k over pass-through) with
# five drives, the most Wine's pass-through keeps: one of the accepted model, one of the family's
# second accepted product (cross-flashed after its parameter write), one of a wrong model, one that
# fails a block write with 03/0C/00, one that vanishes in the middle of the writes. The run lasts
# its 101 ticks, the report names the refused drive and the failed ones, offers no reboot, and
# leaves the window idle; each drive's own record confirms its fate: the exact command sequence,
# the embedded image in the flash of the two updated drives on their new revision, and the old
# firmware kept by the other three.
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
[drive cross]
at 0 1
letter e
vendor TEVOR
product HTL6190B
revision 1.10
seed 4
[drive wrong]
at 0 2
letter f
vendor ACME
product DVD-RW ZX200
revision 0100
seed 2
[drive broken]
at 0 3
letter g
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 3
fail FA 5 03/0C/00
[drive gone]
at 0 4
letter h
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 5
vanish FA 20
CFG

e2e_start
e2e_screenshot before
e2e_probe click "&Flash" >/dev/null || e2e_fail "cannot click &Flash"
e2e_list running
e2e_expect_control Button "&Flash" 1 0 -
e2e_expect_control Button "E&XIT" 1 0 -

# 101 ticks of 900 ms, and the run waits for the workers' one-minute restart wait.
if e2e_wait_report 240; then
  e2e_expect_line "box\\|FLASH\\|$(e2e_quote "Update ACME    DVD-RW ZX200(Wrong Drive, Can't flash)  TEVOR   DVD RW KMR5133(Update failed)  TEVOR   DVD RW KMR5133(Update failed)  NG.")" \
    "the report names the refused and the two failed drives"
  e2e_expect_no_line 'box-button\|Cancel\|.*' "no reboot is offered"
  e2e_expect_line 'status\|1\|Complete: 100%' "the progress reached 100%"
  e2e_screenshot report
  e2e_answer OK
fi

e2e_list idle
e2e_expect_control Button "&Flash" 1 1 -
e2e_expect_control Button "E&XIT" 1 1 -
e2e_expect_count 'Button\|TEVOR   DVD RW KMR5133  1\.00\|1\|1\|1\|[0-9]+' 3 "the three drives of the accepted model ticked and enabled again"
e2e_expect_control Button "TEVOR   HTL6190B        1.10" 1 1 1
e2e_expect_count 'Button\|ACME    DVD-RW ZX200    0100\|1\|1\|1\|[0-9]+' 1 "the refused drive ticked and enabled again"
e2e_screenshot idle

# Each drive's whole record: the start-up INQUIRY, the worker's INQUIRY, then the parameter write
# for the second accepted product, readiness, eject and the block writes. The wrong drive saw its
# INQUIRY and nothing else; the broken one stopped at its failing fifth block, the vanished one at
# its twentieth.
inquiry="12 in 36, 12 in 32"
e2e_expect_sequence good "$inquiry, 00 none 0, 1B none 0, FA out 16384 x49"
e2e_expect_sequence cross "$inquiry, A014 none 0, 00 none 0, 1B none 0, FA out 16384 x49"
e2e_expect_sequence wrong "$inquiry"
e2e_expect_sequence broken "$inquiry, 00 none 0, 1B none 0, FA out 16384 x5"
e2e_expect_sequence gone "$inquiry, 00 none 0, 1B none 0, FA out 16384 x20"
e2e_expect_log_count 'cross A014AE00005F000000000004 none 0 GOOD t=[0-9]+' 1 "the parameter write 0xAE/0x005F"
e2e_expect_log_count 'wrong 120000002000000000000000 in 32 GOOD t=[0-9]+' 1 "the wrong drive got one 32-byte INQUIRY"
for d in good cross; do e2e_expect_blocks "$d" 49; done
e2e_expect_log_count 'broken FA[0-9A-F]+ out 16384 CHECK:03/0C/00 t=[0-9]+' 1 "the fifth block failed with 03/0C/00"
e2e_expect_log_count 'gone FA[0-9A-F]+ out 16384 (STATUS:82|GONE) t=[0-9]+' 1 "the twentieth block found no device"

e2e_exit

for d in good cross; do
  [ "$(e2e_drive_status "$d")" = $'revision 2.00\nrestarts 1' ] && e2e_pass "$d restarted on 2.00" ||
    e2e_fail "$d: $(e2e_drive_status "$d")"
done
for d in wrong broken gone; do
  [ "$(e2e_drive_status "$d" | tail -1)" = "restarts 0" ] && e2e_pass "$d kept its firmware" ||
    e2e_fail "$d: $(e2e_drive_status "$d")"
done
make_cvt=$FLASH_ROOT/build/native/tools/make_cvt
if [ -x "$make_cvt" ]; then
  "$make_cvt" "$E2E_DIR/image.cvt" >/dev/null
  for d in good cross; do
    if cmp -s -n 802816 -i 36:0 "$E2E_DIR/image.cvt" "$(e2e_drive_flash "$d")"; then
      e2e_pass "$d: the flash holds the embedded image"
    else
      e2e_fail "$d: the flash differs from the embedded image"
    fi
  done
  for d in broken gone; do
    cmp -s -n 802816 -i 36:0 "$E2E_DIR/image.cvt" "$(e2e_drive_flash "$d")" && e2e_fail "$d: its flash holds the image" ||
      e2e_pass "$d: its flash does not hold the image"
  done
else
  e2e_fail "no $make_cvt to compare the flash with"
fi
e2e_end
