#!/usr/bin/env bash
# Builds Velmor twice (plain and with address and undefined-behaviour sanitizers) and runs every test.
set -uo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh --tests || exit 1
jobs=$(nproc)
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMOR_SANITIZE=ON >/dev/null || exit 1
cmake --build build-asan -j"$jobs" || exit 1

status=0
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for dir in build build-asan; do
    echo "== tests in $dir =="
    if (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 300 >ctest.log 2>&1); then
        sed -n '/tests passed/,$p' "$dir/ctest.log"
    else
        status=1
        # The output of the failing tests, then ctest's summary.
        grep -v -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed' "$dir/ctest.log" | tail -n 300
    fi
done

./scripts/check_layers.sh || status=1

# The window beside a bare Qt window: start-up time, memory, idle wake-ups, settings load and
# save. Figures only (the machine is shared): it fails only when it cannot measure.
echo "== window figures (bench/measure_window.sh) =="
bench/measure_window.sh 5 5 || status=1

echo "== fuzz targets =="
./scripts/fuzz.sh || status=1

# Dialling a real PPP server under User-Mode Linux (about a minute), where the machine can run it.
echo "== the real PPP server under User-Mode Linux =="
tests/uml/run.sh build
case $? in
    0 | 77) ;;
    *) status=1 ;;
esac

# The Debian package installed on this machine and used (only as root; it says why otherwise).
echo "== package test =="
./tests/package/run.sh || status=1

# The same build with Debian 13's compiler and Qt, its unit and UI tests and its package, in a
# Debian 13 root that the script makes and keeps in /var/cache/velmor (only as root).
echo "== Debian 13 =="
tests/debian13/run.sh
case $? in
    0 | 77) ;;
    *) status=1 ;;
esac

if command -v clang-format >/dev/null; then
    unformatted=$(git ls-files '*.cpp' '*.h' | xargs -r clang-format --dry-run 2>&1 | grep -c warning || true)
    if [ "$unformatted" -ne 0 ]; then
        echo "clang-format: $unformatted lines need formatting (run clang-format -i on the changed files)"
        status=1
    fi
fi
exit $status
