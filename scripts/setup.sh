#!/usr/bin/env bash
# Installs what Velmor needs on Debian 12 (only when something is missing), then builds it into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    g++ cmake make pkg-config git
    libgtest-dev libgmock-dev libbenchmark-dev
    nettle-dev libcurl4-openssl-dev libsqlite3-dev
    qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev
    libxcb1-dev libx11-dev libxcb-keysyms1-dev libxcb-xfixes0-dev libasound2-dev
    locales clang-format clang libclang-rt-14-dev
    xvfb xauth imagemagick openbox x11-utils xdotool trayer
    ppp user-mode-linux kmod iproute2 iputils-ping util-linux
    librsvg2-bin dpkg-dev lintian desktop-file-utils appstream man-db bash-completion
)

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
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    echo "setup: generating the ru_RU.UTF-8 locale"
    as_root sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
fi

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
