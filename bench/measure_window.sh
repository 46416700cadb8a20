#!/usr/bin/env bash
# Measures the window program beside a bare Qt window (bench/bare_window.cpp) under Xvfb, in one
# run: the time from process start to the mapped main window (the median of several starts), the
# resident memory after start, the context switches of all threads while both idle (not
# connected), and the CPU time of a settings load and save (bench/settings_bench.cpp).
# Usage: bench/measure_window.sh [runs] [idle seconds]   (needs build/ built, Xvfb)
# MEASURE_BIN=<folder> measures the programs of another build instead of build/bin.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
idle=${2:-10}
bin=${MEASURE_BIN:-$PWD/build/bin}
for program in velmor bare_window window_timer velmor_bench; do
    [ -x "$bin/$program" ] || { echo "measure_window: build/bin/$program is not built" >&2; exit 1; }
done
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
timeout -s INT 3 "$bin/velmor" --headless --password-file "$work/password" >/dev/null 2>&1 || true

velmor=("Velmor 0.97" "$bin/velmor")
bare=("Bare window" "$bin/bare_window")

# The starts, one program after the other so that they do not share the processor, taking turns
# so that the load of the machine weighs on both alike; the first start of each fills the page
# cache and is not counted.
shown() { "$bin/window_timer" "$1" 0 "$2" | sed -n 's/^shown_ms=//p'; }
shown "${velmor[@]}" >/dev/null
shown "${bare[@]}" >/dev/null
for _ in $(seq "$runs"); do
    shown "${velmor[@]}" >>"$work/velmor.ms"
    shown "${bare[@]}" >>"$work/bare.ms"
done
median() {
    LC_ALL=C sort -n "$work/$1.ms" |
        LC_ALL=C awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
velmor_ms=$(median velmor)
bare_ms=$(median bare)

# Memory and idle context switches of both at once (they sleep, so they do not disturb each
# other).
"$bin/window_timer" "${velmor[0]}" "$idle" "${velmor[1]}" >"$work/velmor.idle" &
v=$!
"$bin/window_timer" "${bare[0]}" "$idle" "${bare[1]}" >"$work/bare.idle" &
b=$!
wait $v $b
field() { sed -n "s/.*$2=\([0-9.]*\).*/\1/p" "$work/$1.idle"; }

# The settings load and save of a full file: CPU time per operation, in milliseconds.
"$bin/velmor_bench" --benchmark_filter='BM_(Load|Save)Settings(InMemory)?$' --benchmark_format=csv \
    --benchmark_min_time=0.3 2>/dev/null >"$work/bench.csv"
cpu() { LC_ALL=C awk -F, -v name="\"$1\"" '$1 == name {printf "%.3f", $4}' "$work/bench.csv"; }

ratio() { LC_ALL=C awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "-"}'; }
row() { printf '%-44s %10s %12s %7s\n' "$1" "$2" "$3" "$4"; }
velmor_mb=$(LC_ALL=C awk -v k="$(field velmor rss_kb)" 'BEGIN {printf "%.1f", k / 1024}')
bare_mb=$(LC_ALL=C awk -v k="$(field bare rss_kb)" 'BEGIN {printf "%.1f", k / 1024}')
row "figure" "velmor" "bare window" "ratio"
row "process start to window shown, ms (median of $runs)" "$velmor_ms" "$bare_ms" \
    "$(ratio "$velmor_ms" "$bare_ms")"
row "resident memory after start, MB" "$velmor_mb" "$bare_mb" "$(ratio "$velmor_mb" "$bare_mb")"
row "context switches while idle, per second" "$(field velmor switches_per_s)" \
    "$(field bare switches_per_s)" "-"
row "settings load of a full file, ms CPU" "$(cpu BM_LoadSettings)" "-" "-"
row "settings save of a full file, ms CPU" "$(cpu BM_SaveSettings)" "-" "-"
row "  the same save on a tmpfs (no disk flush)" "$(cpu BM_SaveSettingsInMemory)" "-" "-"
