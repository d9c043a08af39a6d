#!/usr/bin/env bash
# Start-up on the NT family (Wine's default version, platform id 2, the pass-through back end) on a
# machine without a CD-ROM drive letter: the window opens with "&Flash" and "E&XIT" and no drive
# row, and the ASPI manager library is never loaded.
. "$(dirname "$0")/lib.bash"
e2e_require_program
e2e_begin default

# The prefix's drive letters: none may be a CD-ROM for this scenario to mean anything.
if ls -l "$E2E_PREFIX/dosdevices" 2>/dev/null | grep -Eq '::|cdrom'; then
  e2e_fail "the Wine prefix has a CD-ROM drive letter: $(ls "$E2E_PREFIX/dosdevices" | tr '\n' ' ')"
fi
# Configured all the same: only the ASPI back end would load it and write its log.
e2e_emu_config <<'CFG'
[drive d0]
at 0 1
CFG

e2e_start
e2e_list startup
e2e_expect_line 'title\|Tolvarine V0\.60 by Tevor PMXT-II' "the window caption"
for row in 0 1 2 3 4 5 6 7 8 9; do e2e_expect_control Button "$row" 0 1 0; done
e2e_expect_count 'Button\|[^|]*\|1\|[01]\|[01]\|[0-9]+' 0 "no row shown"
e2e_expect_control Button "&Flash" 1 1 -
e2e_expect_control Button "E&XIT" 1 1 -
e2e_expect_count 'box\|.*' 0 "no message box"
[ -e "$E2E_RUN/commands.log" ] && e2e_fail "the ASPI manager library was used" || e2e_pass "the ASPI manager library was not used"
e2e_screenshot startup

e2e_exit 1
e2e_end
