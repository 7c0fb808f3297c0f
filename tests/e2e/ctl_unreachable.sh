#!/usr/bin/env bash
# A search by address across hosts that are not converters: each answers the request with
# "port unreachable" (ICMP) while the devices around it are still answering, and no device's
# reply is lost for it. The hosts A (left out of the simulator with --skip) are given to the
# program's own card: nothing listens on the device port there, so the program's own system
# answers every request to them with "port unreachable".
#   netns.sh --devsim qvx-devsim --devices N --sim "--skip A ..." -- ctl_unreachable.sh N "A ..." path/to/qvxctl
set -u
WANTED="$1"
HOSTS="$2"
CTL="$3"
# shellcheck source=tests/e2e/netns-lib.sh
. "$(dirname "$0")/netns-lib.sh"
scenario_start basic
for host in $HOSTS; do
    ip addr add "$host/32" dev "$QVX_E2E_DEVICE_CARD" || exit 1
done
unreachables() { nstat -az IcmpOutDestUnreachs | awk '/IcmpOutDestUnreachs/ { print $2 }'; }
before="$(unreachables)"
t 0 "scan across hosts answering port unreachable" -- scan 192.168.0.1-192.168.0.60 --format csv --rate 1000 --timeout 1
count "$WANTED devices found" "$WANTED" '^00-04-A3-' "$OUT"
answered=$(( $(unreachables) - before ))
[ "$answered" -ge "$(wc -w <<<"$HOSTS")" ] && echo "ok: $answered requests answered with port unreachable" ||
    fail "only $answered requests were answered with port unreachable"
exit $FAILED
