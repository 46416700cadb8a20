#!/usr/bin/env bash
# The steps inside the Debian 13 root (tests/debian13/run.sh enters it): this tree's own
# scripts/setup.sh --tests installs the packages and builds everything, the unit and UI tests run,
# and scripts/package.sh builds the Debian package, which must install with its dependencies and
# be removed again. The source tree is read-only at /velmor/src; the build goes to /velmor/build.
set -uo pipefail
cd /velmor/src || exit 1
build=/velmor/build
logs=$build/logs
mkdir -p "$logs"

# The compiler cache lives in the cache folder beside the root; the build is made for /usr, as the
# package wants it, so that packaging reuses it as it is.
export CCACHE_DIR=/velmor/ccache CCACHE_MAXSIZE=2G
export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_INSTALL_PREFIX=/usr

step() {  # step NAME LOG COMMAND...: runs the command into LOG; on failure shows the end of LOG
    local name=$1 log=$2 began
    shift 2
    began=$(date +%s)
    if "$@" >"$log" 2>&1; then
        echo "debian13: $name: $(($(date +%s) - began)) s"
        return 0
    fi
    echo "debian13: $name FAILED after $(($(date +%s) - began)) s:"
    grep -E -B2 -A12 'error:|warning:|Error|E: ' "$log" | head -n 150
    tail -n 30 "$log"
    return 1
}

. /etc/os-release
echo "debian13: $PRETTY_NAME"
# A package left from a run that was killed.
dpkg-query -W -f='${Status}' velmor 2>/dev/null | grep -q "install ok" && dpkg --purge velmor >/dev/null

step "scripts/setup.sh --tests" "$logs/setup.log" ./scripts/setup.sh --tests --build "$build" || exit 1
echo "debian13: $(g++ --version | head -n 1), Qt $(sed -n 's/^Version: *//p' /usr/lib/*/pkgconfig/Qt6Core.pc)," \
    "CMake $(cmake --version | sed -n 's/^cmake version //p')"
if grep -E -i 'warning' "$logs/setup.log" | grep -v -E '^setup: ' >"$logs/warnings.log"; then
    echo "debian13: the build warns:"
    head -n 40 "$logs/warnings.log"
    exit 1
fi

status=0
if (cd "$build" && ctest -L '^(unit|ui)$' --output-on-failure -j"$(nproc)" --timeout 300 \
    >"$logs/ctest.log" 2>&1); then
    sed -n '/tests passed/,$p' "$logs/ctest.log"
else
    status=1
    grep -v -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' "$logs/ctest.log" | tail -n 300
fi

if step "scripts/package.sh" "$logs/package.log" ./scripts/package.sh "$build"; then
    sed -n '/^package: /,$p' "$logs/package.log" | grep -v '^I: '
    deb=$(sed -n 's/^package: //p' "$logs/package.log")
    if step "the package installs with its dependencies" "$logs/install.log" \
        env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$deb"; then
        velmorctl machine / >"$logs/velmorctl.log" 2>&1 && grep -q '^MachineKey=' "$logs/velmorctl.log" ||
            { echo "debian13: the installed velmorctl does not run:"; cat "$logs/velmorctl.log"; status=1; }
        dpkg --purge velmor >/dev/null || { echo "debian13: dpkg --purge velmor failed"; status=1; }
    else
        status=1
    fi
else
    status=1
fi
exit $status
