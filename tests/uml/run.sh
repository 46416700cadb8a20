#!/usr/bin/env bash
# Dials a real PPP server: boots the user-mode Linux kernel on this machine's root (read-only),
# whose init.sh runs a server pppd behind our modem emulator and Velmor as an ordinary user, and
# reports its checks. Usage: tests/uml/run.sh [BUILD_DIR]. Exits 0 when every check passed, 1 when
# one failed, 77 (with the reason) when this machine cannot run the test.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$source_dir/build}" 2>/dev/null && pwd) || build=""

skip() {
    echo "uml: skipped: $*"
    exit 77
}

command -v linux.uml >/dev/null || skip "no linux.uml (Debian package user-mode-linux)"
version=$(linux.uml --version 2>/dev/null | head -n 1)
[ -d "/usr/lib/uml/modules/$version/kernel/drivers/net/ppp" ] ||
    skip "no PPP modules for the user-mode kernel $version under /usr/lib/uml/modules"
[ -x /usr/sbin/pppd ] || skip "no /usr/sbin/pppd (package ppp)"
for tool in insmod setpriv ping ip; do
    command -v "$tool" >/dev/null || skip "no $tool"
done
[ -n "$build" ] || skip "no build folder"
for program in velmor velmorctl velmor_modem_emulator; do
    [ -x "$build/bin/$program" ] || skip "$build/bin/$program is not built"
done
[ "$(id -u)" -eq 0 ] || skip "the user-mode kernel's init must be root on this machine's files"
command -v cc >/dev/null || skip "no C compiler for the ptrace shim"

work=$(mktemp -d /tmp/velmor-uml-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/out" "$work/uml"
cc -shared -fPIC -O2 -o "$work/shim.so" "$here/ptrace_xstate_shim.c" -ldl || skip "the ptrace shim does not build"

started=$(date +%s)
# The kernel passes the NAME=value words it does not know to init as its environment.
TMPDIR="$work" timeout 300 env LD_PRELOAD="$work/shim.so" linux.uml \
    mem=512M root=/dev/root rootfstype=hostfs rootflags=/ ro init="$here/init.sh" \
    con=null con0=null,fd:1 uml_dir="$work/uml" \
    VELMOR_BUILD="$build" VELMOR_SOURCE="$source_dir" VELMOR_OUT="$work/out" \
    </dev/null >"$work/console.log" 2>&1
kernel_status=$?
elapsed=$(($(date +%s) - started))

if [ ! -e "$work/out/booted" ]; then
    tail -n 20 "$work/console.log"
    skip "the user-mode kernel did not start (status $kernel_status)"
fi
grep -E '^(ok|not ok) - |ended .* after|^bench: ' "$work/out/log"
if [ "$(cat "$work/out/result" 2>/dev/null)" = PASS ]; then
    echo "uml: passed in ${elapsed} s"
    exit 0
fi
echo "uml: FAILED after ${elapsed} s (kernel status $kernel_status); the machine's log:"
tail -n 80 "$work/out/log"
for f in "$work/out"/*.log "$work/out"/*.err; do
    [ -e "$f" ] || continue
    echo "== $(basename "$f")"
    tail -n 40 "$f"
done
exit 1
