#!/usr/bin/env bash
# Runs a test under a virtual X server with a window manager (openbox): window moves, frames and
# activation happen only where a window manager handles them.
set -uo pipefail
if [[ -z "${TRESVIK_WINDOW_MANAGER:-}" ]]; then
    export TRESVIK_WINDOW_MANAGER=1
    # Without -noreset the server resets whenever its last client leaves: a wmctrl probe that
    # disconnects before openbox has connected makes openbox's connection fail, and the test
    # then runs with no window manager at all.
    exec xvfb-run -a -s "-screen 0 2400x1200x24 -noreset" "$0" "$@"
fi
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null' EXIT
ready=false
for _ in $(seq 200); do
    if wmctrl -m >/dev/null 2>&1; then
        ready=true
        break
    fi
    sleep 0.05
done
if ! $ready; then
    echo "with_window_manager.sh: openbox did not start" >&2
    exit 1
fi
QT_QPA_PLATFORM=xcb "$@"
