# Shared by ./run, ./test and bench/run: install what is missing, then build.
set -euo pipefail

QV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
QV_BUILD="${QV_BUILD:-$QV_ROOT/build}"
# Paths below the checkout are hashed relative to it, so clones in other folders
# share compiled objects.
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$QV_ROOT}"
# The tests and both libraries build with precompiled headers, which ccache
# caches only when it may ignore the header's time stamps and the defines it holds.
export CCACHE_SLOPPINESS="${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}"
QV_PACKAGES=(build-essential cmake ninja-build qt6-base-dev qt6-base-dev-tools libgl-dev
             libgtest-dev googletest ccache xvfb parallel man-db
             libcurl4-openssl-dev pkg-config nghttp2-server
             libpsl-dev publicsuffix libc-ares-dev)
# What tools/package and tools/ci-package need beyond that: the icon's PNG
# sizes, dependencies of the packages, and the checkers of packages, desktop
# entries and AppStream data.
QV_PACKAGING_PACKAGES=(librsvg2-bin dpkg-dev file lintian desktop-file-utils appstream)

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

# Runs a command and says how long it took: wall time, and the processor time of
# everything it started (the figure that does not depend on what else the
# machine is doing). With QV_STEP_LOG set, the line is also added to that file.
qv_step() {
    local name=$1 rc=0 start=$EPOCHREALTIME before after line
    shift
    qv_cpu_seconds
    before=$QV_CPU
    "$@" || rc=$?
    qv_cpu_seconds
    after=$QV_CPU
    line=$(awk -v n="$name:" -v w="$(awk -v s="$start" -v e="$EPOCHREALTIME" 'BEGIN { print e - s }')" \
        -v b="$before" -v a="$after" 'BEGIN {
            split(b, x); split(a, y)
            printf "%-18s %6.1f s wall %7.1f s CPU (%.1f user, %.1f sys)", n, w, y[1] - x[1] + y[2] - x[2],
                   y[1] - x[1], y[2] - x[2] }')
    echo "$line"
    if [ -n "${QV_STEP_LOG:-}" ]; then echo "$line" >> "$QV_STEP_LOG"; fi
    return $rc
}

# Sets QV_CPU to "<user> <sys>", the seconds this shell's finished children used
# so far. `times` must run in this shell: a subshell counts its own children only.
qv_cpu_seconds() {
    local file
    file=$(mktemp)
    times > "$file"
    QV_CPU=$(awk 'NR == 2 { for (i = 1; i <= 2; ++i) { split($i, t, /[ms]/); printf "%s ", t[1] * 60 + t[2] } }' "$file")
    rm -f "$file"
}

# The build type, extra configure options of the caller (the sanitized build's),
# and -Werror when QV_WERROR=1 (CI sets it).
QV_BUILD_TYPE=RelWithDebInfo
QV_CMAKE_ARGS=()

# QV_SANITIZE=1: everything built with AddressSanitizer and UndefinedBehaviorSanitizer
# in a build folder of its own (tools/test-sanitized, and CI's ./test). Light
# optimisation and line tables only: the sanitizers see the same faults at a
# third less compile time. A sanitizer report ends the process that made it, so
# the test fails. Leak reports are left out: Qt's plugins and font caches keep
# memory until exit on purpose.
if [ "${QV_SANITIZE:-0}" = 1 ]; then
    QV_BUILD="${QV_SANITIZE_BUILD:-$QV_ROOT/build-sanitize}"
    QV_BUILD_TYPE=Debug
    QV_CMAKE_ARGS=(-DQUORVANE_SANITIZE=ON -DQUORVANE_BENCH=OFF "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1")
    export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
# QV_UNITY=1 (CI): a unity build, several files compiled as one, which parses the
# Qt headers once per batch instead of once per file: about half the compile time
# of a clean build, at the cost of rebuilding a whole batch when one file changes.
if [ "${QV_UNITY:-0}" = 1 ]; then
    QV_CMAKE_ARGS+=(-DCMAKE_UNITY_BUILD=ON)
fi
# QV_TESTS=0: the programs, the packaging files and the benchmarks without the tests.
if [ "${QV_TESTS:-1}" = 0 ]; then
    QV_CMAKE_ARGS+=(-DQUORVANE_TESTS=OFF)
fi

qv_configure() {
    local -a args=("-DCMAKE_BUILD_TYPE=$QV_BUILD_TYPE" ${QV_CMAKE_ARGS[@]+"${QV_CMAKE_ARGS[@]}"}
                   "-DQUORVANE_WERROR=$([ "${QV_WERROR:-0}" = 1 ] && echo ON || echo OFF)")
    if [ -f "$QV_BUILD/build.ninja" ]; then
        # An existing build folder is reconfigured only when an option differs from
        # what it was configured with (CI's -Werror on a developer's folder, say).
        local a key value stale=""
        for a in "${args[@]}"; do
            key=${a#-D}; value=${key#*=}; key=${key%%=*}
            grep -qxF -- "$value" <(sed -n "s/^$key:[A-Z]*=//p" "$QV_BUILD/CMakeCache.txt") || stale=1
        done
        [ -z "$stale" ] && return 0
        qv_step configure cmake "$QV_BUILD" "${args[@]}"
    else
        qv_step configure cmake -S "$QV_ROOT" -B "$QV_BUILD" -G Ninja "${args[@]}"
    fi
}

qv_build() {
    qv_configure
    qv_step build cmake --build "$QV_BUILD" -j "$(nproc)"
}
