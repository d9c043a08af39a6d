# The 98 SE personality of the scenarios (sourced by lib.bash): `e2e_begin win98se` sets Wine's
# version to win98 and then points the scenario's copy of the program at the shim DLLs of
# emu/shim98 (KERNEL98.dll, ADVAPI98.dll, USER98.dll, msvc98.dll), which answer the calls whose
# 98 SE behaviour differs from Wine's as 98 SE does (list and sources: tests/e2e/README.md) and
# forward everything else to Wine. Each answer that differs, and every ExitWindowsEx (recorded,
# never carried out), is a line of $E2E_DIR/win98se.log.

E2E_PERSONALITY_DLLS=(KERNEL98.dll ADVAPI98.dll USER98.dll msvc98.dll)
E2E_PERSONALITY_LOG=$E2E_DIR/win98se.log

# Skips the scenario while the personality's equipment is not built.
e2e_require_personality() {
  local f
  for f in "${E2E_PERSONALITY_DLLS[@]}" rename-imports; do
    [ -f "$FLASH_BUILD_DIR/$f" ] || e2e_skip "$FLASH_BUILD_DIR/$f does not exist (build it with scripts/build)"
  done
}

# Called by e2e_begin once the program is in the scenario folder: the shims beside it, its import
# table renamed (rename-imports, in place), the record file named for the shims.
e2e_personality_98se() {
  local f
  e2e_require_personality
  for f in "${E2E_PERSONALITY_DLLS[@]}"; do cp "$FLASH_BUILD_DIR/$f" "$E2E_RUN/"; done
  if ! "$FLASH_BUILD_DIR/rename-imports" "$E2E_RUN/$E2E_EXE_NAME" >"$E2E_DIR/rename-imports.txt" 2>&1; then
    e2e_log "cannot give $E2E_EXE_NAME the 98 SE personality: $(cat "$E2E_DIR/rename-imports.txt")"
    exit 1
  fi
  rm -f "$E2E_PERSONALITY_LOG"
  export FLASH_98SE_LOG="Z:${E2E_PERSONALITY_LOG//\//\\}"
  e2e_log "98 SE personality: $(tr '\n' ' ' <"$E2E_DIR/rename-imports.txt")"
}

# The personality's record so far (CRLF lines as plain lines).
e2e_personality_log() {
  [ -f "$E2E_PERSONALITY_LOG" ] || return 0
  tr -d '\r' <"$E2E_PERSONALITY_LOG"
}

# Checks the record: the number of lines matching an extended regular expression (whole line).
e2e_expect_personality_count() {
  local n
  n=$(e2e_personality_log | grep -Ec -- "^($1)\$")
  if [ "$n" = "$2" ]; then e2e_pass "${3:-$2 records $1}"; else e2e_fail "${3:-records $1}: $n, expected $2"; fi
}

# On a failed scenario: the record's last lines (lib.bash's e2e_show_log_tail).
e2e_personality_show_tail() {
  [ -f "$E2E_PERSONALITY_LOG" ] && e2e_personality_log | tail -n 10 | sed 's/^/    win98se: /'
  return 0
}
