#!/usr/bin/env bash
# Installation and packaging: cmake --install lays out a desktop program whose entry and
# metainfo validate; cpack builds a Debian package that installs and starts (installed
# for real as root; unpacked elsewhere otherwise).
#   package_test.sh BUILD_DIR
set -uo pipefail
build=$1
work=$(mktemp -d /tmp/lumvik-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
export NO_AT_BRIDGE=1 XDG_CACHE_HOME=$work/cache TMPDIR=$work
. "$(dirname "$0")/support/checks.sh"

DESTDIR=$work/root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1
root=$work/root/usr
check "the binary is installed" '[ -x "$root/bin/lumvik-hastighed" ]'
for size in 16 32 48; do
  check "the ${size}px icon is in the hicolor theme" \
    '[ -f "$root/share/icons/hicolor/${size}x${size}/apps/dk.lumvik.Hastighed.png" ]'
done
check "the desktop entry validates" \
  'desktop-file-validate "$root/share/applications/dk.lumvik.Hastighed.desktop"'
check "the metainfo validates" \
  'appstreamcli validate --no-net "$root/share/metainfo/dk.lumvik.Hastighed.metainfo.xml" >"$work/as.log"'

(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1)
deb=$(ls "$build"/lumvik-hastighed_*.deb 2>/dev/null | head -n 1)
check "cpack builds a Debian package" '[ -n "$deb" ]'
# Listings go to files first: grep -q leaving a pipe early kills dpkg-deb's tar under pipefail.
check "the package ships the hourly timer in the user-unit folder, to run the installed CLI" \
  'dpkg -c "$deb" >"$work/contents.txt" &&
   grep -q "./usr/lib/systemd/user/lumvik-hastighed-measure.timer" "$work/contents.txt" &&
   dpkg --fsys-tarfile "$deb" >"$work/data.tar" &&
   tar -xOf "$work/data.tar" ./usr/lib/systemd/user/lumvik-hastighed-measure.service >"$work/unit.txt" &&
   grep -qx "ExecStart=/usr/bin/lumvik-hastighed-cli --scheduled \$LUMVIK_SCHEDULED" "$work/unit.txt"'

# Starts $1, waits for its window, ends it with Escape; true when it exits 0.
starts_and_ends() {
  "$1" &
  local pid=$! window=""
  for _ in $(seq 100); do
    window=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Lumvik Hastighedstest$' 2>/dev/null | head -n 1)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] && xdotool windowfocus --sync "$window" && xdotool key Escape
  wait_until 10 '! kill -0 "$pid" 2>/dev/null'
  kill "$pid" 2>/dev/null && return 1
  wait "$pid"
}

if [ -n "$deb" ]; then
  if [ "$(id -u)" -eq 0 ]; then
    check "the package installs" 'dpkg -i "$deb" >"$work/dpkg.log" 2>&1'
    check "the installed program starts and ends" 'starts_and_ends /usr/bin/lumvik-hastighed'
    check "the package removes" 'dpkg -r lumvik-hastighed >>"$work/dpkg.log" 2>&1'
  else
    dpkg-deb -x "$deb" "$work/unpacked"
    check "the packaged program starts and ends" 'starts_and_ends "$work/unpacked/usr/bin/lumvik-hastighed"'
  fi
fi

finish_checks
