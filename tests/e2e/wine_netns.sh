#!/usr/bin/env bash
# Runs a scenario of qvxctl.exe under Wine inside the program namespace of netns.sh:
#   netns.sh ... -- wine_netns.sh path/to/qvxctl.exe COMMAND [ARGS...]
# COMMAND gets, as its last argument, a qvxctl that starts qvxctl.exe under Wine. Wine's
# sockets are made by its wineserver, so the run has a Wine prefix of its own (a copy of the
# prepared WINEPREFIX) whose wineserver is started here, inside the namespace, and stopped at the end:
# no wineserver of the host serves it. WINEPATH names the DLLs' folders (scripts/windows).
set -u
CTL_EXE="$1"
shift
if [ "${QVX_E2E_NETNS:-}" != 1 ]; then
    echo "SKIP: runs only inside the namespaces of netns.sh"
    exit 77
fi
: "${WINEPREFIX:?wine_netns.sh: WINEPREFIX (the prepared prefix) is not set}"
# Beside the prepared prefix: hard links need the same file system.
WORK="$(mktemp -d "$(dirname "$WINEPREFIX")/netns.XXXXXX")"
cleanup() {
    WINEPREFIX="$WORK/prefix" wineserver -k 2>/dev/null
    rm -rf "$WORK"
}
trap cleanup EXIT
# Hard links to the prepared prefix (700 MB, mostly Wine's own DLLs); the registry files,
# which Wine rewrites, copied.
cp -al "$WINEPREFIX" "$WORK/prefix"
for reg in "$WINEPREFIX"/*.reg; do
    cp --remove-destination "$reg" "$WORK/prefix/"
done
export WINEPREFIX="$WORK/prefix"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEDEBUG="${WINEDEBUG:--all}"
unset DISPLAY
# Kept running between the many short starts of qvxctl.exe.
wineserver -p
cat >"$WORK/qvxctl" <<WRAPPER
#!/bin/sh
exec wine "$CTL_EXE" "\$@"
WRAPPER
chmod +x "$WORK/qvxctl"
"$@" "$WORK/qvxctl"
