#!/usr/bin/env bash
# Runs a test under a virtual X server with a window manager (openbox): window moves, frames and
# activation happen only where a window manager handles them.
set -uo pipefail
if [[ -z "${TRESVIK_WINDOW_MANAGER:-}" ]]; then
    export TRESVIK_WINDOW_MANAGER=1
    exec xvfb-run -a -s "-screen 0 2400x1200x24" "$0" "$@"
fi
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null' EXIT
for _ in $(seq 200); do
    wmctrl -m >/dev/null 2>&1 && break
    sleep 0.05
done
QT_QPA_PLATFORM=xcb "$@"
