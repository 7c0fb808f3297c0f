# shellcheck shell=bash
# Shared by the end-to-end shell code (sourced): the checks of the qvxctl scenarios (ctl_*.sh),
# which run inside the program's namespace, and the namespace plumbing of netns.sh and
# routed-net.sh (ns_*), under which everything made lives in namespaces created by the run
# and goes on exit, also on failure or interruption. Exit status 77 (skip) where the run
# cannot happen here.
SKIP=77
FAILED=0

# ---- Scenarios ---------------------------------------------------------------------------

# scenario_start TOPOLOGIES: skips unless inside the namespaces of a harness on one of the
# topologies (an extended regular expression), and makes a work folder $WORK.
scenario_start() {
    if [ "${QVX_E2E_NETNS:-}" != 1 ] || ! [[ "${QVX_E2E_TOPOLOGY:-}" =~ ^($1)$ ]]; then
        echo "SKIP: runs only inside the namespaces of netns.sh or routed-net.sh ($1)"
        exit $SKIP
    fi
    WORK="$(mktemp -d /tmp/qvx-e2e.XXXXXX)"
    # shellcheck disable=SC2064 # the folder is known now
    trap "rm -rf '$WORK'" EXIT
}

# shellcheck disable=SC2034 # FAILED is the exit status of the scenarios
fail() { echo "FAIL: $*"; FAILED=1; }

# t CODE NAME [out|err PATTERN]... -- QVXCTL-ARGS: runs $CTL, wants exit CODE and each
# extended regular expression in its stdout or stderr; keeps them in $OUT and $ERR.
t() {
    local want="$1" name="$2" checks=()
    shift 2
    while [ "$1" != -- ]; do checks+=("$1" "$2"); shift 2; done
    shift
    "$CTL" "$@" >"$WORK/out" 2>"$WORK/err"
    local got=$? i text
    OUT="$(tr -d "\r" <"$WORK/out")" ERR="$(cat "$WORK/err")"
    [ "$got" -eq "$want" ] || { fail "$name: exit $got, wanted $want"; echo "$OUT$ERR" | head -20; return; }
    for ((i = 0; i < ${#checks[@]}; i += 2)); do
        [ "${checks[i]}" = out ] && text="$OUT" || text="$ERR"
        grep -qE -- "${checks[i + 1]}" <<<"$text" || { fail "$name: no match for ${checks[i + 1]}"; echo "$text" | head -20; }
    done
    echo "ok: $name"
}

count() { # NAME WANTED PATTERN TEXT: wants WANTED lines of TEXT to match PATTERN
    local n
    n=$(grep -cE -- "$3" <<<"$4")
    [ "$n" -eq "$2" ] && echo "ok: $1" || fail "$1: $n, wanted $2"
}

# ---- Addresses ---------------------------------------------------------------------------

to_number() { local IFS=.; set -- $1; echo $(( ($1 << 24) | ($2 << 16) | ($3 << 8) | $4 )); }
to_dotted() { echo "$(( $1 >> 24 & 255 )).$(( $1 >> 16 & 255 )).$(( $1 >> 8 & 255 )).$(( $1 & 255 ))"; }

hosts_of() { # CIDR N: the first N host addresses of the subnet, skipping host parts 0 and 255 as qvx-devsim does
    local bits="${1#*/}" a n=0
    local size=$(( 1 << (32 - bits) ))
    local net=$(( $(to_number "${1%/*}") & ~(size - 1) & 0xFFFFFFFF ))
    for (( a = net + 1; a < net + size - 1 && n < $2; a++ )); do
        (( (a & 255) == 0 || (a & 255) == 255 )) && continue
        to_dotted "$a"
        n=$(( n + 1 ))
    done
}

# ---- Namespaces --------------------------------------------------------------------------

# ns_init: skips without root and iproute2; namespaces and processes made from here on go
# at exit, with the work folder $WORK.
ns_init() {
    CREATED=()
    PIDS=()
    if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null 2>&1; then
        echo "SKIP: network namespaces need root and iproute2"
        exit $SKIP
    fi
    WORK="$(mktemp -d /tmp/qvx-netns.XXXXXX)"
    trap ns_teardown EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    trap 'exit 129' HUP
}

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

ns_link() { # NS1 IF1 ADDRESS1 NS2 IF2 [ADDRESS2]: a veth pair between two namespaces, up
    ip -n "$1" link add "$2" type veth peer name "$5" netns "$4"
    ip -n "$1" addr add "$3" dev "$2"
    [ -z "${6:-}" ] || ip -n "$4" addr add "$6" dev "$5"
    ip -n "$1" link set "$2" up
    ip -n "$4" link set "$5" up
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
