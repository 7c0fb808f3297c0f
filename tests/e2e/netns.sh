#!/usr/bin/env bash
# Runs a command against simulated devices on a private network of namespaces:
#   basic (default)  program 192.168.0.10/24 with a route for 224.0.0.0/4 <-veth-> devices
#   office           program: office card 10.9.0.2/24 holding the default route (via an
#                    office namespace 10.9.0.1 where nothing listens) and devices card
#                    192.168.0.200/24 without a route of its own <-veth-> devices
#   isolated         program 192.168.0.10/24 only, no default or multicast route <-veth-> devices
# The devices namespace holds every other 192.168.0.x address and runs qvx-devsim on port 4096.
#
# Usage: netns.sh --devsim PATH [--topology basic|office|isolated] [--devices N (5)]
#                 [--sim "QVX-DEVSIM ARGS"] [--log FILE] -- COMMAND [ARGS...]
# The command runs in the program namespace with QVX_E2E_NETNS=1, QVX_E2E_TOPOLOGY,
# QVX_E2E_DEVICE_CARD (the program's card towards the devices) and, with office,
# QVX_E2E_OFFICE_CARD. Exit status: the command's, or 77 without namespaces.
set -u
DEVSIM="" TOPOLOGY=basic DEVICES=5 SIM_ARGS="" LOG=""
while [ $# -gt 0 ]; do
    case "$1" in
        --devsim) DEVSIM="$2"; shift 2 ;;
        --topology) TOPOLOGY="$2"; shift 2 ;;
        --devices) DEVICES="$2"; shift 2 ;;
        --sim) SIM_ARGS="$2"; shift 2 ;;
        --log) LOG="$2"; shift 2 ;;
        --) shift; break ;;
        *) echo "netns.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
case "$TOPOLOGY" in
    basic|isolated) PROG_IP=192.168.0.10 ;;
    office) PROG_IP=192.168.0.200 ;;
    *) echo "netns.sh: unknown topology $TOPOLOGY" >&2; exit 2 ;;
esac
if [ $# -eq 0 ] || [ ! -x "$DEVSIM" ]; then
    echo "usage: netns.sh --devsim PATH [options] -- COMMAND..." >&2
    exit 2
fi
# shellcheck source=tests/e2e/netns-lib.sh
. "$(dirname "$0")/netns-lib.sh"

SUFFIX="$$$RANDOM" SHORT="${SUFFIX:0:13}" # interface names hold 15 characters
PROG_NS="qvxp$SUFFIX" DEV_NS="qvxd$SUFFIX" OFFICE_NS="qvxo$SUFFIX"
PROG_IF="vp$SHORT" DEV_IF="vd$SHORT" PROG_OFFICE_IF="vo$SHORT" OFFICE_IF="vq$SHORT"
[ -n "$LOG" ] || LOG="$WORK/devsim.log"

ns_add "$PROG_NS" "$DEV_NS"
set -e
OFFICE_CARD=""
if [ "$TOPOLOGY" = office ]; then
    # The office card comes first (the lower interface index) and holds the default route:
    # a request sent by routing leaves there, where no device listens.
    ns_add "$OFFICE_NS"
    OFFICE_CARD="$PROG_OFFICE_IF"
    ip -n "$PROG_NS" link add "$PROG_OFFICE_IF" type veth peer name "$OFFICE_IF" netns "$OFFICE_NS"
    ip -n "$OFFICE_NS" addr add 10.9.0.1/24 dev "$OFFICE_IF"
    ip -n "$OFFICE_NS" link set "$OFFICE_IF" up
    ip -n "$PROG_NS" addr add 10.9.0.2/24 dev "$PROG_OFFICE_IF"
    ip -n "$PROG_NS" link set "$PROG_OFFICE_IF" up
    ip -n "$PROG_NS" route add default via 10.9.0.1 dev "$PROG_OFFICE_IF"
    ip netns exec "$PROG_NS" sysctl -qw "net.ipv4.conf.$PROG_OFFICE_IF.rp_filter=0"
fi
ip -n "$PROG_NS" link add "$PROG_IF" type veth peer name "$DEV_IF" netns "$DEV_NS"
ip netns exec "$PROG_NS" sysctl -qw "net.ipv4.conf.$PROG_IF.rp_filter=0"
ip netns exec "$DEV_NS" sysctl -qw "net.ipv4.conf.$DEV_IF.rp_filter=0"
ip -n "$PROG_NS" addr add "$PROG_IP/24" dev "$PROG_IF"
ip -n "$PROG_NS" link set "$PROG_IF" up
[ "$TOPOLOGY" != basic ] || ip -n "$PROG_NS" route add 224.0.0.0/4 dev "$PROG_IF"
# Every other address of the subnet lives on the devices side, so that a device moved to a
# new address by an upload stays reachable and answers from that address.
{
    for host in $(seq 1 254); do
        [ "192.168.0.$host" = "$PROG_IP" ] || echo "addr add 192.168.0.$host/24 dev $DEV_IF"
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
ns_devsim "$DEV_NS" "$WORK/ready" --devices "$DEVICES" --first-ip 192.168.0.1 --skip "$PROG_IP" \
    --interface "$DEV_IF" --log "$LOG" $SIM_ARGS
ns_wait_ready "$WORK/ready"
ns_run "$PROG_NS" env QVX_E2E_NETNS=1 QVX_E2E_TOPOLOGY="$TOPOLOGY" QVX_E2E_DEVICE_CARD="$PROG_IF" \
    QVX_E2E_OFFICE_CARD="$OFFICE_CARD" "$@"
STATUS=$?
if [ "$STATUS" -ne 0 ] && [ "$STATUS" -ne "$SKIP" ]; then
    echo "---- last datagrams of qvx-devsim ($LOG) ----"
    tail -n 60 "$LOG"
fi
exit "$STATUS"
