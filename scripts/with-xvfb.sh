#!/usr/bin/env bash
# Runs a command against a private Xvfb display (DISPLAY is set for it) and
# stops the display afterwards; XVFB_SCREEN sets its size (800x600x24).
# Usage: scripts/with-xvfb.sh COMMAND [ARG...]
set -euo pipefail
display_number=$(( 90 + RANDOM % 400 ))
while [ -e "/tmp/.X11-unix/X$display_number" ] || [ -e "/tmp/.X$display_number-lock" ]; do
  display_number=$(( display_number + 1 ))
done
# -noreset: by default the server resets when its last client leaves and
# refuses connections meanwhile, which fails the next program started.
Xvfb ":$display_number" -screen 0 "${XVFB_SCREEN:-800x600x24}" -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill "$xvfb_pid" 2>/dev/null || true' EXIT
# The socket appears before the server takes clients: wait until one is served.
for _ in $(seq 100); do
  DISPLAY=":$display_number" xwininfo -root >/dev/null 2>&1 && break
  sleep 0.1
done
DISPLAY=":$display_number" QT_QPA_PLATFORM=xcb "$@"
