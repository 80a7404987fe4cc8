#!/bin/sh
# expect_output.sh STATUS OUTPUT [--stderr ERROR] COMMAND [ARGUMENT...]
# Runs the command and passes when it exits with STATUS and its standard output
# is exactly OUTPUT (and, when given, its standard error exactly ERROR). In both
# texts the printf escapes \r, \n and \t stand for those characters. On a
# mismatch both texts are shown with their control characters.
expected_status=$1
expected_output=$2
shift 2
check_error=0
if [ "$1" = "--stderr" ]; then
  check_error=1
  expected_error=$2
  shift 2
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$@" >"$scratch/actual_output" 2>"$scratch/actual_error" </dev/null
actual_status=$?

failed=0
if [ "$actual_status" -ne "$expected_status" ]; then
  echo "exit status $actual_status, expected $expected_status"
  failed=1
fi

# compare NAME EXPECTED-TEXT ACTUAL-FILE
compare() {
  printf '%b' "$2" >"$scratch/expected_$1"
  if ! cmp -s "$scratch/expected_$1" "$3"; then
    echo "--- expected $1"
    od -c "$scratch/expected_$1"
    echo "--- actual $1"
    od -c "$3"
    failed=1
  fi
}
compare output "$expected_output" "$scratch/actual_output"
if [ "$check_error" -eq 1 ]; then
  compare error "$expected_error" "$scratch/actual_error"
else
  cat "$scratch/actual_error" >&2
fi
exit $failed
