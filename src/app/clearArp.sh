#!/bin/sh
# Started by QvxFinder after a device took a new MAC address: flush the host's neighbour
# (ARP) cache so that the new address is learned afresh. Needs privileges; without them
# it fails quietly.
if command -v ip >/dev/null 2>&1; then
    ip -4 neigh flush all >/dev/null 2>&1 || true
elif command -v arp >/dev/null 2>&1; then
    arp -an 2>/dev/null | sed -n 's/.*(\([0-9.]*\)).*/\1/p' | while read -r host; do
        arp -d "$host" >/dev/null 2>&1 || true
    done
fi
exit 0
