# The scenario runner: sourced by every tests/e2e/*.sh scenario. It gives a scenario a fresh Wine
# prefix, its own Xvfb display, a scenario folder with the program and the emulated ASPI manager,
# the probe to observe and drive the window, screenshots and checks; everything started here is
# stopped when the scenario ends. Formats and the list of functions: tests/e2e/README.md.
#
# Environment (scripts/test sets the first four; by hand they default as shown):
#   FLASH_ROOT          repository root                      (the folder above tests/)
#   FLASH_BUILD_DIR     32-bit build folder                  ($FLASH_ROOT/build/release)
#   FLASH_E2E_DIR       the scenario's own output folder     ($FLASH_ROOT/build/e2e/<scenario>)
#   FLASH_E2E_DISPLAY   X display for its Xvfb               (one Xvfb picks when unset or taken)
#   FLASH_E2E_EXE       the program under test               ($FLASH_BUILD_DIR/FLASH.EXE)
#   FLASH_E2E_KEEP      1: leave the Wine prefix in place after the run

set -uo pipefail

E2E_NAME=$(basename "$0" .sh)
FLASH_ROOT=${FLASH_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
FLASH_BUILD_DIR=${FLASH_BUILD_DIR:-$FLASH_ROOT/build/release}
E2E_DIR=${FLASH_E2E_DIR:-$FLASH_ROOT/build/e2e/$E2E_NAME}
E2E_EXE=${FLASH_E2E_EXE:-$FLASH_BUILD_DIR/FLASH.EXE}
E2E_EXE_NAME=$(basename "$E2E_EXE")
E2E_DLL=$FLASH_BUILD_DIR/WNASPI32.DLL
E2E_PROBE=$FLASH_BUILD_DIR/probe.exe
E2E_RUN=$E2E_DIR/run            # the program's folder and current directory
E2E_PREFIX=$E2E_DIR/prefix
E2E_FAILURES=0
E2E_PROGRAM_PID=
E2E_PROGRAM_RC=
E2E_XVFB_PID=
E2E_DESKTOP=                    # the Wine desktop the program runs on, when not the default
E2E_DESKTOP_SIZE=
E2E_LAST=$E2E_DIR/last-probe.txt  # the output of the last probe command
E2E_PROGRAM_ENV=()              # VAR=VALUE settings for the program's process only (not the probe's)

e2e_log() { echo "e2e[$E2E_NAME] ${SECONDS}s: $*"; }

. "$(dirname "${BASH_SOURCE[0]}")/personality.bash"

# Ends the scenario without running it. Exit code 77 (the usual "skipped" code) and not 0: a
# scenario that did not run has shown nothing, so scripts/test counts it as failed.
E2E_SKIP_RC=77
e2e_skip() {
  e2e_log "SKIPPED: $*"
  exit "$E2E_SKIP_RC"
}

# Runs another program than FLASH.EXE (the equipment's own fixture window); call before e2e_begin.
e2e_use_program() {
  E2E_EXE=$1
  E2E_EXE_NAME=$(basename "$E2E_EXE")
}

# Skips the scenario while the program, the equipment or the tools that run it do not exist.
e2e_require_program() {
  local f
  for f in "$E2E_EXE" "$E2E_DLL" "$E2E_PROBE"; do
    [ -f "$f" ] || e2e_skip "$f does not exist (build it with scripts/build)"
  done
  for f in wine wineboot wineserver Xvfb import; do
    command -v "$f" >/dev/null || e2e_skip "$f is not installed (scripts/setup installs it)"
  done
}

# A check that failed: the scenario goes on, and ends with exit code 1.
e2e_fail() {
  e2e_log "FAIL: $*"
  E2E_FAILURES=$((E2E_FAILURES + 1))
}

e2e_pass() { e2e_log "ok: $*"; }

# --- Display, prefix, program -------------------------------------------------------------------

e2e_display_free() { [ ! -e "/tmp/.X${1#:}-lock" ] && [ ! -e "/tmp/.X11-unix/X${1#:}" ]; }

# Xvfb on the display given, or on one it picks itself (-displayfd: no race with parallel runs)
# when none is given or the given one is taken.
e2e_start_xvfb() {
  local want=${FLASH_E2E_DISPLAY:-} number=$E2E_DIR/xvfb.display i
  rm -f "$number"
  if [ -n "$want" ] && e2e_display_free "$want"; then
    Xvfb "$want" -screen 0 1024x768x24 -nolisten tcp >"$E2E_DIR/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    echo "${want#:}" >"$number"
  else
    [ -n "$want" ] && e2e_log "display $want is taken; Xvfb picks one"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number" >"$E2E_DIR/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
  fi
  for i in $(seq 100); do
    if [ -s "$number" ]; then
      export DISPLAY=":$(head -n 1 "$number")"
      [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && return 0
    fi
    kill -0 "$E2E_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  e2e_log "Xvfb did not start (see $E2E_DIR/xvfb.log)"
  exit 1
}

e2e_cleanup() {
  if [ -d "$E2E_PREFIX" ]; then WINEPREFIX=$E2E_PREFIX wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$E2E_PROGRAM_PID" ]; then kill "$E2E_PROGRAM_PID" 2>/dev/null || true; fi
  if [ -n "$E2E_XVFB_PID" ]; then kill "$E2E_XVFB_PID" 2>/dev/null || true; fi
  if [ "${FLASH_E2E_KEEP:-0}" != 1 ]; then rm -rf "$E2E_PREFIX"; fi
}

# Starts the scenario: output folder, Xvfb, a fresh Wine prefix, the scenario folder with the
# program and WNASPI32.DLL. Windows version: "win98" (platform id 1, the ASPI back end), "win98se"
# (the same with the 98 SE personality: personality.bash), "win2k" or "winxp" (platform id 2,
# pass-through), or "default" (Wine's own, platform id 2, pass-through).
e2e_begin() {
  local version=${1:-default}
  mkdir -p "$E2E_DIR"
  rm -rf "$E2E_RUN" "$E2E_PREFIX"
  mkdir -p "$E2E_RUN"
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM

  export WINEPREFIX=$E2E_PREFIX
  export WINEDEBUG=-all
  # Wine's own wnaspi32 stays away; no mono or gecko offer, no menu entries.
  export WINEDLLOVERRIDES="wnaspi32=n;mscoree,mshtml=;winemenubuilder.exe=d"
  unset FLASH_EMU_CONFIG
  e2e_start_xvfb
  e2e_log "prefix $E2E_PREFIX, display $DISPLAY"
  if ! wineboot --init >"$E2E_DIR/wineboot.log" 2>&1; then
    e2e_log "cannot create the Wine prefix (see $E2E_DIR/wineboot.log)"
    exit 1
  fi
  case $version in
    win98 | win98se | win2k | winxp)
      wine reg add 'HKCU\Software\Wine' /v Version /d "${version%se}" /f >>"$E2E_DIR/wineboot.log" 2>&1 ||
        { e2e_log "cannot set the Windows version"; exit 1; } ;;
    default) ;;
    *) e2e_log "unknown Windows version $version"; exit 2 ;;
  esac
  cp "$E2E_EXE" "$E2E_RUN/"
  cp "$E2E_DLL" "$E2E_RUN/WNASPI32.DLL"
  [ "$version" = win98se ] && e2e_personality_98se
  return 0
}

