#!/usr/bin/env bash
# Hourly measuring on Linux: the timer's unit files validate, and the command-line
# program's --schedule turns the timer on and off in a user manager of the test's own (in a
# mount namespace of its own, where the system looks booted with systemd); without a user
# manager it says so and changes nothing.
#   schedule_test.sh CLI SOURCE_DIR
set -uo pipefail
cli=$1
source=$2
work=$(mktemp -d /tmp/lumvik-schedule-XXXXXX)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/support/checks.sh"

export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share XDG_RUNTIME_DIR=$work/runtime
units=$XDG_DATA_HOME/systemd/user
mkdir -p "$units" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
sed "s|@LUMVIK_CLI_PATH@|$cli|" "$source/res/lumvik-hastighed-measure.service.in" \
  >"$units/lumvik-hastighed-measure.service"
cp "$source/res/lumvik-hastighed-measure.timer" "$units/"

verify=$(cd "$units" && systemd-analyze --user verify lumvik-hastighed-measure.timer \
  lumvik-hastighed-measure.service 2>&1)
check "the unit files validate: $verify" '[ -z "$verify" ]'

out=$("$cli" --schedule status 2>&1)
check "without a user manager, status says so: $out" \
  '[[ $out == "hourly measuring: unavailable (there is no systemd user session)" ]]'
out=$("$cli" --schedule on 2>&1)
check "and on fails, saying why: $out" '[ $? -ne 0 ] && [[ $out == *"no systemd user session"* ]]'

# In the namespace: a user manager of our own, --schedule on, status, off.
inside=$(unshare -rm bash -c '
  mount -t tmpfs tmpfs /run/systemd 2>/dev/null || exit 3
  mkdir -p /run/systemd/system
  /lib/systemd/systemd --user >"$XDG_RUNTIME_DIR/manager.log" 2>&1 &
  manager=$!
  for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/systemd/private" ] && break; sleep 0.1; done
  "$1" --schedule status
  "$1" --schedule on --no-whole-line && echo "on: $?"
  "$1" --schedule status
  "$1" --schedule on --whole-line-when every-run >/dev/null
  "$1" --schedule status
  systemctl --user list-timers --all --no-legend lumvik-hastighed-measure.timer
  "$1" --schedule off && echo "off: $?"
  "$1" --schedule status
  kill $manager
' inside "$cli" 2>&1)
case $? in
  3) echo "skipped: no tmpfs mount in a namespace of our own here" ;;
  *)
    check "off at first, on, on by status, off again: $inside" '[[ $inside == *"hourly measuring: off (lumvik-hastighed-measure.timer)"*"on: 0"*"hourly measuring: on (lumvik-hastighed-measure.timer)"*"off: 0"*"hourly measuring: off"* ]]'
    check "each run is given the whole line's choice, as installed: $inside" \
      '[[ $inside == *"each run: --scheduled --whole-line-when never"*"each run: --scheduled --whole-line-when every-run"* ]]'
    check "the manager has the timer, next within the hour: $inside" \
      '[[ $inside == *"lumvik-hastighed-measure.timer lumvik-hastighed-measure.service"* ]]'
    ;;
esac

finish_checks
