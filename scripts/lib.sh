# Shared by the scripts: installs missing Debian packages and configures the build.
# shellcheck shell=bash

QVX_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# qvx_need_packages pkg...: installs those not yet installed (apt-get; sudo when not root).
qvx_need_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing missing packages: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

QVX_BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev libgmock-dev iproute2)

# qvx_configure <build-dir> [cmake args...]
qvx_configure() {
    local dir="$1"
    shift
    local launcher=()
    # A compiler cache, when installed, makes rebuilds in other build folders cheap.
    command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S "$QVX_ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
}
