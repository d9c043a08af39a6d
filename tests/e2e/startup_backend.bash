# The back-end choice at start-up, shared by the startup_backend_<version>.sh scenarios: the prefix
# has both an emulated drive behind the ASPI manager and a CD-ROM drive letter with nothing behind
# it, so the window's rows tell which back end the program took. The ASPI back end lists the
# emulated drive (and its manager logs the INQUIRY); pass-through lists the letter, whose INQUIRY
# fails, so its row reads "NG", and never loads the manager.
#   startup_backend_check VERSION aspi|passthrough
. "$(dirname "${BASH_SOURCE[0]}")/lib.bash"

startup_backend_check() {
  local version=$1 backend=$2
  e2e_require_program
  e2e_begin "$version"
  e2e_cdrom_letter d
  e2e_emu_config <<'CFG'
[drive d0]
at 0 1
vendor TEVOR
product DVD RW KMR5133
revision 1.00
CFG
  e2e_start
  e2e_list startup
  e2e_expect_line 'title\|Tolvarine V0\.60 by Tevor PMXT-II' "the window caption"
  e2e_expect_count 'Button\|[^|]*\|1\|1\|1\|1(1[89]|2[0-7])' 1 "exactly one ticked row shown"
  case $backend in
    aspi)
      e2e_expect_control Button "TEVOR   DVD RW KMR5133  1.00" 1 1 1
      e2e_expect_no_line 'Button\|NG\|.*' "no row for the CD-ROM letter"
      e2e_expect_log_count 'd0 120000002400000000000000 in 36 GOOD t=[0-9]+' 1 \
        "the ASPI manager passed one INQUIRY to the emulated drive"
      ;;
    passthrough)
      e2e_expect_control Button "NG" 1 1 1
      [ -e "$E2E_RUN/commands.log" ] && e2e_fail "the ASPI manager library was used" ||
        e2e_pass "the ASPI manager library was not used"
      ;;
    *) e2e_fail "unknown back end $backend" ;;
  esac
  e2e_expect_count 'box\|.*' 0 "no message box"
  e2e_probe click "E&XIT" >/dev/null || e2e_fail "cannot click E&XIT"
  if e2e_wait_exit 60; then
    [ "$E2E_PROGRAM_RC" = 1 ] && e2e_pass "exit code 1" || e2e_fail "exit code $E2E_PROGRAM_RC, expected 1"
  else
    e2e_fail "the program did not end after E&XIT"
  fi
  e2e_end
}
