# Shared by ./run, ./test and bench/run: install what is missing, then build.
set -euo pipefail

QV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QV_BUILD="${QV_BUILD:-$QV_ROOT/build}"
# Paths below the checkout are hashed relative to it, so clones in other folders
# share compiled objects.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$QV_ROOT}"
QV_PACKAGES=(build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools libgl-dev
             libgtest-dev googletest ccache xvfb libcurl4-openssl-dev pkg-config)

qv_install() {
    local missing=()
    for p in "${QV_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
}

QV_CMAKE_ARGS=()

qv_build() {
    if [ ! -f "$QV_BUILD/build.ninja" ]; then
        cmake -S "$QV_ROOT" -B "$QV_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo ${QV_CMAKE_ARGS[@]+"${QV_CMAKE_ARGS[@]}"}
    fi
    cmake --build "$QV_BUILD" -j "$(nproc)"
}
