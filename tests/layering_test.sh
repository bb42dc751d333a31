#!/usr/bin/env bash
# The layers run one way: kernel and res < ftp < speedtest < ui < app. A file includes only
# its own layer's headers and those below, nothing below ui includes wx, and nothing above
# ftp/ reaches past it into the socket layer.
#   layering_test.sh SOURCE_DIR
cd "$1" || exit 2
declare -A rank=([kernel]=0 [res]=0 [ftp]=1 [speedtest]=2 [ui]=3 [app]=4)
upward=0
while IFS=: read -r file line target; do
  layer=${file%%/*}
  if [ "${rank[$target]}" -gt "${rank[$layer]}" ]; then
    echo "$file:$line includes $target/, a layer above $layer/"
    upward=$((upward + 1))
  fi
done < <(grep -rnoE '^\s*#\s*include\s+"(kernel|res|ftp|speedtest|ui|app)/' kernel res ftp speedtest ui app |
  sed -E 's/:\s*#\s*include\s+"/:/; s|/$||')
window=$(grep -rlE '^\s*#\s*include\s+<wx/' kernel res ftp speedtest)
[ -n "$window" ] && echo "below ui/, yet wx: $window"
sockets=$(grep -rlE '^\s*#\s*include\s+"ftp/(socket_|tcp_socket|name_lookup|racing_connect|send_wait)' \
  speedtest ui app)
[ -n "$sockets" ] && echo "above ftp/, yet the socket layer: $sockets"
echo "$upward upward includes"
[ "$upward" -eq 0 ] && [ -z "$window" ] && [ -z "$sockets" ]