# Gives the prefix a CD-ROM drive letter (an empty folder of the scenario): the pass-through back
# end lists it, and its commands fail, as no drive answers behind it. Call after e2e_begin and
# before e2e_start. Wine's mount manager reads the drive types when it starts, so the server is
# left to end first; /reg:64 writes the key the 64-bit mount manager reads, not its 32-bit view.
e2e_cdrom_letter() {
  local letter=${1,,}
  mkdir -p "$E2E_DIR/disc-$letter"
  ln -sfn "$E2E_DIR/disc-$letter" "$E2E_PREFIX/dosdevices/$letter:"
  wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d cdrom /reg:64 /f >>"$E2E_DIR/wineboot.log" 2>&1 ||
    { e2e_log "cannot make $letter: a CD-ROM drive"; exit 1; }
  wineserver -w
}

# The emulated ASPI manager's configuration, from standard input, into the scenario folder. Its
# command log (commands.log) and the drives' files (<drive>.flash.bin, <drive>.status) land there.
e2e_emu_config() {
  cat >"$E2E_RUN/emu.cfg"
  export FLASH_EMU_CONFIG="Z:${E2E_RUN//\//\\}\\emu.cfg"
}

# FLASH.INI in the program's current directory, from standard input.
e2e_ini() { sed 's/$/\r/' >"$E2E_RUN/FLASH.INI"; }

# Starts the program in the background (current directory: the scenario folder) and waits until
# its main window is shown. Message boxes are also logged by Wine (+msgbox) to program.log.
#   e2e_start [SECONDS]                  plain, on the bare display (no title bar: no window manager)
#   e2e_start_desktop [SECONDS] [WxH] [PPI]  inside Wine's virtual desktop, with title bar, for
#                                        pictures meant for people, at PPI pixels per inch (96);
#                                        the program's exit code is then unknown
e2e_start() {
  E2E_DESKTOP=
  e2e_launch "${1:-90}" wine "./$E2E_EXE_NAME"
}
# The same with command-line arguments for the program: e2e_start_with 90 /AUTO /LOG=x.log
e2e_start_with() {
  local seconds=$1
  shift
  E2E_DESKTOP=
  e2e_launch "$seconds" wine "./$E2E_EXE_NAME" "$@"
}
e2e_start_desktop() {
  e2e_desktop_look "${3:-96}"
  E2E_DESKTOP=flash
  E2E_DESKTOP_SIZE=${2:-640x480}
  e2e_launch "${1:-90}" wine explorer "/desktop=$E2E_DESKTOP,$E2E_DESKTOP_SIZE" "$E2E_EXE_NAME"
}

