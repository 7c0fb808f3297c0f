#!/usr/bin/env bash
# Search by address range on a routed test network (tests/e2e/routed-net.sh: the devices on
# two subnets behind a router): how long `qvxctl scan` takes against its pacing time (every
# request, retries included, divided by the rate), whether it finds every device, and its
# peak memory against a scan of one address. Needs root (namespaces); prints FIG lines as
# qvx-bench does.
#
# Usage: bench/scan-netns.sh QVXCTL DEVSIM
set -u
ctl="$1"
devsim="$2"
here="$(cd "$(dirname "$0")" && pwd)"
net="$here/../tests/e2e/routed-net.sh"

if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null; then
    echo "scan-netns: needs root and iproute2; skipped" >&2
    exit 77
fi

# One case: the subnet, its devices, its number of addresses, the rate and a label.
run_case() {
    local subnet="$1" devices="$2" addresses="$3" rate="$4" label="$5"
    "$net" --devsim "$devsim" --subnet-a "$subnet" --devices-a "$devices" --devices-b 0 -- bash -c '
        ctl="$1"; rate="$2"; label="$3"; addresses="$4"
        out="$(mktemp)"; mem="$(mktemp)"
        /usr/bin/time -f %M -o "$mem.idle" "$ctl" scan 10.20.0.10 --retries 0 >/dev/null 2>&1
        start=$(date +%s%N)
        /usr/bin/time -f %M -o "$mem" "$ctl" scan $QVX_E2E_SUBNETS --rate "$rate" --format csv >"$out" 2>/dev/null
        ms=$(( ($(date +%s%N) - start) / 1000000 ))
        found=$(grep -c "^00-04-A3-" "$out")
        asked=$(( 2 * addresses - found ))
        pacing=$(( asked * 1000 / rate ))
        extra_kib=$(( $(tail -n1 "$mem") - $(tail -n1 "$mem.idle") ))
        printf "FIG\tscan %s at %s/s: duration over pacing time (%s requests, %s ms)\t%s ms\t<= 1500 ms\t%s\t%s devices found of %s, routed namespaces, 2 cores\n" \
            "$label" "$rate" "$asked" "$pacing" "$(( ms - pacing ))" "$([ $(( ms - pacing )) -le 1500 ] && echo yes || echo NO)" "$found" "$QVX_E2E_DEVICES"
        printf "FIG\tscan %s: devices found\t%s\t%s\t%s\trouted namespaces\n" "$label" "$found" "$QVX_E2E_DEVICES" "$([ "$found" -eq "$QVX_E2E_DEVICES" ] && echo yes || echo NO)"
        printf "FIG\tscan %s: peak memory above a one-address scan\t%s KiB\t<= 10240 KiB\t%s\tmaximum resident set, /usr/bin/time\n" "$label" "$extra_kib" "$([ "$extra_kib" -le 10240 ] && echo yes || echo NO)"
        rm -f "$out" "$mem" "$mem.idle"
    ' _ "$ctl" "$rate" "$label" "$addresses" | grep '^FIG'
}

run_case 10.21.0.0/22 50 1022 500 "a /22 holding 50 devices"
run_case 10.21.0.0/16 200 65534 2000 "a /16 holding 200 devices"
