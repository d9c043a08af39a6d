# The back end through which a scenario's emulated drives are reached, for scenarios that run on
# both: scripts/test runs a scenario whose file has the line "# e2e-backends: aspi passthrough"
# once per back end, with FLASH_E2E_BACKEND set (by hand: FLASH_E2E_BACKEND=passthrough tests/e2e/X.sh).
#   aspi         win98 with the 98 SE personality (the consumer family, the only one that runs the
#                ASPI back end): the program loads the emulated WNASPI32.DLL
#   passthrough  win2k: the program takes Wine's own pass-through over the CD-ROM letters that the
#                configuration's `letter` lines name; build/linux32/flash_sgio32.so, preloaded into
#                the program's process, answers the SG_IO requests Wine sends on the files behind
#                them from the same emulated drives, with the same command log and drive files
# Both read one configuration file, written by e2e_drive_config.
. "$(dirname "${BASH_SOURCE[0]}")/lib.bash"

E2E_BACKEND=${FLASH_E2E_BACKEND:-aspi}
E2E_SGIO=${FLASH_E2E_SGIO:-$FLASH_ROOT/build/linux32/flash_sgio32.so}

# e2e_begin on the back end's Windows version; skips while the back end's equipment is missing.
e2e_begin_drives() {
  case $E2E_BACKEND in
    aspi) e2e_begin win98se ;;
    passthrough)
      [ -f "$E2E_SGIO" ] || e2e_skip "$E2E_SGIO does not exist (build it with scripts/build)"
      e2e_begin win2k
      ;;
    *) e2e_log "unknown back end $E2E_BACKEND (aspi or passthrough)"; exit 2 ;;
  esac
  e2e_log "back end $E2E_BACKEND"
}

# The emulated drives' configuration from standard input (e2e_emu_config). On pass-through every
# section's `letter` becomes a drive letter of the prefix: a CD-ROM letter whose device
# (dosdevices/<letter>::) is the file cdrom-<letter> beside the configuration, for a [drive] and a
# CD-ROM class [device]; a fixed disk over an empty folder otherwise. Call after e2e_begin_drives,
# before e2e_start. Wine keeps at most five CD-ROM devices per process.
e2e_drive_config() {
  e2e_emu_config
  [ "$E2E_BACKEND" = passthrough ] || return 0
  local kind letter type
  # One line per section with a letter: "drive|device TYPE LETTER".
  while read -r kind type letter; do
    letter=${letter,,}
    mkdir -p "$E2E_DIR/disc-$letter"
    ln -sfn "$E2E_DIR/disc-$letter" "$E2E_PREFIX/dosdevices/$letter:"
    if [ "$kind" = drive ] || [ "$type" = 05 ]; then
      : >"$E2E_RUN/cdrom-$letter"
      ln -sfn "$E2E_RUN/cdrom-$letter" "$E2E_PREFIX/dosdevices/$letter::"
      type=cdrom
    else
      type=hd
    fi
    wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "$type" /reg:64 /f >>"$E2E_DIR/wineboot.log" 2>&1 ||
      { e2e_log "cannot make $letter: a drive letter"; exit 1; }
  done < <(awk '
    /^[ \t]*\[/ { if (kind != "" && letter != "") print kind, type, letter
                  gsub(/[][]/, ""); kind = $1; type = (kind == "drive") ? "05" : "00"; letter = ""; next }
    $1 == "type" { t = toupper($2); sub(/^0X/, "", t); type = (length(t) == 1) ? "0" t : t }
    $1 == "letter" { letter = $2 }
    END { if (kind != "" && letter != "") print kind, type, letter }' "$E2E_RUN/emu.cfg")
  # Wine's pass-through keeps five CD-ROM devices per process; a sixth would only read "NG".
  if [ "$(ls "$E2E_RUN" | grep -c '^cdrom-')" -gt 5 ]; then
    e2e_log "more than five CD-ROM letters: Wine's pass-through serves five"
    exit 2
  fi
  # The mount manager reads the drive types when it starts.
  wineserver -w
  E2E_PROGRAM_ENV=("LD_PRELOAD=$E2E_SGIO")
}

# How the run log names a drive: its letter ("E:") on pass-through, adapter:target on ASPI.
#   e2e_drive_place LETTER ADAPTER:TARGET
e2e_drive_place() {
  if [ "$E2E_BACKEND" = passthrough ]; then echo "${1^^}:"; else echo "$2"; fi
}

# A drive's commands from the command log in one line, repeats folded: "OPCODE DIRECTION LENGTH"
# each (A0 commands with their CDB byte 1), e.g. "12 in 36, 00 none 0, FA out 16384 x49".
#   e2e_drive_sequence NAME
e2e_drive_sequence() {
  e2e_command_log | awk -v d="$1" '
    $1 == d { op = substr($2, 1, 2); if (op == "A0") op = substr($2, 1, 4)
              c = op " " $3 " " $4
              if (c == last) { n++ } else { flush(); last = c; n = 1 } }
    function flush() { if (last != "") out = out (out == "" ? "" : ", ") last (n > 1 ? " x" n : "") }
    END { flush(); print out }'
}

# Checks a drive's whole command sequence: e2e_expect_sequence NAME "12 in 36, ..." [MESSAGE]
e2e_expect_sequence() {
  local got
  got=$(e2e_drive_sequence "$1")
  if [ "$got" = "$2" ]; then e2e_pass "${3:-$1: $2}"; else e2e_fail "${3:-$1 commands}: $got, expected $2"; fi
}

# Checks that a drive's block writes carried the block indices 0, 1, ... N-1 in that order (CDB
# byte 5): e2e_expect_blocks NAME N
e2e_expect_blocks() {
  local got want
  got=$(e2e_command_log | awk -v d="$1" '$1 == d && substr($2, 1, 2) == "FA" { printf "%s ", substr($2, 11, 2) }')
  want=$(for ((i = 0; i < $2; i++)); do printf '%02X ' "$i"; done)
  if [ "$got" = "$want" ]; then e2e_pass "$1: blocks 0 to $(($2 - 1)) in order"; else e2e_fail "$1: blocks $got, expected $want"; fi
}
