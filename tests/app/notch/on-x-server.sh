#!/usr/bin/env bash
# Runs the notch's on-screen tests on a private X server with a window manager, a private
# D-Bus session and the accessibility bus, the way a desktop user's session has them.
#   on-x-server.sh TEST-BINARY
set -euo pipefail
binary=$1
for tool in Xvfb openbox dbus-run-session xdotool; do
    command -v "$tool" >/dev/null || { echo "on-x-server: $tool is missing (scripts/setup installs it)"; exit 1; }
done
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 2>"$work/xvfb.log" &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
openbox >/dev/null 2>&1 &
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
    sleep 0.5
    "$0" --gtest_filter="OnXServer.*"
' "$binary"
