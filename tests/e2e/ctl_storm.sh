#!/usr/bin/env bash
# A storm: every device of a large simulated network (netns.sh --devices N) answers one
# discovery at once, and qvxctl lists each of them, none lost.
#   netns.sh --devsim qvx-devsim --devices 5000 -- ctl_storm.sh 5000 path/to/qvxctl
set -u
WANTED="$1"
CTL="$2"
# shellcheck source=tests/e2e/netns-lib.sh
. "$(dirname "$0")/netns-lib.sh"
scenario_start basic
t 0 "discover" -- discover --format csv --timeout 3
count "$WANTED devices listed" "$WANTED" '^00-04-A3-' "$OUT"
count "$WANTED distinct devices" "$WANTED" . "$(grep '^00-04-A3-' <<<"$OUT" | cut -d, -f1 | sort -u)"
exit $FAILED
