#!/bin/sh
# Runs a Windows program under Wine: wine-run.sh <program.exe> [arguments...]
#
# Used as CMAKE_CROSSCOMPILING_EMULATOR. Wine's helper processes inherit the
# standard error of the first Wine process; a caller that reads standard error
# through a pipe (as ctest does) then waits about 3 s per run for them to exit.
# Sending Wine's standard error to a file and copying it afterwards avoids that.
# Standard output and the exit status pass through unchanged.
WINEDEBUG=-all
export WINEDEBUG

errors=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX") || exit 125
trap 'rm -f "$errors"' EXIT
trap 'exit 130' INT TERM

wine "$@" 2>"$errors"
status=$?
cat "$errors" >&2
exit "$status"
