#!/bin/sh
# Runs a Windows program under Wine: wine-run.sh <program.exe> [arguments...]
#
# Used as CMAKE_CROSSCOMPILING_EMULATOR: it runs the unit tests and lists them for
# gtest_discover_tests. Wine's helper processes inherit the standard error of the first
# Wine process; a caller that reads standard error through a pipe (as ctest does) then
# waits about 3 s per run for them to exit. Sending Wine's output to files and copying it
# afterwards avoids that.
#
# A fresh Wine prefix sometimes fails to start a process on its first runs. A try that
# exits non-zero or prints nothing (every program run here prints something) is therefore
# run once more, and only the last try's output and exit status are passed on: a real
# fault fails twice.
WINEDEBUG=-all
export WINEDEBUG

work=$(mktemp -d "${TMPDIR:-/tmp}/wine-run.XXXXXX") || exit 125
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

for try in 1 2; do
    wine "$@" >"$work/out" 2>"$work/err"
    status=$?
    if [ "$status" -eq 0 ] && [ -s "$work/out" ]; then
        break
    fi
    if [ "$try" -eq 1 ]; then
        echo "wine-run.sh: $1 exited with $status$([ -s "$work/out" ] || echo ', printing nothing'); trying again" >&2
    fi
done
cat "$work/out"
cat "$work/err" >&2
exit "$status"
