#!/usr/bin/env bash
# The sibling of measure_window.sh in a Wayland session: the window program beside a bare Qt
# window (bench/bare_window.cpp), both native Wayland clients of a headless sway with a session bus
# of their own. Measures the time from process start to the window mapped by the compositor (the
# median of several starts, taken from sway's window events), the resident memory after start and
# the context switches of all threads while both idle (not connected).
# Usage: bench/measure_wayland.sh [runs] [idle seconds]   (needs build/ built, sway, dbus-daemon)
# MEASURE_BIN=<folder> measures the programs of another build instead of build/bin.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
idle=${2:-10}
bin=${MEASURE_BIN:-$PWD/build/bin}
for program in velmor bare_window; do
    [ -x "$bin/$program" ] || { echo "measure_wayland: $bin/$program is not built" >&2; exit 1; }
done
work=$(mktemp -d /tmp/velmor-measure-wl-XXXXXX)
run=$work/run
mkdir -m 700 "$run"
# sway refuses to run as root: as root it runs as nobody (root still reaches its sockets).
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    chmod o+x "$work"
    chown 65534:65534 "$run"
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
printf 'xwayland disable\noutput HEADLESS-1 resolution 1024x768\n' >"$work/sway.conf"
env -i PATH="$PATH" XDG_RUNTIME_DIR="$run" HOME="$run" WLR_BACKENDS=headless \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${as_user[@]}" sway -c "$work/sway.conf" \
    >/dev/null 2>&1 &
sway=$!
exec 3>"$work/bus"
dbus-daemon --session --nofork --print-address=3 >/dev/null 2>&1 &
bus=$!
exec 3>&-
trap 'kill $sway $bus 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 200); do
    ls "$run"/wayland-[0-9] "$run"/sway-ipc.* >/dev/null 2>&1 && [ -s "$work/bus" ] && break
    sleep 0.025
done
SWAYSOCK=$(ls "$run"/sway-ipc.*)
WAYLAND_DISPLAY=$(basename "$(ls "$run"/wayland-[0-9])")
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
export SWAYSOCK WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR=$run XDG_SESSION_TYPE=wayland
unset DISPLAY QT_QPA_PLATFORM
export VELMOR_HOME=$work VELMOR_PHONEBOOK=$work/phonebook.ini LC_ALL=ru_RU.UTF-8

# A stored program password, so that the start asks nothing.
echo "пароль" >"$work/password"
timeout -s INT 3 "$bin/velmor" --headless --password-file "$work/password" >/dev/null 2>&1 || true

# Starts a program and prints the milliseconds from its start to sway's event of its new window;
# with a second argument > 0 it then idles that many seconds and appends "rss_kb switches_per_s".
# The program is ended before it returns.
shown() {
    local idle_s=$1 events=$work/events
    shift
    : >"$events"
    swaymsg -r -m -t subscribe '["window"]' >"$events" &
    local sub=$!
    sleep 0.3
    local t0 pid t1
    t0=$(date +%s%N)
    "$@" >/dev/null 2>&1 &
    pid=$!
    until grep -q "\"pid\": $pid," "$events"; do sleep 0.002; done
    t1=$(date +%s%N)
    kill $sub
    local line=$(((t1 - t0) / 1000000))
    if [ "$idle_s" -gt 0 ]; then
        sleep 1
        local rss before after
        rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
        before=$(cat /proc/"$pid"/task/*/status | awk '/ctxt_switches/ {s += $2} END {print s}')
        sleep "$idle_s"
        after=$(cat /proc/"$pid"/task/*/status | awk '/ctxt_switches/ {s += $2} END {print s}')
        line="$line $rss $(LC_ALL=C awk -v d=$((after - before)) -v t="$idle_s" 'BEGIN {printf "%.2f", d / t}')"
    fi
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$line"
}

# The starts, taking turns; the first of each fills the page cache and is not counted.
shown 0 "$bin/velmor" >/dev/null
shown 0 "$bin/bare_window" >/dev/null
for _ in $(seq "$runs"); do
    shown 0 "$bin/velmor" >>"$work/velmor.ms"
    shown 0 "$bin/bare_window" >>"$work/bare.ms"
done
median() {
    LC_ALL=C sort -n "$work/$1.ms" |
        LC_ALL=C awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
read -r _ velmor_kb velmor_sw < <(shown "$idle" "$bin/velmor")
read -r _ bare_kb bare_sw < <(shown "$idle" "$bin/bare_window")

ratio() { LC_ALL=C awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "-"}'; }
mb() { LC_ALL=C awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }
row() { printf '%-50s %10s %12s %7s\n' "$1" "$2" "$3" "$4"; }
row "figure (Wayland, headless sway)" "velmor" "bare window" "ratio"
row "process start to window mapped, ms (median of $runs)" "$(median velmor)" "$(median bare)" \
    "$(ratio "$(median velmor)" "$(median bare)")"
row "resident memory after start, MB" "$(mb "$velmor_kb")" "$(mb "$bare_kb")" \
    "$(ratio "$velmor_kb" "$bare_kb")"
row "context switches while idle, per second" "$velmor_sw" "$bare_sw" "-"
