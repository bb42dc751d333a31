#!/usr/bin/env bash
# Runs atspi_test.py on its own session bus with a test point at the port PROGRAM uses.
#   atspi_test.sh PROGRAM PORT SOURCE_DIR
set -uo pipefail
program=$1
port=$2
source=$3
work=$(mktemp -d /tmp/lumvik-atspi-XXXXXX)
chmod 755 "$work"
trap '"$source/scripts/ftp-test-point" stop "$work/server"; rm -rf "$work"' EXIT
"$source/scripts/ftp-test-point" start "$work/server" "$port" || exit 1
export XDG_CACHE_HOME=$work/cache
dbus-run-session -- /usr/bin/python3 "$source/tests/atspi_test.py" "$program"
