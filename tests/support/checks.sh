# What the shell tests share: each check runs a command and counts as passed or failed, and
# finish_checks ends the test with the tally, failing when any check did. A test that sets
# say_ok=1 before sourcing this names each passed check too, so its figures stand in its
# output.
#   . tests/support/checks.sh;  check "what it checks" 'command';  ...;  finish_checks
passed=0
failures=0
check() {
  if eval "$2"; then
    [ "${say_ok:-0}" = 1 ] && echo "ok: $1"
    passed=$((passed + 1))
  else
    echo "FAILED: $1"
    failures=$((failures + 1))
  fi
}
finish_checks() {
  echo "$passed passed, $failures failed"
  [ "$failures" -eq 0 ]
}
