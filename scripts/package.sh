#!/usr/bin/env bash
# Builds the Debian package velmor_<version>-1_<arch>.deb in build/ (reusing the build there) and
# checks it with lintian, which must find no errors. Usage: scripts/package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build}
./scripts/setup.sh --package
# Installed under /usr; the programs themselves do not depend on the prefix, so a build made for
# another one is reused as it is. Only what the package holds is built.
# A build folder made here leaves the tests out (their libraries come only with --tests).
fresh=()
[ -f "$build/CMakeCache.txt" ] || fresh=(-DVELMOR_BUILD_TESTS=OFF)
cmake -S . -B "$build" -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "${fresh[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmor velmorctl velmor_http velmor_install_files
rm -f "$build"/velmor_*.deb
(cd "$build" && cpack -G DEB >cpack.log) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/velmor_*.deb)

echo "package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends Suggests
# lintian's findings; an error fails the build of the package.
lintian --fail-on error --display-info "$deb"
