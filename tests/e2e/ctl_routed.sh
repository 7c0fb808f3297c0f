#!/usr/bin/env bash
# qvxctl on a site whose devices sit on two subnets behind a router (routed-net.sh, devices
# on 10.21.0.0/22 and 10.22.0.0/24): a discovery finds none of them, a scan of both subnets
# finds every one, and bad ranges are refused before anything is sent.
#   routed-net.sh --devsim qvx-devsim -- ctl_routed.sh path/to/qvxctl
set -u
CTL="$1"
# shellcheck source=tests/e2e/netns-lib.sh
. "$(dirname "$0")/netns-lib.sh"
scenario_start routed
read -r SUBNET_A SUBNET_B <<<"$QVX_E2E_SUBNETS"

t 0 "the discovery does not cross the router" -- discover --format csv --timeout 1
count "no device discovered" 0 '^00-04-A3-' "$OUT"

start=$(date +%s%N)
t 0 "scan of both subnets" out '^00-04-A3-00-00-01,10\.21\.0\.1,' out ',10\.22\.0\.1,.*,vp0 10\.20\.0\.10$' \
    -- scan "$SUBNET_A" "$SUBNET_B" --format csv --rate 1000
elapsed_ms=$(( ($(date +%s%N) - start) / 1000000 ))
count "every device found" "$QVX_E2E_DEVICES" '^00-04-A3-' "$OUT"
# 1,276 addresses, the silent ones asked twice, at 1000 per second: 2.6 s of pacing.
[ "$elapsed_ms" -lt 5000 ] || fail "the scan took $elapsed_ms ms"

# The site against its sheet, found by the scan alone: firmware needs no extra download.
printf 'mac,ip,firmware\n00-04-A3-00-00-01,10.21.0.1,2.1\n00-04-A3-00-00-04,10.22.0.1,2.1\n' >"$WORK/sheet.csv"
t 1 "check with units not in the sheet" -- check "$WORK/sheet.csv" --scan "$SUBNET_A" --scan "$SUBNET_B" \
    --timeout 1 --format csv
count "the two planned units match" 2 ',matches,' "$OUT"
count "the three other units are named" 3 ',not in sheet,' "$OUT"

t 1 "a scan that finds nothing" -- scan 10.23.0.0/24 --retries 0 --timeout 1
for bad in 10.21.0.0/33 10.21.0.9-10.21.0.1 10.21.0 10.0.0.0/15; do
    t 2 "the range $bad is refused" -- scan "$bad"
done
exit $FAILED
