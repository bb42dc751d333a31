# What the shell tests share: each check runs a command and counts as passed or failed, and
# finish_checks ends the test with the tally, failing when any check did; wait_until waits
# for a condition. A test that sets
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
# Runs `command` every 0.1 s until it succeeds, for at most `seconds`; false when it never did.
# The command is evaluated here, where $1 and $2 are this function's: name a caller's
# arguments through variables of its own.
#   wait_until 10 '[ -e "$file" ]'
wait_until() {
  local tries=$(($1 * 10))
  for _ in $(seq "$tries"); do
    eval "$2" && return 0
    sleep 0.1
  done
  return 1
}
