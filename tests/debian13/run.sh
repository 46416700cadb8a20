#!/usr/bin/env bash
# Velmor on Debian 13 (trixie): makes a Debian 13 root with mmdebstrap from Debian's packages and
# keeps it in a cache folder outside the checkout for the next run; inside it, this tree's own
# scripts/setup.sh --tests installs the packages and builds everything with Debian 13's compiler
# and Qt, then the unit and UI tests run and scripts/package.sh builds the Debian package, which is
# installed and removed again. The source tree is bound read-only; the build and its compiler
# cache stay in the cache folder.
# Usage: tests/debian13/run.sh. Exits 0 when every step passed, 1 when one failed, 77 (with the
# reason) when this machine cannot run it. VELMOR_DEBIAN13_CACHE names the cache folder
# (/var/cache/velmor/trixie). A root not updated for a day is brought up to date; one made more
# than 30 days ago is made anew.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
cache=${VELMOR_DEBIAN13_CACHE:-/var/cache/velmor/trixie}
root=$cache/root
mirror=deb.debian.org

skip() {
    echo "debian13: skipped: $*"
    exit 77
}
fail() {
    echo "debian13: FAILED: $*"
    exit 1
}

[ "$(id -u)" -eq 0 ] || skip "making a root and entering it need root"
for tool in mmdebstrap unshare chroot flock findmnt; do
    command -v "$tool" >/dev/null || skip "no $tool (scripts/setup.sh --tests installs mmdebstrap)"
done
unshare --mount --pid --fork true 2>/dev/null || skip "no new mount and process namespaces here"
mkdir -p "$cache" || skip "cannot make $cache"

# One run at a time uses the cache.
exec 9>"$cache/lock"
flock -w 3600 9 || fail "another run has held $cache/lock for an hour"

started=$(date +%s)
age_days() {  # days since FILE was touched; a large number when it is not there
    [ -e "$1" ] || { echo 99999; return; }
    echo $((($(date +%s) - $(stat -c %Y "$1")) / 86400))
}
# enter CMD...: runs CMD in the root (enter.sh). A signal to this script is passed to the first
# process of the root's namespaces (unshare itself holds INT and TERM back), which ends them all.
enter() {
    "$here/enter.sh" "$root" "$source_dir" "$cache" "$@" &
    local unshare=$!
    trap 'kill -TERM $(ps -o pid= --ppid "$unshare") 2>/dev/null; wait "$unshare"; exit 130' INT TERM HUP
    wait "$unshare"
    local status=$?
    trap - INT TERM HUP
    return $status
}
reachable() {
    timeout 15 bash -c "exec 3<>/dev/tcp/$mirror/80" 2>/dev/null
}
# This script mounts only in namespaces of its own; a mount under the cache made some other way
# would make removing a root dangerous.
if findmnt -rn -o TARGET | grep -q "^$cache/"; then
    fail "something is mounted under $cache; it is left alone"
fi

made_anew=no
if [ ! -e "$cache/made" ] || [ ! -d "$root" ]; then
    reachable || skip "$mirror cannot be reached and no Debian 13 root is cached in $cache"
    made_anew=yes
elif [ "$(age_days "$cache/made")" -ge 30 ]; then
    if reachable; then
        made_anew=yes
    else
        echo "debian13: $mirror cannot be reached; the root made $(age_days "$cache/made") days ago is used"
    fi
fi

if [ "$made_anew" = yes ]; then
    free_kib=$(df --output=avail -k "$cache" | tail -n 1)
    [ "$free_kib" -ge $((10 * 1024 * 1024)) ] || skip "less than 10 GiB free in $cache"
    echo "debian13: making the Debian 13 root in $root"
    rm -f "$cache/made"
    rm -rf "$root" "$root.new"
    # In a mount namespace of its own, so that what it mounts in the root while installing
    # cannot stay mounted here if it is killed.
    if ! unshare --mount --propagation private \
        mmdebstrap --variant=apt --include=ccache trixie "$root.new" \
        "deb http://$mirror/debian trixie main" \
        "deb http://$mirror/debian trixie-updates main" \
        "deb http://$mirror/debian-security trixie-security main" >"$cache/mmdebstrap.log" 2>&1; then
        tail -n 30 "$cache/mmdebstrap.log"
        rm -rf "$root.new"
        fail "mmdebstrap could not make the root"
    fi
    mkdir -p "$root.new/velmor/src" "$root.new/velmor/build" "$root.new/velmor/ccache"
    # Packages installed later start no services in the root.
    printf '#!/bin/sh\nexit 101\n' >"$root.new/usr/sbin/policy-rc.d"
    chmod 0755 "$root.new/usr/sbin/policy-rc.d"
    mv "$root.new" "$root" && touch "$cache/made" "$cache/updated"
    echo "debian13: root made in $(($(date +%s) - started)) s"
elif [ "$(age_days "$cache/updated")" -ge 1 ]; then
    if reachable; then
        echo "debian13: bringing the root up to date"
        enter /bin/sh -c \
            'apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get full-upgrade -y -qq >/dev/null' ||
            fail "the root could not be brought up to date"
        touch "$cache/updated"
    else
        echo "debian13: $mirror cannot be reached; the root is used as it is"
    fi
fi

mkdir -p "$cache/build" "$cache/ccache"
enter /bin/bash /velmor/src/tests/debian13/inside.sh
status=$?
echo "debian13: $([ $status -eq 0 ] && echo passed || echo FAILED) in $(($(date +%s) - started)) s"
[ $status -eq 0 ]
