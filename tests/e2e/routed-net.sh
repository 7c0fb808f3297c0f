#!/usr/bin/env bash
# The routed network of netns.sh, under the name bench/scan-netns.sh runs:
#   routed-net.sh --devsim PATH [--subnet-a CIDR] [--devices-a N] [--subnet-b CIDR]
#                 [--devices-b N] -- COMMAND [ARGS...]
exec bash "$(dirname "$0")/netns.sh" --topology routed "$@"
