#!/usr/bin/env bash
# qvxctl on a laptop whose routes do not lead to the devices (netns.sh --topology office or
# isolated, 5 devices): the discovery and every write by MAC address leave through the card
# towards the devices, and each device names that card.
#   netns.sh --devsim qvx-devsim --topology isolated --devices 5 -- ctl_cards.sh path/to/qvxctl
set -u
CTL="$1"
# shellcheck source=tests/e2e/netns-lib.sh
. "$(dirname "$0")/netns-lib.sh"
scenario_start 'office|isolated'
FAST=(--timeout 1 --write-delay 200)
CARD="$QVX_E2E_DEVICE_CARD"

t 0 "discover" -- discover --format csv --timeout 1
count "5 devices listed" 5 '^00-04-A3-' "$OUT"
count "5 devices on $CARD" 5 ",$CARD [0-9.]*$" "$OUT"
t 0 "set-by-mac" -- set-by-mac 00-04-A3-00-00-02 local_port=6002 "${FAST[@]}"
printf 'mac,remote_port\n00-04-A3-00-00-03,6003\n00-04-A3-00-00-04,6004\n' >"$WORK/sheet.csv"
t 0 "commission" -- commission "$WORK/sheet.csv" "${FAST[@]}"
t 0 "factory" -- factory 00-04-A3-00-00-02 "${FAST[@]}"
t 0 "device 2 back at its factory ports, device 4 with its commissioned remote port" \
    out '^00-04-A3-00-00-02,.*,4001,4001,' out '^00-04-A3-00-00-04,.*,4001,6004,' \
    -- discover --format csv --timeout 1 --card "$CARD"
exit $FAILED
