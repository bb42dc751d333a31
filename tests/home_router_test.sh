#!/usr/bin/env bash
# The home router's counters: a client, a router running miniupnpd (UPnP IGD) and a server
# with the test point, each in a network namespace, the line shaped to 40 Mbit/s each way.
# Beside a paced stream of 8 Mbit/s down to another device (the router's own WAN address
# stands for one: its counters count it, the client's never see it), the run names that
# much traffic through the router; with the router silent, it names none and waits no
# longer than its bound. Root only.
#   home_router_test.sh CLI SOURCE_DIR
set -uo pipefail
cli=$1
source=$2
say_ok=1
. "$(dirname "$0")/support/checks.sh"
work=$(mktemp -d /tmp/lumvik-router-XXXXXX)
chmod 755 "$work"
client=lumvik-hr-client-$$ router=lumvik-hr-router-$$ server=lumvik-hr-server-$$
# The veths are made outside the namespaces first: names of this run's own.
lan=hrl$$ wan=hrw$$ host=hrc$$ isp=hrs$$
cleanup() {
  [ -n "${stream:-}" ] && kill "$stream" 2>/dev/null
  [ -n "${igd:-}" ] && kill -CONT "$igd" 2>/dev/null && kill "$igd" 2>/dev/null
  ip netns exec "$server" "$source/scripts/ftp-test-point" stop "$work/server" >/dev/null 2>&1
  for ns in "$client" "$router" "$server"; do ip netns del "$ns" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
[ "$(id -u)" -eq 0 ] && [ -x /usr/sbin/miniupnpd ] && ip netns add "$client" &&
  ip netns add "$router" && ip netns add "$server" ||
  { echo "skipped: no network namespaces or no miniupnpd here"; exit 0; }
ip link add "$host" netns "$client" type veth peer name "$lan" netns "$router"
ip link add "$isp" netns "$server" type veth peer name "$wan" netns "$router"
ip -n "$client" addr add 198.18.4.2/24 dev "$host"
ip -n "$router" addr add 198.18.4.1/24 dev "$lan"
ip -n "$router" addr add 198.18.5.1/24 dev "$wan"
ip -n "$server" addr add 198.18.5.2/24 dev "$isp"
for link in "$client:$host" "$router:$lan" "$router:$wan" "$server:$isp"; do
  ip -n "${link%%:*}" link set lo up
  ip -n "${link%%:*}" link set "${link##*:}" up
done
ip -n "$client" route add default via 198.18.4.1
ip -n "$server" route add default via 198.18.5.1
ip netns exec "$router" sysctl -q -w net.ipv4.ip_forward=1
# Shaped where a line is, before the router in each direction: what the shaper drops never
# reaches the router's counters, as on a real line.
for side in "$server:$isp" "$client:$host"; do
  ip netns exec "${side%%:*}" tc qdisc add dev "${side##*:}" root tbf rate 40mbit burst 20000 \
    limit 200000
done
ip netns exec "$router" /usr/sbin/miniupnpd -d -f /dev/null -i "$wan" -a "$lan" -p 0 \
  -u 00000000-0000-0000-0000-00000000cafe -P "$work/miniupnpd.pid" >"$work/miniupnpd.log" 2>&1 &
igd=$!
FTP_TEST_POINT_ADDRESS=198.18.5.2 \
  ip netns exec "$server" "$source/scripts/ftp-test-point" start "$work/server" 2121 >/dev/null
# 8 Mbit/s of UDP payload down past the client: 1000 datagrams of 1000 bytes a second.
ip netns exec "$server" python3 -c '
import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
start = time.monotonic()
for n in range(10**9):
    s.sendto(bytes(1000), ("198.18.5.1", 9))
    time.sleep(max(0.0, start + (n + 1) / 1000 - time.monotonic()))' &
stream=$!

measure() {
  XDG_CACHE_HOME=$work/cache XDG_DATA_HOME=$work/data ip netns exec "$client" \
    "$cli" --json --no-whole-line --server 198.18.5.2:2121 2>/dev/null |
    python3 -c 'import json, sys, time; c = json.load(sys.stdin)["connection"]
h, o = c["household_traffic_mbit_s"], c["other_traffic_mbit_s"]
print(h["download"], h["upload"], o["download"])'
}
started=$EPOCHREALTIME
read -r down up own <<<"$(measure)"
answered=$(python3 -c "print(round($EPOCHREALTIME - $started, 2))")
check "the router names the stream down: $down Mbit/s, the computer's own $own" \
  'python3 -c "import sys; sys.exit(not (7.2 <= float(\"$down\") <= 9.2 and float(\"$own\") < 0.5))"'
check "and next to nothing up: $up Mbit/s" \
  'python3 -c "import sys; sys.exit(not float(\"$up\") < 0.5)"'

kill -STOP "$igd"
started=$EPOCHREALTIME
read -r down up own <<<"$(measure)"
silent=$(python3 -c "print(round($EPOCHREALTIME - $started, 2))")
check "a silent router: nothing named ($down, $up)" '[ "$down $up" = "None None" ]'
# The search itself is the same either way; a silent router may cost at most its bound (1.5 s).
check "and the run waits at most its bound for it: ${silent} s against ${answered} s" \
  'python3 -c "import sys; sys.exit(not $silent < $answered + 1.5)"'
finish_checks
