#!/usr/bin/env bash
# The Windows resource script compiles with windres and holds what the program carries.
#   resource_script_test.sh SOURCE_DIR
set -uo pipefail
res=$1/res
work=$(mktemp -d /tmp/lumvik-rc-XXXXXX)
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/support/checks.sh"

(cd "$res" && x86_64-w64-mingw32-windres --preprocessor=cpp --preprocessor-arg=-xc \
  --preprocessor-arg=-DRC_INVOKED --preprocessor-arg=-D_WIN32 --preprocessor-arg=-D_WIN64 \
  -I/usr/share/mingw-w64/include -c 1252 lumvik.rc -O res -o "$work/lumvik.res")
check "the script compiles" '[ -s "$work/lumvik.res" ]'
x86_64-w64-mingw32-windres -J res -i "$work/lumvik.res" -O rc -o "$work/decompiled.rc" 2>/dev/null
has() { grep -qF -- "$1" "$work/decompiled.rc"; }
has_line() { grep -qE -- "$1" "$work/decompiled.rc"; }
check "file and product version 3.0.0.4" 'has "FILEVERSION 3, 0, 0, 4" && has "PRODUCTVERSION 3, 0, 0, 4"'
check "version strings" 'has "Lumvik Hastighed MFC Application" && has "Lumvik Hastighed.EXE"'
check "string 101" 'has "101, \"&About Lumvik Hastighed...\""'
check "string 104" 'has "104, \"Historik...\""'
check "string 103" 'has "103, \"Windows sockets initialization failed.\""'
check "dialog 102 and its Danish texts in Windows-1252" \
  'has_line "^102 DIALOGEX .*0, 0, 270, 196$" && has "F\\345 hj\\346lp til din hastighed p\\345 Lumvik Online"'
check "dialog 100" 'has_line "^100 DIALOG .*0, 0, 235, 55$" && has "Lumvik Hastighedstest Version 2.0"'
check "icons 150 and 171" 'has_line "^150 14 " && has_line "^171 14 "'

finish_checks
