#!/usr/bin/env bash
# The Windows program under Wine, driven from outside through Win32 as a user's tools
# would: a whole run against vsftpd, the failure text for a refused log-in and for a data
# connection from a foreign address, the local test files gone, exit status 0; a second
# start; the session's end during a run; then the installer: silent install, the installed
# program starts and ends, silent uninstall, and nothing of ours left in the prefix.
#   windows_program_test.sh WINDOWS_BUILD_DIR PORT SCRIPTED_SERVER SOURCE_DIR
set -uo pipefail
build=$1
port=$2
scripted=$3
source=$4
work=$(mktemp -d /tmp/lumvik-wine-XXXXXX)
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8
wine=/usr/lib/wine/wine64
scripted_pid=""
cleanup() {
  [ -n "$scripted_pid" ] && kill "$scripted_pid" 2>/dev/null
  /usr/lib/wine/wineserver -k 2>/dev/null
  "$source/scripts/ftp-test-point" stop "$work/server" >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
# Each check is named with what it measured, so that the figures stand in the test's output.
say_ok=1
. "$(dirname "$0")/../support/checks.sh"
probe() { "$wine" "$build/tests/win32_probe.exe" "$@"; }
# Waits up to 30 s for process $1 to end; sets status to its exit status.
wait_exit() {
  local pid=$1
  wait_until 30 '! kill -0 "$pid" 2>/dev/null'
  if kill -0 "$1" 2>/dev/null; then kill "$1"; status=timeout; else wait "$1"; status=$?; fi
}

"$wine" wineboot -i >/dev/null 2>&1
user=$(id -un)
local_app_data="$WINEPREFIX/drive_c/users/$user/AppData/Local"
ours="$local_app_data/Lumvik Hastighed"
failure="Testen kan ikke genføres på nuværende tidspunkt."

# The probe stands in as the browser: registered for web pages where the system's lookup
# reads it (Wine's FindExecutable takes HKLM's classes, not HKCU's).
browser_log="$WINEPREFIX/drive_c/users/$user/Temp/browser.log"  # %TEMP% in a Wine prefix
"$wine" reg add 'HKLM\Software\Classes\.htm' /ve /d lumvikbrowser /f >/dev/null 2>&1
"$wine" reg add 'HKLM\Software\Classes\lumvikbrowser\shell\open\command' /ve \
  /d "\"$("$wine" winepath -w "$build/tests/win32_probe.exe" | tr -d '\r')\" \"%1\"" /f >/dev/null 2>&1

"$source/scripts/ftp-test-point" start "$work/server" "$port" >/dev/null
"$wine" "$build/lumvik-hastighed.exe" &
pid=$!
check "the dialog opens" 'probe wait-window "Lumvik Hastighedstest" 60'
# A second start brings the first dialog back (here out of its icon) and ends.
probe minimize
"$wine" "$build/lumvik-hastighed.exe" &
wait_exit $!
state=$(probe state)
check "a second start ends with status 0 ($status), the first dialog alone and shown ($state)" \
  '[ "$status" = 0 ] && [ "$state" = "1 shown" ]'
check "the button reads \"Test din hastighed\" (Win32 id 1000)" \
  '[ "$(probe text 1000)" = "Test din hastighed" ]'
probe sizes >"$work/sizes-96"
check "the logo is the provider's: its blue fills much of the control (id 1037)" \
  '[ "$(probe count-color 1037 08208c | cut -d" " -f1)" -gt 600 ]'
check "the links carry their ids and Danish texts" \
  '[ "$(probe text 1028)" = "Få hjælp til din hastighed på Lumvik Online" ] &&
   [ "$(probe text 1031)" = "Sådan måler vi hastigheden" ] &&
   [ "$(probe text 1032)" = "Opgrader din hastighed på lumvik.dk" ]'

# A click on each link opens its page in the browser that the system names.
for id in 1028 1031 1032; do probe mouse-click "$id"; done
# Each page starts a process of its own, which Wine under load takes seconds to start.
wait_until 30 '[ "$(wc -l <"$browser_log" 2>/dev/null)" = 3 ]'
check "clicks on the three links opened pages 1, 2 and 3 in the browser" \
  '[ "$(tr -d "\r" <"$browser_log" | sed "s/.*id=//" | sort | tr "\n" " ")" = "1 2 3 " ]'

probe click 1000
check "a whole run against vsftpd ends in a result text" 'probe wait-text 1005 Testresultat 120'
text=$(probe text 1005)
check "it has both rates" \
  'grep -q "^Test af download: .*kbit/s (omregnet fra .*kbit/s)" <<<"$text" &&
   grep -q "^Test af upload: .*kbit/s (omregnet fra .*kbit/s)" <<<"$text"'
check "beyond every product it measured the whole line, in a last line" \
  'grep -Eq "^Hele linjen: (mindst )?[0-9.,]+ Mbit/s ned, (mindst )?[0-9.,]+ Mbit/s op$" <<<"$text"'
check "the button reads \"Test din hastighed igen\"" \
  '[ "$(probe text 1000)" = "Test din hastighed igen" ]'
check "the local test files are gone" \
  '[ -d "$ours" ] && [ ! -e "$ours/200Ktest.rnd" ] && [ ! -e "$ours/2Mtest.rnd" ]'
check "the run log and the result history are in the private folder" \
  'grep -q "^result: download" "$ours/runs.log" && [ "$(wc -l <"$ours/results.csv")" -eq 2 ]'

"$source/scripts/ftp-test-point" stop "$work/server" >/dev/null
probe click 1000
check "a refused log-in shows the failure text" 'probe wait-text 1005 "$failure" 60'
check "the log tells why" 'grep -q "^failed in log-in as anonymous: code 1" "$ours/runs.log"'

"$scripted" "$port" impostor >"$work/scripted.log" 2>&1 &
scripted_pid=$!
wait_until 5 'grep -q listening "$work/scripted.log"'
probe click 1000
check "a data connection from a foreign address shows the failure text" \
  'probe wait-text 1000 "Vent venligst" 10 && probe wait-text 1000 "igen" 60 &&
   [ "$(probe text 1005 | head -n 1)" = "$failure" ]'
check "the log tells why" 'grep -q "^failed in download 200Ktest.rnd: code 0, .*no data connection arrived" "$ours/runs.log"'

# While it waits for that data connection the window answers, and a close ends the wait.
probe click 1000
probe wait-text 1005 "Tester download" 10
answers=$(probe answers 5)
check "the window answers while the data connection is awaited ($answers)" '[ "$answers" = "5 of 5" ]'
closed_ms=$(probe close-and-wait 10)
wait_exit "$pid"
check "a close ends the dialog within 1 s ($closed_ms ms) and the program with status 0 ($status)" \
  '[ -n "$closed_ms" ] && [ "$closed_ms" -lt 1000 ] && [ "$status" = 0 ]'
check "the log names the step" \
  'grep -q "^failed in download 200Ktest.rnd: code 16, .*while waiting for the data connection" "$ours/runs.log"'

# The session ends (log-off, shutdown) while the run waits: Windows ends the process soon
# after, yet the run is logged with its step and its test file is gone.
"$wine" "$build/lumvik-hastighed.exe" &
pid=$!
probe wait-window "Lumvik Hastighedstest" 60
probe click 1000
probe wait-text 1005 "Tester download" 10
"$wine" wineboot --end-session --force
wait_exit "$pid"
check "the session's end ends the program ($status)" '[ "$status" != timeout ]'
check "the run is logged as ended with the session" \
  '[ "$(tail -n 1 "$ours/runs.log")" = "failed in download 200Ktest.rnd: the session ended" ]'
check "and its test file is gone" '[ ! -e "$ours/200Ktest.rnd" ]'
kill "$scripted_pid"
scripted_pid=""

# The installer, in a prefix with nothing of ours.
rm -rf "$ours"
"$wine" "$(ls "$build"/lumvik-hastighed-*-setup.exe)" /S
installed="$local_app_data/Programs/Lumvik Hastighed"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\LumvikHastighed'
start_menu="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
check "the installer puts the program in LOCALAPPDATA\\Programs" \
  '[ -f "$installed/lumvik-hastighed.exe" ] && [ -f "$installed/uninstall.exe" ]'
check "with a Start-menu entry" '[ -f "$start_menu/Lumvik Hastighed.lnk" ]'
check "and the scheduled run's program, without a console" \
  'grep -q "(GUI)" <<<"$(file "$installed/lumvik-hastighed-scheduled.exe")"'
check "and its version under the user's uninstall key" \
  'grep -q "3\.0\.0\.4" <<<"$("$wine" reg query "$key" /v DisplayVersion 2>/dev/null)"'
"$wine" "$installed/lumvik-hastighed.exe" &
pid=$!
check "the installed program starts" 'probe wait-window "Lumvik Hastighedstest" 60'
# _?= must be the last argument and unquoted; the folder's short name has no blank.
short=$("$wine" winepath -s "C:\\users\\$user\\AppData\\Local\\Programs\\Lumvik Hastighed" | tr -d '\r')
"$wine" "$installed/uninstall.exe" /S "_?=$short"
uninstall_status=$?
check "an uninstall while it runs stops (status $uninstall_status) and removes nothing" \
  '[ "$uninstall_status" -ne 0 ] && [ -f "$installed/lumvik-hastighed.exe" ] &&
   "$wine" reg query "$key" /v DisplayVersion >/dev/null 2>&1'
probe close
wait_exit "$pid"
check "and ends with status 0 (got $status)" '[ "$status" = 0 ]'

# Hourly measuring, turned on by the installed program, goes with the uninstall.
for attempt in 1 2 3; do
  grep -q started <<<"$("$wine" net start schedule 2>/dev/null)" && break
  sleep 2
done
task="$WINEPREFIX/drive_c/windows/system32/tasks/Lumvik Hastighed hver time"
"$wine" "$installed/lumvik-hastighed-cli.exe" --schedule on >/dev/null 2>&1
check "hourly measuring on: its task is registered" '[ -f "$task" ]'

"$wine" "$installed/uninstall.exe" /S "_?=$short"
# Told its folder with _?=, the uninstaller runs in place and cannot delete its own file;
# run from the Start menu or Apps & features it copies itself away first and can.
check "the uninstaller leaves only its own file" '[ "$(ls -A "$installed")" = uninstall.exe ]'
check "and removes the hourly task" '[ ! -e "$task" ]'
rm -f "$installed/uninstall.exe" && rmdir "$installed"
check "nothing of ours is left" \
  '[ ! -e "$installed" ] && [ ! -e "$ours" ] && [ ! -e "$start_menu/Lumvik Hastighed.lnk" ] &&
   ! "$wine" reg query "$key" >/dev/null 2>&1 &&
   [ -z "$(find "$WINEPREFIX/drive_c" -iname "*lumvik*" 2>/dev/null)" ]'

# At 150% (144 DPI): every control grows with the dialog font, as a Windows dialog's do
# (8 pt is 16 pixels there against 11 at 96 DPI, so about 1.45 times), the logo is drawn
# at 75 pixels from its own image, and every text still fits (the last two checked in the
# program's own process).
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1
# The new scale takes a new server; the next program must not reach the one on its way out.
/usr/lib/wine/wineserver -k 2>/dev/null
/usr/lib/wine/wineserver -w 2>/dev/null
"$wine" "$build/lumvik-hastighed.exe" &
pid=$!
probe wait-window "Lumvik Hastighedstest" 60
# The logo takes its size for the new scale after the window shows (seen once at 50 of 75
# pixels): the sizes are read once it has.
for _ in $(seq 50); do
  probe sizes >"$work/sizes-144"
  [ "$(awk '$1 == 1037 { print $2 }' "$work/sizes-144")" -ge 70 ] 2>/dev/null && break
  sleep 0.1
done
probe close
wait_exit "$pid"
check "at 144 DPI each control is 1.35 to 1.55 times its 96-DPI size" \
  'join <(sort "$work/sizes-96") <(sort "$work/sizes-144") | awk "NF == 5 { n++;
     if (\$4 < 1.35 * \$2 || \$4 > 1.55 * \$2 + 2 || \$5 < 1.35 * \$3 || \$5 > 1.55 * \$3 + 2) {
       print; bad++ } } END { exit !(n >= 10 && !bad) }"'
check "at 144 DPI the logo is 75 pixels and every text fits" \
  '"$wine" "$build/tests/win32_dialog_test.exe" --gtest_filter=DisplayScale.* >"$work/dpi.log" 2>&1'

finish_checks