# Pictures show the window as Windows draws it: in the design's bitmap "MS Sans Serif" and with
# the title-bar buttons' Marlett glyphs. Debian's Wine 8 looks for its own fonts (fonts-wine) in
# "<data dir>\..\fonts", a path its file layer refuses, so a fresh prefix has none of them and a
# host font stands in for every face: wider than the design's font, so the row captions are cut,
# and without the glyphs, so the buttons show the letters that stand for them. The fonts go into
# the prefix's Fonts folder, the display gets the density asked for, and the probe checks that
# both faces are found; without them the pictures would mislead, so the scenario stops.
E2E_WINE_FONTS=/usr/share/wine/fonts
e2e_desktop_look() {
  local ppi=$1 want
  mkdir -p "$E2E_PREFIX/drive_c/windows/Fonts"
  if ! cp "$E2E_WINE_FONTS"/*.fon "$E2E_WINE_FONTS"/*.ttf "$E2E_PREFIX/drive_c/windows/Fonts/" 2>>"$E2E_DIR/wineboot.log"; then
    e2e_log "FAIL: Wine's fonts are not in $E2E_WINE_FONTS (scripts/setup installs fonts-wine)"
    exit 1
  fi
  wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels \
    /t REG_DWORD /d "$ppi" /f >>"$E2E_DIR/wineboot.log" 2>&1 || { e2e_log "cannot set the display density"; exit 1; }
  for want in "MS Sans Serif|raster" "Marlett|truetype"; do
    e2e_probe font "${want%|*}" >/dev/null
    if ! grep -qx "font|${want%|*}|${want%|*}|${want#*|}|$ppi" "$E2E_LAST"; then
      e2e_log "FAIL: no ${want#*|} ${want%|*} at $ppi pixels per inch for the pictures: $(cat "$E2E_LAST")"
      exit 1
    fi
  done
}

e2e_launch() {
  local seconds=$1
  shift
  (cd "$E2E_RUN" && WINEDEBUG=-all,+msgbox exec env "${E2E_PROGRAM_ENV[@]}" "$@" >"$E2E_DIR/program.log" 2>&1) &
  E2E_PROGRAM_PID=$!
  E2E_PROGRAM_RC=
  if e2e_probe wait-window "$seconds" >/dev/null; then
    e2e_log "the main window is shown"
  else
    e2e_fail "no main window within $seconds s"
    e2e_show_log_tail
    exit 1
  fi
}

e2e_show_log_tail() {
  [ -f "$E2E_DIR/program.log" ] && tail -n 20 "$E2E_DIR/program.log" | sed 's/^/    program: /'
  [ -f "$E2E_RUN/emu.cfg.errors" ] && sed 's/^/    emu.cfg: /' "$E2E_RUN/emu.cfg.errors"
  e2e_personality_show_tail
}

# Waits up to SECONDS for the program to end; its exit code is then in E2E_PROGRAM_RC.
e2e_wait_exit() {
  local seconds=${1:-30} i
  for i in $(seq $((seconds * 10))); do
    if ! kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; then
      wait "$E2E_PROGRAM_PID"
      E2E_PROGRAM_RC=$?
      E2E_PROGRAM_PID=
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# --- The report and the end -----------------------------------------------------------------------

# Waits up to SECONDS for the program's box and lists the window as report.txt for the checks;
# without a box by then, a failed check and status 1.
e2e_wait_report() {
  if e2e_probe wait-box "$1" >/dev/null; then
    e2e_list report
  else
    e2e_fail "no report within $1 s"
    return 1
  fi
}

# Presses BUTTON on the box shown and waits for the box to go; WHAT names the box in failures.
#   e2e_answer BUTTON [WHAT]
e2e_answer() {
  local what=${2:-the report}
  e2e_probe answer "$1" >/dev/null || e2e_fail "cannot answer $what"
  e2e_probe wait-no-box 30 >/dev/null || e2e_fail "$what stayed"
}

# Presses E&XIT and waits up to a minute for the program to end; with RC, checks its exit code.
#   e2e_exit [RC]
e2e_exit() {
  e2e_probe click "E&XIT" >/dev/null || e2e_fail "cannot click E&XIT"
  if ! e2e_wait_exit 60; then
    e2e_fail "the program did not end"
    return 1
  fi
  [ -z "${1:-}" ] && return 0
  [ "$E2E_PROGRAM_RC" = "$1" ] && e2e_pass "exit code $1" || e2e_fail "exit code $E2E_PROGRAM_RC, expected $1"
}

# --- The probe ------------------------------------------------------------------------------------

# Runs probe.exe with these arguments; its output goes to standard output and to $E2E_LAST.
e2e_probe() {
  local rc=0
  WINEDEBUG=-all wine "$E2E_PROBE" ${E2E_DESKTOP:+--desktop "$E2E_DESKTOP"} "$@" 2>"$E2E_DIR/probe-stderr.txt" | tr -d '\r' >"$E2E_LAST" || rc=$?
  cat "$E2E_LAST"
  [ -s "$E2E_DIR/probe-stderr.txt" ] && sed 's/^/    /' "$E2E_DIR/probe-stderr.txt" >&2
  return "$rc"
}

# Saves the window list as $E2E_DIR/NAME.txt (and in $E2E_LAST) for the e2e_expect_* checks.
e2e_list() {
  local name=${1:-list}
  e2e_probe list >/dev/null || true
  cp "$E2E_LAST" "$E2E_DIR/$name.txt"
}

# Checks on the last list: a line matching an extended regular expression (whole line), or none.
e2e_expect_line() {
  if grep -Eq -- "^($1)\$" "$E2E_LAST"; then e2e_pass "${2:-line $1}"; else e2e_fail "${2:-no line $1}"; fi
}
e2e_expect_no_line() {
  if grep -Eq -- "^($1)\$" "$E2E_LAST"; then e2e_fail "${2:-unexpected line $1}"; else e2e_pass "${2:-no line $1}"; fi
}
# The number of lines matching the expression.
e2e_expect_count() {
  local n
  n=$(grep -Ec -- "^($1)\$" "$E2E_LAST")
  if [ "$n" = "$2" ]; then e2e_pass "${3:-$2 lines $1}"; else e2e_fail "${3:-lines $1}: $n, expected $2"; fi
}

# A control's line, by its exact text; the fields are checked as given (1/0, checked 1/0/-).
#   e2e_expect_control CLASS TEXT VISIBLE ENABLED CHECKED
e2e_expect_control() {
  local line
  line=$(awk -F'|' -v c="$1" -v t="$2" '$1 == c && $2 == t' "$E2E_LAST" | head -n 1)
  local want="$1|$2|$3|$4|$5"
  if [ -z "$line" ]; then
    e2e_fail "no $1 \"$2\""
  elif [ "${line%|*}" = "$want" ]; then
    e2e_pass "$1 \"$2\" visible=$3 enabled=$4 checked=$5"
  else
    e2e_fail "$1 \"$2\": ${line%|*}, expected $want"
  fi
}

# The text to regex-quote for e2e_expect_line.
e2e_quote() { printf '%s' "$1" | sed 's/[][\.*^$+?(){}|/]/\\&/g'; }

# --- The emulated drives' outputs -----------------------------------------------------------------

e2e_command_log() { cat "$E2E_RUN/commands.log" 2>/dev/null; }

# Checks the command log: the number of lines matching an extended regular expression (whole line).
e2e_expect_log_count() {
  local n
  n=$(e2e_command_log | grep -Ec -- "^($1)\$")
  if [ "$n" = "$2" ]; then e2e_pass "${3:-$2 commands $1}"; else e2e_fail "${3:-commands $1}: $n, expected $2"; fi
}

# The files of a drive as the emulated manager left them.
e2e_drive_status() { cat "$E2E_RUN/$1.status" 2>/dev/null; }
e2e_drive_flash() { echo "$E2E_RUN/$1.flash.bin"; }

# --- Pictures ---------------------------------------------------------------------------------------

# A screenshot of the display (of the virtual desktop only, when there is one) as $E2E_DIR/NAME.png.
e2e_screenshot() {
  local crop=()
  [ -n "$E2E_DESKTOP" ] && crop=(-crop "$E2E_DESKTOP_SIZE+0+0" +repage)
  if import -display "$DISPLAY" -window root "${crop[@]}" "$E2E_DIR/$1.png" 2>"$E2E_DIR/import.log"; then
    e2e_log "screenshot $E2E_DIR/$1.png"
  else
    e2e_fail "screenshot $1 (see $E2E_DIR/import.log)"
  fi
}

# --- The end ----------------------------------------------------------------------------------------

# Ends the scenario: exit code 0 when every check passed.
e2e_end() {
  if [ "$E2E_FAILURES" -eq 0 ]; then
    e2e_log "PASSED"
    exit 0
  fi
  e2e_log "FAILED ($E2E_FAILURES checks)"
  e2e_show_log_tail
  exit 1
}
