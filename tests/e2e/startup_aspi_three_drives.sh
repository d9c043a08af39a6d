#!/usr/bin/env bash
# Start-up with three emulated drives and a fixed disk, on the consumer Windows family (win98,
# platform id 1: the emulated ASPI manager) and on the NT family (win2k: pass-through over CD-ROM
# letters). The window shows its caption, one ticked row per drive with the
# drive's INQUIRY text, "&Flash" and "E&XIT", and keeps the service controls and the other rows
# hidden; each drive got exactly one INQUIRY of 36 bytes, and nothing else, while the window was made.
# e2e-backends: aspi passthrough
. "$(dirname "$0")/backend.bash"
e2e_require_program
e2e_begin_drives

e2e_drive_config <<'CFG'
adapters 2
[drive d0]
at 0 1
letter d
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 1
[device disk]
at 0 2
type 00
letter e
[drive d1]
at 0 4
letter f
vendor TEVOR
product HTL6190B
revision 1.10
seed 2
[drive d2]
at 1 0
letter g
vendor ACME
product DVD-RW ZX200
revision 0100
seed 3
CFG

e2e_start
e2e_list startup

e2e_expect_line 'title\|Tolvarine V0\.60 by Tevor PMXT-II' "the window caption"
# Device d is row d: adapter order, then target order (letter order on pass-through); the disk is
# not a CD-ROM class device (a fixed disk letter on pass-through).
e2e_expect_control Button "TEVOR   DVD RW KMR5133  1.00" 1 1 1
e2e_expect_control Button "TEVOR   HTL6190B        1.10" 1 1 1
e2e_expect_control Button "ACME    DVD-RW ZX200    0100" 1 1 1
for row in 3 4 5 6 7 8 9; do e2e_expect_control Button "$row" 0 1 0; done
e2e_expect_count 'Button\|[^|]*\|1\|1\|1\|[0-9]+' 3 "exactly three ticked rows shown"
e2e_expect_control Button "&Flash" 1 1 -
e2e_expect_control Button "E&XIT" 1 1 -
for hidden in "&Load CVT" "Get CS" "ArgDrv" "Button1"; do e2e_expect_control Button "$hidden" 0 1 -; done
e2e_expect_control Button "&Eject before update" 0 1 1
e2e_expect_control Button "Forced Update" 0 1 0
e2e_expect_control Button "Reset after flash" 0 1 1
e2e_expect_control Static "File:" 0 1 -
e2e_expect_control Static "CS:" 0 1 -
e2e_expect_count 'Edit\|\|0\|1\|-\|[0-9]+' 2 "both edit fields empty and hidden"
e2e_expect_line 'status\|1\|Percent' "status panel 1 reads Percent"
e2e_expect_line 'progress\|0' "the progress bar at 0"
e2e_expect_count 'box\|.*' 0 "no message box"

e2e_expect_log_count 'd0 120000002400000000000000 in 36 GOOD t=[0-9]+' 1 "one INQUIRY of 36 bytes to d0"
e2e_expect_log_count 'd1 120000002400000000000000 in 36 GOOD t=[0-9]+' 1 "one INQUIRY of 36 bytes to d1"
e2e_expect_log_count 'd2 120000002400000000000000 in 36 GOOD t=[0-9]+' 1 "one INQUIRY of 36 bytes to d2"
e2e_expect_log_count '.*' 3 "no other command at start-up"
e2e_screenshot startup

# E&XIT ends the program with exit code 1; the drives are untouched.
e2e_exit 1
for pair in d0=1.00 d1=1.10 d2=0100; do
  d=${pair%=*}
  want=$'revision '"${pair#*=}"$'\nrestarts 0'
  [ "$(e2e_drive_status "$d")" = "$want" ] && e2e_pass "$d untouched" || e2e_fail "$d status: $(e2e_drive_status "$d")"
done
e2e_end
