#!/usr/bin/env bash
# Builds Velmor and starts it: the window when a display is there, else the headless front end dialling the demo entry.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec ./build/bin/velmor "$@"
else
    exec ./build/bin/velmor --headless --dial "$@"
fi
