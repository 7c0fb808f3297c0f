# shellcheck shell=bash
# Namespace plumbing shared by netns.sh and routed-net.sh (sourced). Everything made here
# lives in namespaces created by the run and goes on exit, also on failure or interruption.
# Exit status 77 (skip) when this machine cannot create network namespaces.
SKIP=77
CREATED=()
PIDS=()
WORK="$(mktemp -d /tmp/qvx-netns.XXXXXX)"

# shellcheck disable=SC2317 # called through the trap
ns_teardown() {
    local status=$? pid ns
    trap - EXIT INT TERM HUP
    for pid in "${PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null; done
    sleep 0.2
    for ns in "${CREATED[@]}"; do
        for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null; done
        ip netns del "$ns" 2>/dev/null
    done
    rm -rf "$WORK"
    exit "$status"
}
trap ns_teardown EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null 2>&1; then
    echo "SKIP: network namespaces need root and iproute2"
    exit $SKIP
fi

ns_add() { # NAME...: creates the namespaces with loopback up and no reverse-path filter
    local ns
    for ns in "$@"; do
        if ! ip netns add "$ns" 2>"$WORK/err"; then
            echo "SKIP: cannot create a network namespace: $(cat "$WORK/err")"
            exit $SKIP
        fi
        CREATED+=("$ns")
        ip -n "$ns" link set lo up
        ip netns exec "$ns" sysctl -qw net.ipv4.conf.all.rp_filter=0 net.ipv4.conf.default.rp_filter=0
    done
}

ns_devsim() { # NAMESPACE READY-FILE QVX-DEVSIM-ARGS...: starts qvx-devsim there, in the background
    local ns="$1" ready="$2"
    shift 2
    ip netns exec "$ns" "$DEVSIM" --ready-file "$ready" "$@" &
    PIDS+=($!)
}

ns_wait_ready() { # READY-FILE...: waits up to 10 s for each simulator to listen
    local ready
    for ready in "$@"; do
        for _ in $(seq 1 100); do [ -s "$ready" ] && break; sleep 0.1; done
        if [ ! -s "$ready" ]; then
            echo "qvx-devsim is not listening after 10 s ($ready)" >&2
            exit 1
        fi
    done
}

ns_run() { # NAMESPACE COMMAND...: in the background, so that a signal is handled at once
    local ns="$1"
    shift
    ip netns exec "$ns" "$@" &
    wait $!
}
