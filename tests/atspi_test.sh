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
export XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
# A stub browser registered as the user's default for web pages: it notes its arguments.
export LUMVIK_BROWSER_LOG=$work/browser.log
mkdir -p "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
printf '#!/bin/sh\necho "$*" >> "$LUMVIK_BROWSER_LOG"\n' >"$work/browser"
chmod 755 "$work/browser"
printf '[Desktop Entry]\nType=Application\nName=Stub browser\nExec=%s %%u\nMimeType=text/html;\n' \
  "$work/browser" >"$XDG_DATA_HOME/applications/lumvik-stub-browser.desktop"
printf '[Default Applications]\ntext/html=lumvik-stub-browser.desktop\n' >"$XDG_CONFIG_HOME/mimeapps.list"
dbus-run-session -- /usr/bin/python3 "$source/tests/atspi_test.py" "$program"
