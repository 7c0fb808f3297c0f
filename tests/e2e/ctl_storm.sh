#!/usr/bin/env bash
# A storm: every device of a large simulated network (netns.sh --devices N) answers one
# discovery at once, and qvxctl lists each of them, none lost.
#   netns.sh --devsim qvx-devsim --devices 5000 -- ctl_storm.sh 5000 path/to/qvxctl
set -u
WANTED="$1"
CTL="$2"
if [ "${QVX_E2E_NETNS:-}" != 1 ]; then
    echo "SKIP: runs only inside the namespaces of netns.sh"
    exit 77
fi
start=$(date +%s%N)
out="$("$CTL" discover --format csv --timeout 3 | tr -d '\r')" || { echo "FAIL: discover exit $?"; exit 1; }
ms=$(( ($(date +%s%N) - start) / 1000000 ))
rows=$(grep -c '^00-04-A3-' <<<"$out")
distinct=$(grep '^00-04-A3-' <<<"$out" | cut -d, -f1 | sort -u | wc -l)
if [ "$rows" != "$WANTED" ] || [ "$distinct" != "$WANTED" ]; then
    echo "FAIL: the discovery listed $rows devices ($distinct distinct), wanted $WANTED"
    exit 1
fi
echo "ok: $WANTED devices answered one discovery at once, all $rows listed (${ms} ms with qvxctl's start)"
