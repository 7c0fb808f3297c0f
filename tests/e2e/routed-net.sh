#!/usr/bin/env bash
# Runs a command on a workstation whose devices sit on two other subnets behind a router,
# as on a site with several subnets or VLANs:
#
#   program   10.20.0.10/24, default route via the router     <-- veth -->  router 10.20.0.1
#   router    forwards between its three links, no multicast routing
#   subnet A  (default 10.21.0.0/22) devices from its first host, default route via the router
#   subnet B  (default 10.22.0.0/24) likewise
#
# A discovery (multicast) never crosses the router; requests by address do. The router
# reaches each subnet through a point-to-point link to the subnet's namespace, which holds
# every device address: the router resolves no neighbour per address, so a scan of
# thousands of unused addresses cannot overflow its neighbour table (whose limits are the
# host's on kernels that do not keep them per namespace).
#
# Usage: routed-net.sh --devsim PATH [--subnet-a CIDR] [--devices-a N] [--subnet-b CIDR]
#                      [--devices-b N] -- COMMAND [ARGS...]
# The command runs in the program's namespace with QVX_E2E_NETNS=1, QVX_E2E_TOPOLOGY=routed,
# QVX_E2E_SUBNETS ("A B" as CIDR; B only with devices there) and QVX_E2E_DEVICES (devices in all). Exit status: the
# command's, or 77 when namespaces cannot be made here.
set -u

DEVSIM=""
SUBNET_A=10.21.0.0/22
SUBNET_B=10.22.0.0/24
DEVICES_A=3
DEVICES_B=2
while [ $# -gt 0 ]; do
    case "$1" in
        --devsim) DEVSIM="$2"; shift 2 ;;
        --subnet-a) SUBNET_A="$2"; shift 2 ;;
        --subnet-b) SUBNET_B="$2"; shift 2 ;;
        --devices-a) DEVICES_A="$2"; shift 2 ;;
        --devices-b) DEVICES_B="$2"; shift 2 ;;
        --) shift; break ;;
        *) echo "routed-net.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
if [ $# -eq 0 ] || [ ! -x "$DEVSIM" ]; then
    echo "usage: routed-net.sh --devsim PATH [--subnet-a CIDR] [--devices-a N] ... -- COMMAND..." >&2
    exit 2
fi
# shellcheck source=tests/e2e/netns-lib.sh
. "$(dirname "$0")/netns-lib.sh"
ns_init

SUFFIX="$$$RANDOM"
NS_P="qvrp$SUFFIX"; NS_R="qvrr$SUFFIX"; NS_A="qvra$SUFFIX"; NS_B="qvrb$SUFFIX"
ns_add "$NS_P" "$NS_R" "$NS_A" "$NS_B"

set -e
ip netns exec "$NS_R" sysctl -qw net.ipv4.ip_forward=1
ns_link "$NS_P" vp0 10.20.0.10/24 "$NS_R" vr0 10.20.0.1/24
ip -n "$NS_P" route add default via 10.20.0.1

start_subnet() { # namespace, router-side interface, subnet, devices, name, first device number, link
    local ns="$1" rif="$2" subnet="$3" count="$4" name="$5" number="$6" link="$7"
    ns_link "$NS_R" "$rif" "$link.1/30" "$ns" vd0 "$link.2/30"
    hosts_of "$subnet" "$count" | sed "s|.*|addr add &/32 dev vd0|" | ip -n "$ns" -batch -
    ip -n "$ns" route add default via "$link.1"
    ip -n "$NS_R" route add "$subnet" via "$link.2"
    ns_devsim "$ns" "$WORK/$name.ready" --devices "$count" --first-ip "$(hosts_of "$subnet" 1)" \
        --first-number "$number" --interface vd0 --log "$WORK/$name.log"
}
start_subnet "$NS_A" vra "$SUBNET_A" "$DEVICES_A" a 1 10.255.1
# A second subnet only when it has devices.
if [ "$DEVICES_B" -gt 0 ]; then
    start_subnet "$NS_B" vrb "$SUBNET_B" "$DEVICES_B" b $((DEVICES_A + 1)) 10.255.2
else
    SUBNET_B=""
    echo 0 >"$WORK/b.ready"
fi
set +e

ns_wait_ready "$WORK/a.ready" "$WORK/b.ready"
ns_run "$NS_P" env QVX_E2E_NETNS=1 QVX_E2E_TOPOLOGY=routed QVX_E2E_SUBNETS="$SUBNET_A $SUBNET_B" \
    QVX_E2E_DEVICES=$((DEVICES_A + DEVICES_B)) "$@"
