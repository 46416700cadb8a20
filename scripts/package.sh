#!/usr/bin/env bash
# Builds the Debian package velmor_<version>-1_<arch>.deb in build/ (reusing the build there) and
# checks it with lintian, which must find no errors. ./scripts/setup.sh installs what it needs.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
# Installed under /usr; the programs themselves do not depend on the prefix, so a build made for
# another one is reused as it is. Only what the package holds is built.
cmake -S . -B "$build" -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target velmor velmorctl velmor_http velmor_install_files
rm -f "$build"/velmor_*.deb
(cd "$build" && cpack -G DEB >cpack.log) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/velmor_*.deb)

echo "package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends Suggests
# lintian's findings; an error fails the build of the package.
lintian --fail-on error --display-info "$deb"
