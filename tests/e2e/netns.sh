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
#                 [--sim "QVX-DEVSIM ARGS"] [--log FILE] [--quiet] -- COMMAND [ARGS...]
# The command runs in the program namespace with QVX_E2E_NETNS=1, QVX_E2E_TOPOLOGY,
# QVX_E2E_DEVICE_CARD (the program's card towards the devices) and, with office,
# QVX_E2E_OFFICE_CARD. Exit status: the command's, or 77 without namespaces. --quiet (the
# demo) keeps qvx-devsim's datagram log from being shown when the command fails.
set -u
DEVSIM="" TOPOLOGY=basic DEVICES=5 SIM_ARGS="" LOG="" QUIET=0
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
ns_init

SUFFIX="$$$RANDOM" SHORT="${SUFFIX:0:13}" # interface names hold 15 characters
PROG_NS="qvxp$SUFFIX" DEV_NS="qvxd$SUFFIX" OFFICE_NS="qvxo$SUFFIX"
PROG_IF="vp$SHORT" DEV_IF="vd$SHORT" OFFICE_CARD=""
[ -n "$LOG" ] || LOG="$WORK/devsim.log"

ns_add "$PROG_NS" "$DEV_NS"
set -e
if [ "$TOPOLOGY" = office ]; then
    # The office card comes first (the lower interface index) and holds the default route:
    # a request sent by routing leaves there, where no device listens.
    ns_add "$OFFICE_NS"
    OFFICE_CARD="vo$SHORT"
    ns_link "$PROG_NS" "$OFFICE_CARD" 10.9.0.2/24 "$OFFICE_NS" "vq$SHORT" 10.9.0.1/24
    ip -n "$PROG_NS" route add default via 10.9.0.1
fi
ns_link "$PROG_NS" "$PROG_IF" "$PROG_IP/24" "$DEV_NS" "$DEV_IF"
[ "$TOPOLOGY" != basic ] || ip -n "$PROG_NS" route add 224.0.0.0/4 dev "$PROG_IF"
# Every other address of the subnet lives on the devices side, so that a device moved to a
# new address by an upload stays reachable and answers from that address. More devices than
# one subnet holds (a storm) go on from 192.168.1.1, as qvx-devsim numbers them; the program
# reaches them through the group.
hosts_of 192.168.0.0/16 $((DEVICES < 254 ? 254 : DEVICES + 1)) | grep -vxF "$PROG_IP" |
    sed "s|.*|addr add &/32 dev $DEV_IF|" | ip -n "$DEV_NS" -batch -
ip -n "$DEV_NS" route add 192.168.0.0/24 dev "$DEV_IF"
set +e

: >"$LOG"
# shellcheck disable=SC2086 # SIM_ARGS is a list of options
ns_devsim "$DEV_NS" "$WORK/ready" --devices "$DEVICES" --first-ip 192.168.0.1 --skip "$PROG_IP" \
    --interface "$DEV_IF" --log "$LOG" $SIM_ARGS
ns_wait_ready "$WORK/ready"
ns_run "$PROG_NS" env QVX_E2E_NETNS=1 QVX_E2E_TOPOLOGY="$TOPOLOGY" QVX_E2E_DEVICE_CARD="$PROG_IF" \
    QVX_E2E_OFFICE_CARD="$OFFICE_CARD" "$@"
STATUS=$?
if [ "$STATUS" -ne 0 ] && [ "$STATUS" -ne "$SKIP" ] && [ "$QUIET" = 0 ]; then
    echo "---- last datagrams of qvx-devsim ($LOG) ----"
    tail -n 60 "$LOG"
fi
exit "$STATUS"
