#!/usr/bin/env bash
# qvxctl against simulated devices. Run by netns.sh inside the program's namespace, with 50
# devices from 192.168.0.1 (192.168.0.10 is the program's own address), password 123456:
#   netns.sh --devsim qvx-devsim --devices 50 -- ctl_scenarios.sh path/to/qvxctl
# Device n has the MAC address 00-04-A3-00-00-nn (hex); n = 1..9 at .1-.9, n >= 10 at .n+1.
set -u
CTL="$1"
if [ "${QVX_E2E_NETNS:-}" != 1 ]; then
    echo "SKIP: runs only inside the namespaces of netns.sh"
    exit 77
fi
WORK="$(mktemp -d /tmp/qvxctl-e2e.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
FAILED=0
FAST=(--timeout 1 --write-delay 200)

fail() { echo "FAIL: $*"; FAILED=1; }
pass() { echo "ok: $*"; }

# expect CODE NAME -- qvxctl args: runs qvxctl, keeps stdout/stderr in $OUT/$ERR.
expect() {
    local want="$1" name="$2"
    shift 3
    "$CTL" "$@" >"$WORK/out" 2>"$WORK/err"
    local got=$?
    OUT="$(tr -d "\r" <"$WORK/out")"
    ERR="$(cat "$WORK/err")"
    if [ "$got" -ne "$want" ]; then
        fail "$name: exit code $got, wanted $want"
        echo "  stdout: $OUT" | head -20
        echo "  stderr: $ERR" | head -20
        return 1
    fi
    pass "$name (exit $got)"
}

contains() { # contains NAME TEXT PATTERN
    if grep -qE -- "$3" <<<"$2"; then pass "$1"; else fail "$1: no match for $3"; echo "$2" | head -20; fi
}

# ---- discover ---------------------------------------------------------------------------
start=$(date +%s%N)
expect 0 "discover 50 devices as JSON" -- discover --format json --timeout 1
end=$(date +%s%N)
echo "  discover took $(( (end - start) / 1000000 )) ms"
cp "$WORK/out" "$WORK/discover.json"
count=$(grep -c '"mac":' <<<"$OUT")
[ "$count" -eq 50 ] && pass "50 objects listed" || fail "discover listed $count objects, wanted 50"
contains "device 50 listed with its address" "$OUT" '"ip": "192.168.0.51"'
contains "device 1 listed with its MAC" "$OUT" '"mac": "00-04-A3-00-00-01"'
contains "each device names the card it answered on" "$OUT" '"card": "[^"]+ 192.168.0.10"'
CARD="$(ip -o -4 addr show | awk '/192.168.0.10\//{print $2}')"
expect 0 "discover on the one card named" -- discover --card "$CARD" --format csv --timeout 1
[ "$(grep -c "$CARD 192.168.0.10" <<<"$OUT")" -eq 50 ] && pass "50 devices on $CARD" || fail "not 50 devices on $CARD"
expect 2 "discover on a card this computer does not have" -- discover --card nosuch0 --timeout 1
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert len(d)==50 and all(len(o)==29 for o in d)' \
    "$WORK/discover.json" && pass "JSON parses: 50 objects of 29 keys" || fail "JSON does not parse as 50 objects"

expect 0 "discover as CSV" -- discover --format csv --timeout 1
lines=$(grep -c . <<<"$OUT")
[ "$lines" -eq 51 ] && pass "CSV header and 50 rows" || fail "CSV has $lines lines, wanted 51"
contains "CSV header of field keys" "$(head -1 <<<"$OUT")" '^mac,ip,mask,gateway,local_port,remote_port,baud,'

# ---- get --------------------------------------------------------------------------------
expect 0 "get 192.168.0.2" -- get 192.168.0.2 --format json --timeout 1
contains "get shows the firmware" "$OUT" '"firmware": "2.1"'
contains "get shows the mode" "$OUT" '"protocol": "UDP"'
expect 1 "get from an address nobody holds" -- get 192.168.0.250 --timeout 0.5
contains "the silent address is named" "$ERR" '192.168.0.250: no answer'

# ---- set --------------------------------------------------------------------------------
expect 2 "set refuses an octet out of range before sending" -- set 192.168.0.3 --password 123456 ip=192.168.0.300
contains "naming the field key and the octet" "$ERR" 'ip: octet 4 is 300; allowed 0-255'
expect 2 "set refuses a key it cannot set" -- set 192.168.0.3 --password 123456 bridge=Enable
expect 1 "set with a wrong password" -- set 192.168.0.3 --password wrong1 local_port=5000 "${FAST[@]}"
contains "login refused is named" "$ERR" '192.168.0.3: login refused'
expect 0 "set to a new address, verified" -- set 192.168.0.3 --password 123456 ip=192.168.0.203 local_port=5000 \
    parity=EVEN --format csv "${FAST[@]}"
