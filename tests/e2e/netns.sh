#!/usr/bin/env bash
# Runs a command against simulated devices on a private network of namespaces. Topologies:
#
# basic (default): two namespaces
#   program side  192.168.0.10/24, route 224.0.0.0/4 on its veth   <-- veth pair -->
#   devices side  192.168.0.1 .. .254 (all but .10), qvx-devsim listening on port 4096
#
# office: a laptop with two cards, the office card holding the default route
#   program side  office card 10.9.0.2/24, default route via 10.9.0.1  <-- veth -->  office
#                 namespace 10.9.0.1 (nothing listens there);
#                 devices card 192.168.0.200/24, no route of its own    <-- veth -->  devices
#                 side 192.168.0.1 .. .254 (all but .200), qvx-devsim
#
# isolated: one card cabled straight to the devices, no default route, no multicast route
#   program side  192.168.0.10/24 only                                  <-- veth -->  devices
#
# Nothing is configured in the host's own namespace: the veth pair is created inside the
# namespaces, and both namespaces and everything started in them go away on exit, also
# when the command fails or the script is interrupted.
#
# Usage: netns.sh --devsim PATH [--topology basic|office|isolated] [--devices N] [--sim "ARGS"]
#                 [--log FILE] [--quiet] -- COMMAND [ARGS...]
#   --devsim PATH   the qvx-devsim binary
#   --topology T    the network to build (default basic)
#   --devices N     number of simulated devices (default 5), from 192.168.0.1, skipping the
#                   program's address
#   --sim "ARGS"    more qvx-devsim options (split at blanks)
#   --log FILE      qvx-devsim's datagram log (default: a temporary file, shown on failure)
#   --quiet         do not show the datagram log when the command fails
# The command runs in the program namespace with QVX_E2E_NETNS=1, QVX_E2E_TOPOLOGY (the
# topology's name), QVX_E2E_DEVICE_CARD (the program's card towards the devices) and, with
# office, QVX_E2E_OFFICE_CARD; and with the calling user's environment (DISPLAY and
# XAUTHORITY included). Exit status: the command's, or 77
# when this machine cannot create network namespaces (not root, no `ip netns`).
set -u

SKIP=77
DEVSIM=""
TOPOLOGY=basic
DEVICES=5
SIM_ARGS=""
LOG=""
QUIET=0

while [ $# -gt 0 ]; do
    case "$1" in
        --devsim) DEVSIM="$2"; shift 2 ;;
        --topology) TOPOLOGY="$2"; shift 2 ;;
        --devices) DEVICES="$2"; shift 2 ;;
        --sim) SIM_ARGS="$2"; shift 2 ;;
        --log) LOG="$2"; shift 2 ;;
        --quiet) QUIET=1; shift ;;
        --) shift; break ;;
        *) echo "netns.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
if [ $# -eq 0 ] || [ -z "$DEVSIM" ]; then
    echo "usage: netns.sh --devsim PATH [--devices N] [--sim \"ARGS\"] [--log FILE] -- COMMAND..." >&2
    exit 2
fi
case "$TOPOLOGY" in
    basic|isolated) PROG_IP=192.168.0.10 ;;
    office) PROG_IP=192.168.0.200 ;;
    *) echo "netns.sh: unknown topology $TOPOLOGY" >&2; exit 2 ;;
esac
if [ ! -x "$DEVSIM" ]; then
    echo "netns.sh: $DEVSIM is not an executable" >&2
    exit 2
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "SKIP: network namespaces need root"
    exit $SKIP
fi
if ! command -v ip >/dev/null 2>&1; then
    echo "SKIP: iproute2 (ip) is not installed"
    exit $SKIP
fi

SUFFIX="$$$RANDOM"
PROG_NS="qvxp$SUFFIX"
DEV_NS="qvxd$SUFFIX"
OFFICE_NS="qvxo$SUFFIX"
PROG_IF="vp$SUFFIX"
DEV_IF="vd$SUFFIX"
PROG_OFFICE_IF="vo$SUFFIX"
OFFICE_IF="vq$SUFFIX"
PROG_IF="${PROG_IF:0:15}"
DEV_IF="${DEV_IF:0:15}"
PROG_OFFICE_IF="${PROG_OFFICE_IF:0:15}"
OFFICE_IF="${OFFICE_IF:0:15}"
WORK="$(mktemp -d /tmp/qvx-netns.XXXXXX)"
READY="$WORK/devsim.ready"
[ -n "$LOG" ] || LOG="$WORK/devsim.log"
SIM_PID=""
CREATED_PROG=0
CREATED_DEV=0
CREATED_OFFICE=0

# shellcheck disable=SC2317 # called through the trap
teardown() {
    local status=$?
    trap - EXIT INT TERM HUP
    if [ -n "$SIM_PID" ] && kill -0 "$SIM_PID" 2>/dev/null; then
        kill -TERM "$SIM_PID" 2>/dev/null
        for _ in $(seq 1 20); do
            kill -0 "$SIM_PID" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$SIM_PID" 2>/dev/null
        wait "$SIM_PID" 2>/dev/null
    fi
    # Whatever is still running inside the namespaces was started by this script.
    for ns in "$PROG_NS" "$DEV_NS" "$OFFICE_NS"; do
        for pid in $(ip netns pids "$ns" 2>/dev/null); do
            kill -KILL "$pid" 2>/dev/null
        done
    done
    [ "$CREATED_PROG" = 1 ] && ip netns del "$PROG_NS" 2>/dev/null
    [ "$CREATED_DEV" = 1 ] && ip netns del "$DEV_NS" 2>/dev/null
    [ "$CREATED_OFFICE" = 1 ] && ip netns del "$OFFICE_NS" 2>/dev/null
    rm -rf "$WORK"
    exit "$status"
}
trap teardown EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

