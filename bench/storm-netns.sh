#!/usr/bin/env bash
# Black-box storm: simulated devices on a private network of namespaces answer one discovery
# of `qvxctl discover` at once, and the figure is how many `qvxctl` lists. The program runs as
# an ordinary user (nobody) on a system with the stock receive buffer cap
# (net.core.rmem_max = 212992, set for the run and restored after it), so it gets what an
# untuned laptop gives it. Needs root (namespaces, the cap); prints FIG lines as qvx-bench
# does. Nothing is configured in the host's own namespace but that cap.
#
# Usage: bench/storm-netns.sh QVXCTL DEVSIM [DEVICES [RUNS]]   (default 5000 devices, 3 runs)
set -u
ctl="$1"
devsim="$2"
devices="${3:-5000}"
runs="${4:-3}"

if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null; then
    echo "storm-netns: needs root and iproute2; skipped" >&2
    exit 77
fi
prog=qvxstorm-prog-$$
dev=qvxstorm-dev-$$
old_cap="$(sysctl -n net.core.rmem_max)"
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
    ip netns del "$prog" 2>/dev/null
    ip netns del "$dev" 2>/dev/null
    sysctl -qw net.core.rmem_max="$old_cap"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

set -e
ip netns add "$prog"
ip netns add "$dev"
ip -n "$prog" link add qvxs0 type veth peer name qvxs1 netns "$dev"
for ns in "$prog" "$dev"; do
    ip -n "$ns" link set lo up
    ip netns exec "$ns" sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0
done
# One /18 for the program (10.20.0.1) and the devices (from 10.20.0.2 on, skipping host
# parts 0 and 255 as the simulator does).
ip -n "$prog" addr add 10.20.0.1/18 dev qvxs0
ip -n "$prog" link set qvxs0 up
ip -n "$prog" route add 224.0.0.0/4 dev qvxs0
python3 - "$devices" <<'PY' | ip -n "$dev" -batch -
import sys
wanted, n, host = int(sys.argv[1]), 0, 2
while n < wanted:
    if host % 256 not in (0, 255):
        print(f"addr add 10.20.{host // 256}.{host % 256}/18 dev qvxs1")
        n += 1
    host += 1
PY
ip -n "$dev" link set qvxs1 up
set +e

ready="$(mktemp)"
ip netns exec "$dev" "$devsim" --devices "$devices" --first-ip 10.20.0.2 --interface qvxs1 --ready-file "$ready" &
sim_pid=$!
for _ in $(seq 1 100); do [ -s "$ready" ] && break; sleep 0.1; done
rm -f "$ready"
sleep 1 # the veth pair's link comes up

sysctl -qw net.core.rmem_max=212992
listed=()
for _ in $(seq 1 "$runs"); do
    out="$(ip netns exec "$prog" setpriv --reuid=65534 --regid=65534 --clear-groups \
        "$ctl" discover --timeout 3 --format csv 2>/dev/null)"
    listed+=("$(($(printf '%s\n' "$out" | grep -c .) - 1))")
done
sysctl -qw net.core.rmem_max="$old_cap"

sorted=($(printf '%s\n' "${listed[@]}" | sort -n))
median="${sorted[$((runs / 2))]}"
lost=$((devices - median))
verdict=NO
[ "$lost" -eq 0 ] && verdict=yes
printf 'FIG\tstorm on a namespaced network, %s devices: replies lost (median)\t%s\t0\t%s\t%s\n' \
    "$devices" "$lost" "$verdict" \
    "qvxctl discover as user nobody, net.core.rmem_max 212992 (stock), one qvx-devsim on a veth pair answering one discovery with $devices replies; listed per run: ${listed[*]}"
