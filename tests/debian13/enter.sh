#!/usr/bin/env bash
# Runs a command as root inside a Debian root, in mount, process and IPC namespaces of its own:
# a fresh /proc, a small /dev of its own (the host's null, zero, full, random, urandom and tty, a
# private pseudo-terminal instance), a read-only /sys, empty /tmp, /run and /dev/shm, the host's
# name service, the source tree read-only at /velmor/src and the cache's build and compiler cache
# at /velmor/build and /velmor/ccache. Everything is unmounted when the command ends, also on
# failure; the namespaces end with it, with any process the command left behind.
# Usage: tests/debian13/enter.sh ROOT SOURCE_DIR CACHE_DIR COMMAND...
set -uo pipefail

# Once more as the first process of new namespaces, which end with it: there its PID ($$) is 1.
if [ "${VELMOR_ENTERED:-}" != "$$" ]; then
    exec unshare --mount --pid --ipc --fork --kill-child --propagation private \
        env VELMOR_ENTERED=1 "$0" "$@"
fi

root=$1 source_dir=$2 cache=$3
shift 3
mounted=()
unmount_all() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}"
    done
    mounted=()
}
trap unmount_all EXIT
trap 'exit 130' INT TERM HUP
# on TARGET MOUNT-ARGUMENTS...: mounts, and remembers TARGET for unmounting.
on() {
    local target=$1
    shift
    mount "$@" "$target" || { echo "enter: cannot mount $target" >&2; exit 1; }
    mounted+=("$target")
}

# The root a mount point of its own, as / is, so that the tests can make mount namespaces there.
on "$root" --bind "$root"
on "$root/proc" -t proc -o nosuid,nodev,noexec proc
on "$root/sys" -t sysfs -o ro,nosuid,nodev,noexec sysfs
on "$root/dev" -t tmpfs -o mode=0755,nosuid,size=64k dev
for node in null zero full random urandom tty; do
    touch "$root/dev/$node"
    on "$root/dev/$node" --bind "/dev/$node"
done
mkdir "$root/dev/pts" "$root/dev/shm"
on "$root/dev/pts" -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5,nosuid,noexec devpts
ln -s pts/ptmx "$root/dev/ptmx"
ln -s /proc/self/fd "$root/dev/fd"
ln -s /proc/self/fd/0 "$root/dev/stdin"
ln -s /proc/self/fd/1 "$root/dev/stdout"
ln -s /proc/self/fd/2 "$root/dev/stderr"
on "$root/dev/shm" -t tmpfs -o mode=1777,nosuid,nodev shm
on "$root/tmp" -t tmpfs -o mode=1777,nosuid,nodev tmp
on "$root/run" -t tmpfs -o mode=0755,nosuid,nodev run
mkdir -m 1777 "$root/run/lock"
[ -e "$root/etc/resolv.conf" ] || touch "$root/etc/resolv.conf"
on "$root/etc/resolv.conf" --bind -o ro /etc/resolv.conf
on "$root/velmor/src" --bind -o ro "$source_dir"
on "$root/velmor/build" --bind "$cache/build"
on "$root/velmor/ccache" --bind "$cache/ccache"

# Waited for in the background, so that a signal ends this first process (and with it the
# namespace's every process) at once.
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@" </dev/null &
wait $!
status=$?
unmount_all
exit $status
