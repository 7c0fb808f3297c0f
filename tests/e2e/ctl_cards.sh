#!/usr/bin/env bash
# qvxctl on a laptop whose routes do not lead to the devices (netns.sh --topology office or
# isolated, 5 devices): the discovery and every write by MAC address leave through the card
# towards the devices, and each device names that card.
#   netns.sh --devsim qvx-devsim --topology isolated --devices 5 -- ctl_cards.sh path/to/qvxctl
set -u
CTL="$1"
if [ "${QVX_E2E_NETNS:-}" != 1 ] || [ -z "${QVX_E2E_DEVICE_CARD:-}" ]; then
    echo "SKIP: runs only inside the namespaces of netns.sh"
    exit 77
fi
WORK="$(mktemp -d /tmp/qvxctl-cards.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
FAILED=0
FAST=(--timeout 1 --write-delay 200)
fail() { echo "FAIL: $*"; FAILED=1; }

out="$("$CTL" discover --format csv --timeout 1 | tr -d '\r')" || fail "discover exit $?"
rows=$(grep -c '^00-04-A3-' <<<"$out")
on_card=$(grep -c ",$QVX_E2E_DEVICE_CARD [0-9.]*$" <<<"$out")
[ "$rows" -eq 5 ] || fail "discover listed $rows devices, wanted 5"
[ "$on_card" -eq 5 ] || fail "$on_card devices name the card $QVX_E2E_DEVICE_CARD, wanted 5"

"$CTL" set-by-mac 00-04-A3-00-00-02 local_port=6002 "${FAST[@]}" >/dev/null || fail "set-by-mac exit $?"
printf 'mac,remote_port\n00-04-A3-00-00-03,6003\n00-04-A3-00-00-04,6004\n' >"$WORK/sheet.csv"
"$CTL" commission "$WORK/sheet.csv" "${FAST[@]}" >/dev/null || fail "commission exit $?"
"$CTL" factory 00-04-A3-00-00-02 "${FAST[@]}" >/dev/null || fail "factory exit $?"

out="$("$CTL" discover --format csv --timeout 1 --card "$QVX_E2E_DEVICE_CARD" | tr -d '\r')"
grep -q '^00-04-A3-00-00-02,.*,4001,4001,' <<<"$out" || fail "device 2 is not back at its factory ports"
grep -q '^00-04-A3-00-00-04,.*,4001,6004,' <<<"$out" || fail "device 4 does not have its commissioned remote port"

[ "$FAILED" = 0 ] && echo "ok: discovery, set-by-mac, commission and factory through $QVX_E2E_DEVICE_CARD"
exit $FAILED