if ! ip netns add "$PROG_NS" 2>"$WORK/err"; then
    echo "SKIP: cannot create a network namespace: $(cat "$WORK/err")"
    exit $SKIP
fi
CREATED_PROG=1
ip netns add "$DEV_NS" || exit 1
CREATED_DEV=1
if [ "$TOPOLOGY" = office ]; then
    ip netns add "$OFFICE_NS" || exit 1
    CREATED_OFFICE=1
fi

set -e
# Both ends are created inside the namespaces, never in the host's.
if [ "$TOPOLOGY" = office ]; then
    # The office card comes first (the lower interface index) and holds the default route:
    # a request sent by routing leaves there, where no device listens.
    ip -n "$PROG_NS" link add "$PROG_OFFICE_IF" type veth peer name "$OFFICE_IF" netns "$OFFICE_NS"
    ip -n "$OFFICE_NS" link set lo up
    ip -n "$OFFICE_NS" addr add 10.9.0.1/24 dev "$OFFICE_IF"
    ip -n "$OFFICE_NS" link set "$OFFICE_IF" up
    ip -n "$PROG_NS" addr add 10.9.0.2/24 dev "$PROG_OFFICE_IF"
    ip -n "$PROG_NS" link set "$PROG_OFFICE_IF" up
    ip -n "$PROG_NS" route add default via 10.9.0.1 dev "$PROG_OFFICE_IF"
    ip netns exec "$PROG_NS" sysctl -qw "net.ipv4.conf.$PROG_OFFICE_IF.rp_filter=0"
fi
ip -n "$PROG_NS" link add "$PROG_IF" type veth peer name "$DEV_IF" netns "$DEV_NS"

for ns in "$PROG_NS" "$DEV_NS"; do
    ip -n "$ns" link set lo up
    ip netns exec "$ns" sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0
done
ip netns exec "$PROG_NS" sysctl -qw "net.ipv4.conf.$PROG_IF.rp_filter=0"
ip netns exec "$DEV_NS" sysctl -qw "net.ipv4.conf.$DEV_IF.rp_filter=0"

ip -n "$PROG_NS" addr add "$PROG_IP/24" dev "$PROG_IF"
ip -n "$PROG_NS" link set "$PROG_IF" up
if [ "$TOPOLOGY" = basic ]; then
    ip -n "$PROG_NS" route add 224.0.0.0/4 dev "$PROG_IF"
fi

# Every other address of the subnet lives on the devices side, so that a device moved to a
# new address by an upload stays reachable and answers from that address.
{
    for host in $(seq 1 254); do
        [ "192.168.0.$host" = "$PROG_IP" ] && continue
        echo "addr add 192.168.0.$host/24 dev $DEV_IF"
    done
    # More devices than one subnet holds (a storm) go on from 192.168.1.1, as qvx-devsim
    # numbers them (.0 and .255 skipped); the program reaches them through the group.
    left=$((DEVICES - 253))
    subnet=1
    while [ "$left" -gt 0 ]; do
        for host in $(seq 1 $((left < 254 ? left : 254))); do
            echo "addr add 192.168.$subnet.$host/32 dev $DEV_IF"
        done
        left=$((left - 254))
        subnet=$((subnet + 1))
    done
} | ip -n "$DEV_NS" -batch -
ip -n "$DEV_NS" link set "$DEV_IF" up
set +e

: >"$LOG"
# shellcheck disable=SC2086 # SIM_ARGS is a list of options
ip netns exec "$DEV_NS" "$DEVSIM" --devices "$DEVICES" --first-ip 192.168.0.1 --skip "$PROG_IP" \
    --interface "$DEV_IF" --log "$LOG" --ready-file "$READY" $SIM_ARGS &
SIM_PID=$!

for _ in $(seq 1 100); do
    [ -s "$READY" ] && break
    if ! kill -0 "$SIM_PID" 2>/dev/null; then
        echo "netns.sh: qvx-devsim did not start" >&2
        exit 1
    fi
    sleep 0.1
done
if [ ! -s "$READY" ]; then
    echo "netns.sh: qvx-devsim is not listening after 10 s" >&2
    exit 1
fi

# In the background, so that a signal to this script is handled at once (a foreground
# child would hold the trap back until it ends).
OFFICE_CARD=""
[ "$TOPOLOGY" = office ] && OFFICE_CARD="$PROG_OFFICE_IF"
ip netns exec "$PROG_NS" env QVX_E2E_NETNS=1 QVX_E2E_TOPOLOGY="$TOPOLOGY" QVX_E2E_DEVICE_CARD="$PROG_IF" \
    QVX_E2E_OFFICE_CARD="$OFFICE_CARD" "$@" &
CMD_PID=$!
wait "$CMD_PID"
STATUS=$?

if [ "$STATUS" -ne 0 ] && [ "$STATUS" -ne "$SKIP" ] && [ "$QUIET" = 0 ] && [ -f "$LOG" ]; then
    echo "---- last datagrams of qvx-devsim ($LOG) ----"
    tail -n 60 "$LOG"
fi
exit "$STATUS"
