#!/usr/bin/env bash
# A search by address across hosts that are not converters: each of them answers the request
# with "port unreachable" (ICMP) while the devices around it are still answering, and no
# device's reply is lost for it.
#   netns.sh --devsim qvx-devsim --devices N --sim "--skip A ..." -- ctl_unreachable.sh N "A ..." path/to/qvxctl
# The skipped addresses A are given to the program's own card: nothing listens on the device
# port there, so the program's own system answers every request to them with "port unreachable".
set -u -o pipefail
WANTED="$1"
HOSTS="$2"
CTL="$3"
if [ "${QVX_E2E_NETNS:-}" != 1 ]; then
    echo "SKIP: runs only inside the namespaces of netns.sh"
    exit 77
fi
for host in $HOSTS; do
    ip addr add "$host/32" dev "$QVX_E2E_DEVICE_CARD" || exit 1
done
unreachables() { nstat -az IcmpOutDestUnreachs | awk '/IcmpOutDestUnreachs/ { print $2 }'; }
before="$(unreachables)"
out="$("$CTL" scan 192.168.0.1-192.168.0.60 --format csv --rate 1000 --timeout 1 | tr -d '\r')"
status=$?
answered=$(( $(unreachables) - before ))
found=$(grep -c '^00-04-A3-' <<<"$out")
if [ "$status" -ne 0 ] || [ "$found" -ne "$WANTED" ]; then
    echo "FAIL: the scan (exit $status) found $found devices, wanted $WANTED"
    exit 1
fi
if [ "$answered" -lt "$(wc -w <<<"$HOSTS")" ]; then
    echo "FAIL: only $answered requests were answered with port unreachable"
    exit 1
fi
echo "ok: $found devices found while $answered requests to the other hosts were answered with port unreachable"
