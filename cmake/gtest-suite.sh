#!/bin/sh
# Runs one GoogleTest program for CTest and passes it only when gtest's own summary says
# that every test ran and passed (or skipped itself) and the program then exited with 0.
# A program that stops early (a crash, a hang ended by its guard, an exit in the middle)
# prints no summary and fails, whatever its exit code.
#   gtest-suite.sh <program> [arguments]     (the program with its runner, e.g. wine-run)
log=$(mktemp) status=$(mktemp)
trap 'rm -f "$log" "$status"' EXIT
{ "$@" 2>&1; echo $? >"$status"; } | tee "$log"
rc=$(cat "$status")
count() { tr -d '\r' <"$log" | sed -n "s/$1/\1/p" | tail -n 1; }
ran=$(count '^\[==========\] \([0-9]*\) tests\{0,1\} from [0-9]* test suites\{0,1\} ran\..*')
passed=$(count '^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*')
skipped=$(count '^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}, listed below:.*')
failed=$(count '^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below:.*')
skipped=${skipped:-0}
if [ -z "$ran" ] || [ -z "$passed" ]; then
  echo "suite: FAILED: the program stopped before gtest's summary (exit code $rc)"
  exit 1
fi
if [ -n "$failed" ] || [ $((passed + skipped)) -ne "$ran" ]; then
  echo "suite: FAILED: $passed of $ran tests passed, $skipped skipped, ${failed:-0} failed"
  exit 1
fi
if [ "$rc" != 0 ]; then
  echo "suite: FAILED: all $ran tests passed, but the program then exited with $rc"
  exit 1
fi
echo "suite: $ran tests ran: $passed passed, $skipped skipped"
