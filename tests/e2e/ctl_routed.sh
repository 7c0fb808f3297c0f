#!/usr/bin/env bash
# qvxctl on a site whose devices sit on two subnets behind a router (routed-net.sh, devices
# on 10.21.0.0/22 and 10.22.0.0/24): a discovery finds none of them, a scan of both subnets
# finds every one, and bad ranges are refused before anything is sent.
#   routed-net.sh --devsim qvx-devsim -- ctl_routed.sh path/to/qvxctl
set -u -o pipefail
CTL="$1"
if [ "${QVX_E2E_TOPOLOGY:-}" != routed ]; then
    echo "SKIP: runs only inside the namespaces of routed-net.sh"
    exit 77
fi
FAILED=0
fail() { echo "FAIL: $*"; FAILED=1; }
read -r SUBNET_A SUBNET_B <<<"$QVX_E2E_SUBNETS"

out="$("$CTL" discover --format csv --timeout 1 2>/dev/null | tr -d '\r')"
[ "$(grep -c '^00-04-A3-' <<<"$out")" -eq 0 ] || fail "discovery crossed the router"

start=$(date +%s%N)
out="$("$CTL" scan "$SUBNET_A" "$SUBNET_B" --format csv --rate 1000 | tr -d '\r')"
status=$?
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
[ "$status" -eq 0 ] || fail "scan exit $status"
found=$(grep -c '^00-04-A3-' <<<"$out")
[ "$found" -eq "$QVX_E2E_DEVICES" ] || fail "scan found $found devices, wanted $QVX_E2E_DEVICES"
grep -q '^00-04-A3-00-00-01,10\.21\.0\.1,' <<<"$out" || fail "the first device of subnet A is missing"
grep -q ',10\.22\.0\.1,.*,vp0 10\.20\.0\.10$' <<<"$out" || fail "the first device of subnet B does not name the card"
# 1,276 addresses, the silent ones asked twice, at 1000 per second: 2.6 s of pacing.
[ "$elapsed_ms" -lt 5000 ] || fail "the scan took $elapsed_ms ms"

# The site against its sheet, found by the scan alone: firmware needs no extra download.
sheet="$(mktemp)"
trap 'rm -f "$sheet"' EXIT
printf 'mac,ip,firmware\n00-04-A3-00-00-01,10.21.0.1,2.1\n00-04-A3-00-00-04,10.22.0.1,2.1\n' >"$sheet"
out="$("$CTL" check "$sheet" --scan "$SUBNET_A" --scan "$SUBNET_B" --timeout 1 --format csv | tr -d '\r')"
status=$?
[ "$status" -eq 1 ] || fail "check with units not in the sheet exit $status, wanted 1"
[ "$(grep -c ',matches,' <<<"$out")" -eq 2 ] || fail "check: the two planned units do not match: $out"
[ "$(grep -c ',not in sheet,' <<<"$out")" -eq 3 ] || fail "check: the three other units are not named"

"$CTL" scan 10.23.0.0/24 --retries 0 --timeout 1 >/dev/null 2>&1
[ $? -eq 1 ] || fail "a scan that finds nothing does not exit 1"
for bad in 10.21.0.0/33 10.21.0.9-10.21.0.1 10.21.0 10.0.0.0/15; do
    "$CTL" scan "$bad" >/dev/null 2>&1
    [ $? -eq 2 ] || fail "the range $bad is not refused with exit 2"
done

[ "$FAILED" = 0 ] && echo "ok: discovery stays on its subnet, the scan of both subnets finds all ($elapsed_ms ms)"
exit $FAILED
