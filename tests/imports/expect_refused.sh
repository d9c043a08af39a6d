#!/usr/bin/env bash
# Runs the import check on a program that it must refuse, and passes only when the check fails
# (status 1) and its message names what it refused.
#
#   expect_refused.sh CHECK PROGRAM.EXE NAME
set -uo pipefail
out=$("$1" "$2" 2>&1)
status=$?
printf '%s\n' "$out"
if [ "$status" -ne 1 ]; then
  echo "expected the import check to fail with status 1, got $status"
  exit 1
fi
if ! grep -q -- "$3" <<<"$out"; then
  echo "expected the import check to name $3"
  exit 1
fi
echo "refused, naming $3, as expected"
