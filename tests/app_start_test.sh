#!/usr/bin/env bash
# The program as a whole, started as a user starts it: a normal start and end exits 0 and
# leaves no probe file; a second start raises the first dialog and ends; without Internet sockets only the message box appears, no probe
# file is written, and dismissing the box ends the program with a failure status.
#   app_start_test.sh PROGRAM NO_INET_SOCKETS_LIBRARY TEST_PORT_PROGRAM SCRIPTED_SERVER PORT
# (TEST_PORT_PROGRAM: the program measuring against 127.0.0.1:PORT.)
set -uo pipefail
program=$1
shim=$2
test_port_program=$3
scripted=$4
port=$5
work=$(mktemp -d /tmp/lumvik-start-XXXXXX)
scripted_pid=""
# The scripted server is waited for, so that its port is free again when the next test that
# shares it starts.
trap '[ -n "$scripted_pid" ] && kill "$scripted_pid" && wait "$scripted_pid"; rm -rf "$work"' EXIT
export TMPDIR=$work/tmp XDG_CACHE_HOME=$work/cache NO_AT_BRIDGE=1
mkdir -p "$TMPDIR"
. "$(dirname "$0")/support/checks.sh"

# Waits for a visible window of process $1, named like $2 when given; prints its id.
wait_window() {
  local id
  for _ in $(seq 100); do
    if [ $# -eq 2 ]; then
      id=$(xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -n 1)
    else
      id=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n 1)
    fi
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Waits up to 10 s for process $1 to end; sets status to its exit status.
wait_exit() {
  local pid=$1
  wait_until 10 '! kill -0 "$pid" 2>/dev/null'
  if kill -0 "$1" 2>/dev/null; then
    kill "$1"
    status=timeout
  else
    wait "$1"
    status=$?
  fi
}

press() {
  xdotool windowfocus --sync "$1" && xdotool key "$2"
}

"$program" ignored --arguments &
pid=$!
window=$(wait_window "$pid" '^Lumvik Hastighedstest$')
check "the main dialog opens" '[ -n "$window" ]'
check "the probe file is gone once the dialog shows" '[ ! -e "$TMPDIR/tmp.htm" ]'
# The desktop matches the window to its launcher by this class: the desktop entry's name.
wm_class=$(xprop -id "${window:-0}" WM_CLASS 2>/dev/null)
check "WM_CLASS names the desktop entry (got $wm_class)" \
  '[ "$wm_class" = "WM_CLASS(STRING) = \"dk.lumvik.Hastighed\", \"dk.lumvik.Hastighed\"" ] &&
   [ -f "$(dirname "$0")/../res/dk.lumvik.Hastighed.desktop" ]'

# A second start brings the first dialog to the front (here from under another window) and
# ends with status 0, opening no dialog of its own.
# The line of each window in the stacking order, the top one first.
stack_line() { xwininfo -root -children | grep -n "$1" | head -n 1 | cut -d: -f1; }
xmessage -geometry 800x600+0+0 cover &
cover=$!
xmessage_shown() { [ -n "$(stack_line '"xmessage"')" ]; }
wait_until 10 xmessage_shown
check "the other window covers the dialog" '[ "$(stack_line xmessage)" -lt "$(stack_line Hastighedstest)" ]'
"$program" &
second=$!
wait_exit "$second"
check "a second start ends with status 0 (got $status)" '[ "$status" = 0 ]'
check "it opened no second dialog" \
  '[ "$(xdotool search --all --onlyvisible --name "^Lumvik Hastighedstest$" | wc -l)" = 1 ]'
check "the first dialog is in front again" '[ "$(stack_line Hastighedstest)" -lt "$(stack_line xmessage)" ]'
kill "$cover"
[ -n "$window" ] && press "$window" Escape
wait_exit "$pid"
check "Escape ends the program with status 0 (got $status)" '[ "$status" = 0 ]'

# SIGTERM (a log-out, systemctl stop) and SIGHUP (a closed session) end the program as a
# close does, with 128 + the signal; a run under way (here awaiting a data connection that
# never comes) is logged with its step, and its test file removed.
"$scripted" "$port" impostor >"$work/scripted.log" 2>&1 &
scripted_pid=$!
wait_until 5 'grep -q listening "$work/scripted.log"'
for ending in TERM HUP; do
  "$test_port_program" &
  pid=$!
  window=$(wait_window "$pid" '^Lumvik Hastighedstest$')
  [ -n "$window" ] && press "$window" space
  wait_until 10 '[ -e "$XDG_CACHE_HOME/lumvik-hastighed/200Ktest.rnd" ]'
  check "SIG$ending: a run is under way" '[ -e "$XDG_CACHE_HOME/lumvik-hastighed/200Ktest.rnd" ]'
  kill -"$ending" "$pid"
  wait_exit "$pid"
  expected=$((128 + $(kill -l "$ending")))
  check "SIG$ending ends the program with status $expected (got $status)" '[ "$status" = "$expected" ]'
  check "SIG$ending: no test file is left" '[ ! -e "$XDG_CACHE_HOME/lumvik-hastighed/200Ktest.rnd" ]'
  check "SIG$ending: the run is logged with its step" \
    'tail -n 1 "$XDG_CACHE_HOME/lumvik-hastighed/runs.log" | grep -q "^failed in download 200Ktest.rnd: code 16"'
done
"$program" &
pid=$!
wait_window "$pid" '^Lumvik Hastighedstest$' >/dev/null
kill -TERM "$pid"
wait_exit "$pid"
check "SIGTERM ends an idle program with status 143 (got $status)" '[ "$status" = 143 ]'

LD_PRELOAD=$shim "$program" &
pid=$!
box=$(wait_window "$pid")
check "a message box appears" '[ -n "$box" ]'
check "captioned with the program's name" \
  '[ "$(xdotool getwindowname "${box:-0}" 2>/dev/null)" = "Lumvik Hastighed" ]'
check "the main dialog does not open" '[ -z "$(xdotool search --all --pid "$pid" --name "^Lumvik Hastighedstest$" 2>/dev/null)" ]'
check "no probe file is written" '[ ! -e "$TMPDIR/tmp.htm" ]'
[ -n "$box" ] && press "$box" Return
wait_exit "$pid"
check "dismissing it ends the program with a failure status (got $status)" '[ "$status" != 0 ] && [ "$status" != timeout ]'

finish_checks
