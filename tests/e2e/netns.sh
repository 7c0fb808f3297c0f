#!/usr/bin/env bash
# Runs a command against simulated devices on a private network of namespaces:
#   basic (default)  program 192.168.0.10/24 with a route for 224.0.0.0/4 <-veth-> devices
#   office           program: office card 10.9.0.2/24 holding the default route (via an
#                    office namespace 10.9.0.1 where nothing listens) and devices card
#                    192.168.0.200/24 without a route of its own <-veth-> devices
#   isolated         program 192.168.0.10/24 only, no default or multicast route <-veth-> devices
#   routed           program 10.20.0.10/24, default route via a router 10.20.0.1, which
#                    forwards (no multicast routing) to device subnets A and B, as on a site
#                    with several subnets or VLANs
# On the first three, the devices namespace holds every other 192.168.0.x address and runs
# qvx-devsim on port 4096. On routed, a discovery never crosses the router; requests by
# address do. The router reaches each subnet through a point-to-point link to the subnet's
# namespace, which holds every device address: the router resolves no neighbour per address,
# so a scan of thousands of unused addresses cannot overflow its neighbour table (whose limits
# are the host's on kernels that do not keep them per namespace).
#
# Usage: netns.sh --devsim PATH [--topology basic|office|isolated|routed] [--devices N (5)]
#                 [--sim "QVX-DEVSIM ARGS"] [--log FILE] [--quiet]
#                 [--subnet-a CIDR (10.21.0.0/22)] [--devices-a N (3)]
#                 [--subnet-b CIDR (10.22.0.0/24)] [--devices-b N (2)] -- COMMAND [ARGS...]
# The command runs in the program namespace with QVX_E2E_NETNS=1, QVX_E2E_TOPOLOGY and either
# QVX_E2E_DEVICE_CARD (the program's card towards the devices) and, with office,
# QVX_E2E_OFFICE_CARD, or, routed, QVX_E2E_SUBNETS ("A B" as CIDR; B only with devices there)
# and QVX_E2E_DEVICES (in all). Exit status: the command's, or 77 without namespaces. --quiet
# (the demo) keeps qvx-devsim's datagram log from being shown when the command fails.
set -u
DEVSIM="" TOPOLOGY=basic DEVICES=5 SIM_ARGS="" LOG="" QUIET=0
SUBNET_A=10.21.0.0/22 DEVICES_A=3 SUBNET_B=10.22.0.0/24 DEVICES_B=2
while [ $# -gt 0 ]; do
    case "$1" in
        --devsim) DEVSIM="$2"; shift 2 ;;
        --topology) TOPOLOGY="$2"; shift 2 ;;
        --devices) DEVICES="$2"; shift 2 ;;
        --sim) SIM_ARGS="$2"; shift 2 ;;
        --log) LOG="$2"; shift 2 ;;
        --quiet) QUIET=1; shift ;;
        --subnet-a) SUBNET_A="$2"; shift 2 ;;
        --subnet-b) SUBNET_B="$2"; shift 2 ;;
        --devices-a) DEVICES_A="$2"; shift 2 ;;
        --devices-b) DEVICES_B="$2"; shift 2 ;;
        --) shift; break ;;
        *) echo "netns.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
case "$TOPOLOGY" in
    basic|isolated) PROG_IP=192.168.0.10 ;;
    office) PROG_IP=192.168.0.200 ;;
    routed) ;;
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
PROG_NS="qvxp$SUFFIX" DEV_NS="qvxd$SUFFIX" OFFICE_NS="qvxo$SUFFIX" ROUTER_NS="qvxr$SUFFIX"
PROG_IF="vp$SHORT" DEV_IF="vd$SHORT" OFFICE_CARD=""
[ -n "$LOG" ] || LOG="$WORK/devsim.log"
: >"$LOG"

# routed_subnet NAMESPACE ROUTER-IF SUBNET DEVICES FIRST-NUMBER LINK: the subnet's namespace
# with its devices, joined to the router by LINK.1/30 -- LINK.2/30.
routed_subnet() {
    local ns="$1" rif="$2" subnet="$3" count="$4" number="$5" link="$6"
    ns_add "$ns"
    ns_link "$ROUTER_NS" "$rif" "$link.1/30" "$ns" vd0 "$link.2/30"
    hosts_of "$subnet" "$count" | sed "s|.*|addr add &/32 dev vd0|" | ip -n "$ns" -batch -
    ip -n "$ns" route add default via "$link.1"
    ip -n "$ROUTER_NS" route add "$subnet" via "$link.2"
    ns_devsim "$ns" "$WORK/$ns.ready" --devices "$count" --first-ip "$(hosts_of "$subnet" 1)" \
        --first-number "$number" --interface vd0 --log "$LOG.$rif"
    READY+=("$WORK/$ns.ready")
}

ns_add "$PROG_NS"
set -e
if [ "$TOPOLOGY" = routed ]; then
    ns_add "$ROUTER_NS"
    ip netns exec "$ROUTER_NS" sysctl -qw net.ipv4.ip_forward=1
    ns_link "$PROG_NS" vp0 10.20.0.10/24 "$ROUTER_NS" vr0 10.20.0.1/24
    ip -n "$PROG_NS" route add default via 10.20.0.1
    READY=()
    routed_subnet "qvxa$SUFFIX" vra "$SUBNET_A" "$DEVICES_A" 1 10.255.1
    # A second subnet only when it has devices.
    if [ "$DEVICES_B" -gt 0 ]; then
        routed_subnet "qvxb$SUFFIX" vrb "$SUBNET_B" "$DEVICES_B" $((DEVICES_A + 1)) 10.255.2
    else
        SUBNET_B=""
    fi
    set +e
    ns_wait_ready "${READY[@]}"
    ns_run "$PROG_NS" env QVX_E2E_NETNS=1 QVX_E2E_TOPOLOGY=routed QVX_E2E_SUBNETS="$SUBNET_A $SUBNET_B" \
        QVX_E2E_DEVICES=$((DEVICES_A + DEVICES_B)) "$@"
    exit $?
fi

ns_add "$DEV_NS"
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
