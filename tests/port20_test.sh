#!/usr/bin/env bash
# The whole line against vsftpd that opens every data connection from port 20, across two
# network namespaces joined by a veth pair and shaped to a gigabit, to a client that sends no
# TCP timestamps: a data connection with the four addresses and ports of one closed a moment
# before would not get through. No session may be lost, no file left. Root only.
#   port20_test.sh CLI SOURCE_DIR
set -uo pipefail
cli=$1
source=$2
. "$(dirname "$0")/support/checks.sh"
work=$(mktemp -d /tmp/lumvik-port20-XXXXXX)
chmod 755 "$work"
server=lumvik-p20-server-$$ client=lumvik-p20-client-$$
cleanup() {
  ip netns exec "$server" "$source/scripts/ftp-test-point" stop "$work/server" >/dev/null 2>&1
  ip netns del "$server" 2>/dev/null
  ip netns del "$client" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
[ "$(id -u)" -eq 0 ] && ip netns add "$server" && ip netns add "$client" ||
  { echo "skipped: no network namespaces here"; exit 0; }
ip link add p20-server netns "$server" type veth peer name p20-client netns "$client"
ip -n "$server" addr add 198.18.2.1/24 dev p20-server
ip -n "$client" addr add 198.18.2.2/24 dev p20-client
ip netns exec "$client" sysctl -q -w net.ipv4.tcp_timestamps=0
for ns in "$server:p20-server" "$client:p20-client"; do
  ip -n "${ns%%:*}" link set lo up
  ip -n "${ns%%:*}" link set "${ns##*:}" up
  ip netns exec "${ns%%:*}" tc qdisc add dev "${ns##*:}" root tbf rate 1gbit burst 125000 \
    limit 2000000
done
FTP_TEST_POINT_ADDRESS=198.18.2.1 FTP_TEST_POINT_FROM_PORT_20=YES \
  ip netns exec "$server" "$source/scripts/ftp-test-point" start "$work/server" 2121 >/dev/null
check "vsftpd connects from port 20" 'grep -q "^connect_from_port_20=YES" "$work/server/vsftpd.conf"'
out=$(XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data ip netns exec "$client" \
  "$cli" --json --whole-line --server 198.18.2.1:2121 2>&1)
lost=$(python3 -c 'import json, sys; r = json.loads(sys.argv[1]); print(*[
  (l["sessions_started"], l["sessions_lost"]) for l in r["line"].values()], r["left_files"])' "$out")
check "both directions measured, no session lost, none left: $lost" \
  '[[ $lost =~ ^\([0-9]+,\ 0\)\ \([0-9]+,\ 0\)\ \[\]$ ]]'
check "no upload of the whole line on the server" '! ls "$work/server/root/pub/upload" | grep -q hastighed-'
finish_checks
