#!/bin/sh
# pppd's ip-up.d / ip-down.d hooks of Velmor, run as /etc/ppp/ip-up runs them, with a stand-in
# resolvectl that records its arguments. /run is a fresh tmpfs in a mount namespace of the test's
# own, so whether systemd-resolved "runs" (/run/systemd/resolve) is the test's choice.
set -eu
src=$(cd "$(dirname "$0")/../.." && pwd)/packaging/ppp

if [ "${VELMOR_HOOKS_NAMESPACE:-}" != 1 ]; then
    if [ "$(id -u)" -eq 0 ]; then set -- -m; else set -- -r -m; fi
    if ! unshare "$@" true 2>/dev/null; then
        echo "ppp hooks test skipped: no mount namespace can be made here (unshare $*)"
        exit 77
    fi
    VELMOR_HOOKS_NAMESPACE=1 exec unshare "$@" sh "$0"
fi

mount -t tmpfs tmpfs /run
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/nothing"
cat >"$work/bin/resolvectl" <<STUB
#!/bin/sh
echo "\$*" >>"$work/calls"
STUB
chmod +x "$work/bin/resolvectl"

failures=0
# hook IPPARAM EXPECTED [VAR=VALUE...]: runs the hook as pppd would, compares what resolvectl got.
check() {
    hook=$1 ipparam=$2 expected=$3
    shift 3
    : >"$work/calls"
    if ! env -i PATH="$work/bin" IFNAME=ppp0 "$@" \
        "$src/$hook/velmor" ppp0 /dev/ttyS0 115200 10.1.0.2 10.1.0.1 "$ipparam"; then
        echo "FAIL: $hook $ipparam $*: the hook failed"
        failures=$((failures + 1))
    fi
    got=$(cat "$work/calls")
    if [ "$got" != "$expected" ]; then
        echo "FAIL: $hook $ipparam $*: resolvectl got '$got', expected '$expected'"
        failures=$((failures + 1))
    fi
}

mkdir -p /run/systemd/resolve
check ip-up.d velmor-Демо "dns ppp0 10.0.0.53 10.0.0.54" DNS1=10.0.0.53 DNS2=10.0.0.54
check ip-up.d velmor-1 "dns ppp0 10.0.0.53" DNS1=10.0.0.53 DNS2=10.0.0.53
check ip-up.d velmor-1 "dns ppp0 10.0.0.54" DNS2=10.0.0.54
check ip-up.d velmor-1 "" # no name servers from the provider
check ip-down.d velmor-1 "revert ppp0"
# Another program's links, or none named.
check ip-up.d provider "" DNS1=10.0.0.53
check ip-up.d "" "" DNS1=10.0.0.53
check ip-down.d xvelmor-1 ""
# Without resolvectl, or where systemd-resolved does not run: nothing.
check ip-up.d velmor-1 "" DNS1=10.0.0.53 PATH="$work/nothing"
rmdir /run/systemd/resolve
check ip-up.d velmor-1 "" DNS1=10.0.0.53
check ip-down.d velmor-1 ""

[ "$failures" -eq 0 ] && echo "ppp hooks: all cases passed"
exit "$failures"
