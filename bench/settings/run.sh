#!/bin/sh
# Runs the settings benchmark from an existing build folder (this script builds nothing),
# on the current display, or on a private Xvfb with openbox when there is none.
#   bench/settings/run.sh BUILD_DIR [FOLDER] [--runs N] [--idle SECONDS]
set -eu
if [ $# -lt 1 ]; then
    echo "usage: $0 BUILD_DIR [FOLDER] [--runs N] [--idle SECONDS]" >&2
    exit 2
fi
build=$1
shift
program="$build/bench/settings/dustlyn_bench_settings"
if [ ! -x "$program" ]; then
    echo "$program not found; build the target dustlyn_bench_settings first" >&2
    exit 2
fi
if [ -n "${DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
    exec "$program" "$@"
fi
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
xvfb=$!
read -r number <"$fifo"
rm -f "$fifo"
export DISPLAY=":$number"
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm $xvfb 2>/dev/null' EXIT
sleep 0.5
"$program" "$@"
