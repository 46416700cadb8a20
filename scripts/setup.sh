#!/usr/bin/env bash
# Installs what Velmor needs on Debian 12 or 13 (only when something is missing), then builds it.
#   scripts/setup.sh            what building and running the program needs; builds the programs
#   scripts/setup.sh --package  that, and the tools that build and check the Debian package
#   scripts/setup.sh --tests    all of that, and the test tools; builds the programs and the tests
# --build DIR builds into DIR instead of build/; --no-build only installs.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=run
build=build
do_build=yes
while [ $# -gt 0 ]; do
    case "$1" in
        --tests) mode=tests ;;
        --package) mode=package do_build=no ;;
        --no-build) do_build=no ;;
        --build) build=${2:?--build needs a folder}; shift ;;
        *) echo "usage: scripts/setup.sh [--tests | --package] [--build DIR] [--no-build]" >&2; exit 2 ;;
    esac
    shift
done

# The names carry no compiler or library version: each release brings its own (the same names
# serve Debian 12 and 13).
# Building and running the program.
run_packages=(
    g++ cmake make pkg-config
    nettle-dev libcurl4-openssl-dev libsqlite3-dev
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
    qt6-translations-l10n
    libxcb1-dev libx11-dev libxcb-keysyms1-dev libxcb-xfixes0-dev libasound2-dev
    libxkbcommon-dev
    librsvg2-bin ppp
    qt6-wayland
    libdbus-1-dev
)
# Building the Debian package and checking it (scripts/package.sh).
package_packages=(
    dpkg-dev lintian
)
# The tests, the benchmarks, the fuzz targets and the checks of the sources.
test_packages=(
    git locales clang-format clang libclang-rt-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth imagemagick openbox x11-utils xdotool trayer
    user-mode-linux kmod iproute2 iputils-ping util-linux mount passwd procps
    desktop-file-utils appstream man-db bash-completion
    dbus-daemon python3-dbusmock libglib2.0-bin
    weston sway grim
    iaxmodem
    mmdebstrap
)

packages=("${run_packages[@]}")
case "$mode" in
    package) packages+=("${package_packages[@]}") ;;
    tests) packages+=("${package_packages[@]}" "${test_packages[@]}") ;;
esac

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/dev/null
fi

# The tests pin a Russian locale (comma as decimal separator, Russian dates).
if [ "$mode" = tests ] && ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    echo "setup: generating the ru_RU.UTF-8 locale"
    as_root sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
fi

[ "$do_build" = yes ] || exit 0
tests=OFF
[ "$mode" = tests ] && tests=ON
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMOR_BUILD_TESTS=$tests >/dev/null
cmake --build "$build" -j"$(nproc)"
