#!/usr/bin/env bash
# Measures the window program under Xvfb: time from process start to the first shown main window,
# resident memory after start, and wake-ups per second while idle.
# Usage: bench/measure_window.sh [runs]   (needs a built build/bin/velmor, Xvfb, xwininfo)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
bin=$PWD/build/bin/velmor
work=$(mktemp -d /tmp/velmor-measure-XXXXXX)
chmod 700 "$work"
export VELMOR_HOME=$work VELMOR_PHONEBOOK=$work/phonebook.ini XDG_RUNTIME_DIR=$work
export LC_ALL=ru_RU.UTF-8 QT_QPA_PLATFORM=xcb
# Xvfb picks a free display itself and tells its number once it is ready.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
exec 3>&-
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=:$(head -n 1 "$work/display")

# A stored program password, so that the start asks nothing.
echo "пароль" >"$work/password"
timeout -s INT 3 "$bin" --headless --password-file "$work/password" >/dev/null 2>&1 || true

total=0
for i in $(seq "$runs"); do
    start=$(date +%s%N)
    "$bin" >/dev/null 2>"$work/run$i.err" &
    pid=$!
    waited=0
    until xwininfo -name "Velmor 0.97" 2>/dev/null | grep -q "Map State: IsViewable"; do
        sleep 0.005
        waited=$((waited + 1))
        if [ "$waited" -gt 2000 ] || ! kill -0 "$pid" 2>/dev/null; then
            echo "run $i: no window; the program said:" >&2
            cat "$work/run$i.err" >&2
            exit 1
        fi
    done
    shown=$(date +%s%N)
    ms=$(((shown - start) / 1000000))
    total=$((total + ms))
    echo "run $i: window shown after $ms ms"
    if [ "$i" -eq "$runs" ]; then
        sleep 2
        rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
        echo "resident memory after start: $((rss / 1024)) MB ($rss kB)"
        switches() { awk '/ctxt_switches/ {s += $2} END {print s}' /proc/$pid/task/*/status; }
        before=$(switches)
        sleep 10
        after=$(switches)
        echo "wake-ups while idle (all threads): $(((after - before) / 10)) per second"
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
done
echo "mean time to the shown window: $((total / runs)) ms over $runs runs"