contains "changes printed" "$OUT" '192.168.0.3,ip,192.168.0.3,192.168.0.203'
expect 0 "get at the new address" -- get 192.168.0.203 --format json --timeout 1
contains "new port kept" "$OUT" '"local_port": "5000"'
contains "new parity kept" "$OUT" '"parity": "EVEN"'

# ---- set-by-mac -------------------------------------------------------------------------
expect 0 "set-by-mac, verified by discovery" -- set-by-mac 00-04-A3-00-00-04 baud=19200 bridge=Enable \
    bridge_ip_1=192.168.0.99 bridge_port_1=7000 --format csv "${FAST[@]}"
contains "baud change printed" "$OUT" '00-04-A3-00-00-04,baud,9600,19200'
expect 0 "bridge read back by address" -- bridge 192.168.0.4 --format csv --timeout 1
contains "bridge destination 1 written" "$OUT" ',Enable,0,7000,'
expect 2 "set-by-mac refuses a key of the settings download" -- set-by-mac 00-04-A3-00-00-04 dhcp=Enable
expect 1 "set-by-mac of a MAC nobody has" -- set-by-mac 00-04-A3-00-99-99 baud=19200 "${FAST[@]}"

# ---- factory ----------------------------------------------------------------------------
expect 0 "factory setting" -- factory 00-04-A3-00-00-04 --format json "${FAST[@]}"
contains "back to 9600" "$OUT" '"baud": "9600"'
contains "bridge off again" "$OUT" '"bridge": "Disable"'

# ---- source, bridge, mac, password ------------------------------------------------------
expect 2 "source refuses a bad address" -- source 192.168.0.5 --password 123456 --set 10.0.0.256
contains "with the dialog's message" "$ERR" 'Source 1 IP-Address Error'
expect 0 "source filter written" -- source 192.168.0.5 --password 123456 --set 10.0.0.1 --set 10.0.0.2 "${FAST[@]}"
expect 0 "source filter read" -- source 192.168.0.5 --format csv --timeout 1
contains "two sources" "$OUT" '192.168.0.5,10.0.0.1,10.0.0.2,0.0.0.0,0.0.0.0'
expect 0 "bridge written" -- bridge 192.168.0.5 --password 123456 bridge=Enable bridge_local_port=4100 "${FAST[@]}"
expect 2 "mac code out of range" -- mac 192.168.0.6 --password 123456 --code 65792
expect 0 "mac from a code" -- mac 192.168.0.6 --password 123456 --code 1193046 --format csv "${FAST[@]}"
contains "new MAC printed" "$OUT" '00-04-A3-12-34-56'
expect 1 "password with a wrong old one" -- password 192.168.0.7 abcdef ghijkl --timeout 1
expect 0 "password changed" -- password 192.168.0.7 123456 secret77 --timeout 1
expect 0 "the new password writes" -- set 192.168.0.7 --password secret77 remote_port=4500 "${FAST[@]}"

# ---- commission -------------------------------------------------------------------------
# Devices 21..39 (192.168.0.22 .. .40) and one MAC that no device has.
SHEET="$WORK/site.csv"
{
    echo "mac,ip,local_port,baud"
    for n in $(seq 21 39); do
        printf '00-04-A3-00-00-%02X,192.168.0.%d,%d,\r\n' "$n" $((100 + n)) $((5000 + n))
    done
    echo "00-04-A3-00-99-99,192.168.0.199,5999,19200"
} >"$SHEET"
start=$(date +%s%N)
expect 1 "commission 20 rows, one unreachable" -- commission "$SHEET" --format csv "${FAST[@]}"
end=$(date +%s%N)
echo "  commission took $(( (end - start) / 1000000 )) ms"
oks=$(grep -c ',ok$' <<<"$OUT")
[ "$oks" -eq 19 ] && pass "19 devices verified" || fail "$oks devices verified, wanted 19"
contains "the unreachable one is named" "$ERR" '00-04-A3-00-99-99: did not answer the discovery'
expect 0 "a commissioned device at its planned address" -- get 192.168.0.139 --format json --timeout 1
contains "planned port" "$OUT" '"local_port": "5039"'

BAD="$WORK/bad.csv"
printf 'mac,ip\n00-04-A3-00-00-30,192.168.0.80\n00-04-A3-00-00-30,192.168.0.81\n' >"$BAD"
expect 2 "a sheet with a repeated MAC is refused" -- commission "$BAD" "${FAST[@]}"
contains "file, line and column named" "$ERR" 'bad.csv:3:1: '
printf 'mac,ip\n00-04-A3-00-00-30,192.168.0.300\n' >"$BAD"
expect 2 "a sheet with an address out of range is refused" -- commission "$BAD"
contains "naming the field key and the octet" "$ERR" 'bad.csv:2:2: ip: octet 4 is 300'

exit $FAILED
