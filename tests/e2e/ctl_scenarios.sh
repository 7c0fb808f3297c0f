#!/usr/bin/env bash
# qvxctl against simulated devices. Run by netns.sh inside the program's namespace, with 51
# devices from 192.168.0.1 (192.168.0.10 is the program's own address), password 123456, the
# last one (192.168.0.52) answering with wrong checksums only:
#   netns.sh --devsim qvx-devsim --devices 51 --sim "..." -- ctl_scenarios.sh path/to/qvxctl
# Device n has the MAC address 00-04-A3-00-00-nn (hex); n = 1..9 at .1-.9, n >= 10 at .n+1.
set -u
CTL="$1"
# shellcheck source=tests/e2e/netns-lib.sh
. "$(dirname "$0")/netns-lib.sh"
scenario_start basic
F=(--timeout 1 --write-delay 200)

CARD="$QVX_E2E_DEVICE_CARD"
t 0 "discover as JSON" out '"ip": "192.168.0.51"' out '"mac": "00-04-A3-00-00-01"' \
    out '"card": "[^"]+ 192.168.0.10"' -- discover --format json --timeout 1
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert len(d)==50 and all(len(o)==29 for o in d)' \
    "$WORK/out" && echo "ok: JSON of 50 objects of 29 keys, the corrupt device not listed" || fail "JSON"
t 0 "discover as CSV on the one card named" out '^mac,ip,mask,gateway,local_port,remote_port,baud,' \
    -- discover --card "$CARD" --format csv --timeout 1
count "50 devices on $CARD" 50 "$CARD 192.168.0.10" "$OUT"

t 0 "get" out '"firmware": "2.1"' out '"protocol": "UDP"' -- get 192.168.0.2 --format json --timeout 1
t 1 "get from an address nobody holds" err '192.168.0.250: no answer' -- get 192.168.0.250 --timeout 0.5
t 1 "get from a device whose replies have wrong checksums" -- get 192.168.0.52 --timeout 0.5

t 2 "set refuses an octet out of range" err 'ip: octet 4 is 300; allowed 0-255' \
    -- set 192.168.0.3 --password 123456 ip=192.168.0.300
t 1 "set with a wrong password" err '192.168.0.3: login refused' -- set 192.168.0.3 --password wrong1 local_port=5000 "${F[@]}"
t 0 "set to a new address, verified" out '192.168.0.3,ip,192.168.0.3,192.168.0.203' \
    -- set 192.168.0.3 --password 123456 ip=192.168.0.203 local_port=5000 parity=EVEN --format csv "${F[@]}"
t 0 "get at the new address" out '"local_port": "5000"' out '"parity": "EVEN"' -- get 192.168.0.203 --format json --timeout 1

t 0 "set-by-mac, verified by discovery" out '00-04-A3-00-00-04,baud,9600,19200' -- set-by-mac 00-04-A3-00-00-04 \
    baud=19200 bridge=Enable bridge_ip_1=192.168.0.99 bridge_port_1=7000 --format csv "${F[@]}"
t 0 "bridge read back by address" out ',Enable,0,7000,' -- bridge 192.168.0.4 --format csv --timeout 1
t 1 "set-by-mac of a MAC nobody has" -- set-by-mac 00-04-A3-00-99-99 baud=19200 "${F[@]}"
t 0 "factory setting" out '"baud": "9600"' out '"bridge": "Disable"' -- factory 00-04-A3-00-00-04 --format json "${F[@]}"

t 2 "source refuses a bad address" err 'Source 1 IP-Address Error' -- source 192.168.0.5 --password 123456 --set 10.0.0.256
t 0 "source filter written" -- source 192.168.0.5 --password 123456 --set 10.0.0.1 --set 10.0.0.2 "${F[@]}"
t 0 "source filter read" out '192.168.0.5,10.0.0.1,10.0.0.2,0.0.0.0,0.0.0.0' -- source 192.168.0.5 --format csv --timeout 1
t 0 "bridge written" -- bridge 192.168.0.5 --password 123456 bridge=Enable bridge_local_port=4100 "${F[@]}"
t 2 "mac code out of range" -- mac 192.168.0.6 --password 123456 --code 65792
t 0 "mac from a code" out '00-04-A3-12-34-56' -- mac 192.168.0.6 --password 123456 --code 1193046 --format csv "${F[@]}"
t 1 "password with a wrong old one" -- password 192.168.0.7 abcdef ghijkl --timeout 1
t 0 "password changed" -- password 192.168.0.7 123456 secret77 --timeout 1
t 0 "the new password writes" -- set 192.168.0.7 --password secret77 remote_port=4500 "${F[@]}"

# Devices 21..39 (192.168.0.22 .. .40) and one MAC that no device has.
SHEET="$WORK/site.csv"
{
    echo "mac,ip,local_port,baud"
    for n in $(seq 21 39); do
        printf '00-04-A3-00-00-%02X,192.168.0.%d,%d,\r\n' "$n" $((100 + n)) $((5000 + n))
    done
    echo "00-04-A3-00-99-99,192.168.0.199,5999,19200"
} >"$SHEET"
t 1 "commission 20 rows, one unreachable" err '00-04-A3-00-99-99: did not answer the discovery' \
    -- commission "$SHEET" --format csv "${F[@]}"
count "19 devices verified" 19 ',ok$' "$OUT"
t 0 "a commissioned device at its planned address" out '"local_port": "5039"' -- get 192.168.0.139 --format json --timeout 1
BAD="$WORK/bad.csv"
printf 'mac,ip\n00-04-A3-00-00-30,192.168.0.80\n00-04-A3-00-00-30,192.168.0.81\n' >"$BAD"
t 2 "a sheet with a repeated MAC is refused" err 'bad.csv:3:1: ' -- commission "$BAD" "${F[@]}"

exit $FAILED
