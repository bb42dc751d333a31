#!/usr/bin/env bash
# The whole line against vsftpd that opens every data connection from port 20, over a path
# that is not loopback: two network namespaces joined by a veth pair. Every data connection of
# a session then comes from the same address and port, so a session whose next file reused
# the last one's port would meet the last connection still held after its close, which a
# client without TCP timestamps (as here) cannot count on getting past. Both
# directions must lose no session and leave no file. Needs root (namespaces); skipped else.
#   port20_test.sh CLI SOURCE_DIR
set -uo pipefail
cli=$1
source=$2
. "$(dirname "$0")/support/checks.sh"
if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null; then
  echo "skipped: network namespaces need root and iproute2"
  exit 0
fi
work=$(mktemp -d /tmp/lumvik-port20-XXXXXX)
chmod 755 "$work"
server_ns=lumvik-p20-server-$$
client_ns=lumvik-p20-client-$$
cleanup() {
  ip netns exec "$server_ns" "$source/scripts/ftp-test-point" stop "$work/server" >/dev/null 2>&1
  ip netns del "$server_ns" 2>/dev/null
  ip netns del "$client_ns" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
ip netns add "$server_ns" && ip netns add "$client_ns" || {
  echo "skipped: no network namespaces here"
  exit 0
}
ip link add p20-server netns "$server_ns" type veth peer name p20-client netns "$client_ns"
ip -n "$server_ns" addr add 198.18.2.1/24 dev p20-server
ip -n "$client_ns" addr add 198.18.2.2/24 dev p20-client
# A client that sends no TCP timestamps: nothing then lets a connection reuse the four
# addresses and ports of one closed a moment before.
ip netns exec "$client_ns" sysctl -q -w net.ipv4.tcp_timestamps=0
for ns in "$server_ns:p20-server" "$client_ns:p20-client"; do
  ip -n "${ns%%:*}" link set lo up
  ip -n "${ns%%:*}" link set "${ns##*:}" up
done
# A gigabit line each way, as the fastest a customer has.
for ns in "$server_ns:p20-server" "$client_ns:p20-client"; do
  ip netns exec "${ns%%:*}" tc qdisc add dev "${ns##*:}" root tbf rate 1gbit burst 125000 \
    limit 2000000 2>/dev/null
done
FTP_TEST_POINT_ADDRESS=198.18.2.1 FTP_TEST_POINT_FROM_PORT_20=YES \
  ip netns exec "$server_ns" "$source/scripts/ftp-test-point" start "$work/server" 2121 >/dev/null
check "vsftpd connects from port 20" 'grep -q "^connect_from_port_20=YES" "$work/server/vsftpd.conf"'
export XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data
out=$(ip netns exec "$client_ns" "$cli" --json --whole-line --server 198.18.2.1:2121 2>&1)
summary=$(python3 -c '
import json, sys
result = json.loads(sys.argv[1])
for name in ("download", "upload"):
    line = result["line"][name]
    print(name, line["sessions_started"], line["sessions_lost"], line["kbps"] > 0)
print("left", len(result["left_files"]))
' "$out" 2>&1)
check "both directions measured, no session lost: $summary" \
  '[[ $summary == *"download "*" 0 True"*"upload "*" 0 True"*"left 0"* ]]'
left=$(ls "$work/server/root/pub/upload" | grep -c '^hastighed-')
check "no upload of the whole line left on the server ($left)" '[ "$left" -eq 0 ]'
finish_checks
