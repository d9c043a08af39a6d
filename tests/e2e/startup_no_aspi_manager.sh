#!/usr/bin/env bash
# Windows 98 SE (the personality) without an ASPI manager (no WNASPI32.DLL beside the program nor
# in the system): the program says so once at start-up in a message box that names WNASPI32.DLL,
# then shows its window without a drive row; E&XIT ends it. Started as /AUTO it shows no box, exits
# with status 4 (no drive) and FLASH.LOG gives the reason, naming WNASPI32.DLL.
. "$(dirname "$0")/lib.bash"
e2e_require_program
e2e_begin win98se
rm -f "$E2E_RUN/WNASPI32.DLL"

# The box may come before the window is shown: start without waiting for the window.
start_in_background() {
  (cd "$E2E_RUN" && WINEDEBUG=-all,+msgbox exec wine "./$E2E_EXE_NAME" "$@" >"$E2E_DIR/program.log" 2>&1) &
  E2E_PROGRAM_PID=$!
  E2E_PROGRAM_RC=
}

# --- With the window ---
start_in_background
if e2e_wait_report 90; then
  cp "$E2E_DIR/report.txt" "$E2E_DIR/message.txt"
  e2e_expect_count 'box\|.*' 1 "one message box"
  e2e_expect_line 'box\|[^|]*\|.*WNASPI32\.DLL.*' "the message names WNASPI32.DLL"
  e2e_screenshot message
  e2e_answer OK "the message"
fi
if e2e_probe wait-window 60 >/dev/null; then
  e2e_list window
  e2e_expect_count 'Button\|[^|]*\|1\|[01]\|[-012]\|1(1[89]|2[0-7])' 0 "no drive row shown"
  e2e_expect_count 'box\|.*' 0 "the message was shown once"
  e2e_exit 1
else
  e2e_fail "no main window after the message"
fi

# --- /AUTO ---
rm -f "$E2E_RUN/FLASH.LOG"
start_in_background /AUTO
seen_box=0
for _ in $(seq 40); do
  kill -0 "$E2E_PROGRAM_PID" 2>/dev/null || break
  if e2e_probe boxes 2>/dev/null | grep -q '^box|'; then
    seen_box=1
    cp "$E2E_LAST" "$E2E_DIR/auto-box.txt"
    break
  fi
  sleep 1
done
[ "$seen_box" = 0 ] && e2e_pass "/AUTO: no message box" || e2e_fail "/AUTO showed a box: $(cat "$E2E_DIR/auto-box.txt")"
if e2e_wait_exit 60; then
  [ "$E2E_PROGRAM_RC" = 4 ] && e2e_pass "/AUTO: exit status 4" || e2e_fail "/AUTO: exit status $E2E_PROGRAM_RC, expected 4"
else
  e2e_fail "/AUTO: the program did not end"
fi
if [ -f "$E2E_RUN/FLASH.LOG" ]; then
  tr -d '\r' <"$E2E_RUN/FLASH.LOG" >"$E2E_DIR/FLASH.LOG.txt"
  grep -q 'WNASPI32\.DLL' "$E2E_DIR/FLASH.LOG.txt" && e2e_pass "FLASH.LOG names WNASPI32.DLL" ||
    e2e_fail "FLASH.LOG does not name WNASPI32.DLL"
  grep -Eq ' message \| Exit status 4$' "$E2E_DIR/FLASH.LOG.txt" && e2e_pass "FLASH.LOG: exit status 4" ||
    e2e_fail "FLASH.LOG lacks the exit status 4"
else
  e2e_fail "/AUTO: no FLASH.LOG"
fi
e2e_end
