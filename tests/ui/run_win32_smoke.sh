#!/usr/bin/env bash
# Runs the Win32 back end's smoke test under Wine. Windows need an X display, so the program gets
# one of its own from xvfb-run (a free display number, so parallel runs do not meet).
#   run_win32_smoke.sh WINE_RUN PREFIX PROGRAM.exe [ARGS...]
set -euo pipefail
[ $# -ge 3 ] || { echo "usage: run_win32_smoke.sh WINE_RUN PREFIX PROGRAM.exe [ARGS...]" >&2; exit 2; }
wine_run=$1
prefix=$2
shift 2
exec xvfb-run -a -s "-screen 0 1024x768x24" "$wine_run" --prefix "$prefix" "$@"
