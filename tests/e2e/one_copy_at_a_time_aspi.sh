#!/usr/bin/env bash
# One copy at a time: two FLASH.EXE started together on the ASPI back end, each with its own
# emulated manager log. One shows its window with the drive's row; the other says that FLASH.EXE
# is already running, sends no command to any drive (its log stays empty) and, once its box is
# answered, ends with status 9. The first then ends by E&XIT as always.
. "$(dirname "$0")/lib.bash"
e2e_require_program
e2e_begin win98se

for copy in a b; do
  cat >"$E2E_RUN/emu-$copy.cfg" <<CFG
log commands-$copy.log
outdir $copy
adapters 1
[drive d0]
at 0 0
vendor TEVOR
product DVD RW KMR5133
revision 1.00
seed 1
CFG
  mkdir -p "$E2E_RUN/$copy"
done

pids=()
for copy in a b; do
  (cd "$E2E_RUN" && FLASH_EMU_CONFIG="Z:${E2E_RUN//\//\\}\\emu-$copy.cfg" WINEDEBUG=-all,+msgbox \
    exec wine "./$E2E_EXE_NAME" >"$E2E_DIR/program-$copy.log" 2>&1) &
  pids+=($!)
done

# Both have settled once the window and the box are shown.
settled=0
for _ in $(seq 90); do
  e2e_list together
  if grep -q '^title|' "$E2E_LAST" && grep -q '^box|' "$E2E_LAST"; then
    settled=1
    break
  fi
  sleep 1
done
[ "$settled" = 1 ] && e2e_pass "one window and one box" || e2e_fail "not one window and one box: $(cat "$E2E_LAST")"
e2e_screenshot together
e2e_expect_line "$(e2e_quote 'box|FLASH|FLASH.EXE is already running. Only one copy may update drives at a time.')"
e2e_expect_count 'box\|.*' 1 "exactly one box"
e2e_expect_line "$(e2e_quote 'Button|TEVOR   DVD RW KMR5133  1.00|1|1|1|')[0-9]+"
e2e_probe answer OK >/dev/null || e2e_fail "cannot answer the box"

# The copy that showed the box ends; the other runs on.
ended= running=
for _ in $(seq 300); do
  for i in 0 1; do
    if ! kill -0 "${pids[$i]}" 2>/dev/null; then
      ended=$i
      break 2
    fi
  done
  sleep 0.1
done
if [ -z "$ended" ]; then
  e2e_fail "neither copy ended after its box was answered"
  e2e_end
fi
running=$((1 - ended))
names=(a b)
wait "${pids[$ended]}" && rc=0 || rc=$?
[ "$rc" = 9 ] && e2e_pass "the second copy ended with status 9" || e2e_fail "the second copy ended with status $rc"
sleep 2
kill -0 "${pids[$running]}" 2>/dev/null && e2e_pass "the first copy still runs" || e2e_fail "the first copy ended too"

lines() { if [ -f "$1" ]; then grep -c . "$1" || true; else echo 0; fi; }
second_log=$E2E_RUN/commands-${names[$ended]}.log
first_log=$E2E_RUN/commands-${names[$running]}.log
[ "$(lines "$second_log")" = 0 ] && e2e_pass "the second copy sent no command" ||
  e2e_fail "the second copy sent commands: $(cat "$second_log")"
[ "$(grep -c '^d0 12.* in 36 GOOD' "$first_log")" = 1 ] && [ "$(lines "$first_log")" = 1 ] &&
  e2e_pass "the first copy scanned its drive once" || e2e_fail "the first copy's commands: $(cat "$first_log")"

E2E_PROGRAM_PID=${pids[$running]}
e2e_exit 1
e2e_end
