#!/usr/bin/env bash
# Renders the real window under Xvfb into docs/screenshot.png for the README.
# Usage: scripts/screenshot.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
scripts/install-deps.sh xvfb xdotool imagemagick x11-utils
[ -x "$build_dir/LUM_Brevix" ] || BUILD_DIR=$build_dir scripts/build.sh

capture() {
  "$build_dir/LUM_Brevix" &
  local program=$!
  local window=
  for _ in $(seq 100); do
    window=$(xdotool search --name '^LUM_Brevix$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
  done
  sleep 0.5
  xdotool type --window "$window" --delay 20 '/home/eva/Faktury/faktura 2026.xml'
  sleep 0.3
  import -window "$window" docs/screenshot.png
  kill "$program"
}
export -f capture
export build_dir
scripts/with-xvfb.sh bash -c capture
echo "wrote docs/screenshot.png"
