#!/usr/bin/env bash
# The real program in a real X session (Xvfb): the client area is 312x131,
# Esc does nothing, and "Konec" ends it with status 0 although a typed path
# was never processed. Usage: window-smoke.sh PATH/TO/LUM_Brevix
set -euo pipefail
program=$1
root=$(cd "$(dirname "$0")/../.." && pwd)

smoke() {
  "$program" &
  local pid=$! window=
  for _ in $(seq 100); do
    window=$(xdotool search --name '^LUM_Brevix$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || { echo "FAIL: no window"; return 1; }
  local size
  size=$(xwininfo -id "$window" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
  [ "$size" = "312x131" ] || { echo "FAIL: client area $size"; return 1; }

  xdotool windowfocus --sync "$window" 2>/dev/null || true
  xdotool type --window "$window" 'C:\Data\faktura.xml'
  xdotool key --window "$window" Escape
  sleep 0.5
  kill -0 "$pid" || { echo "FAIL: Esc ended the program"; return 1; }

  # "Konec" sits at 232,98 (75x29) in the client area.
  xdotool mousemove --window "$window" 270 112 click 1
  local status=0
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid"; echo "FAIL: Konec did not end the program"; return 1; fi
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || { echo "FAIL: exit status $status"; return 1; }
  echo "window smoke: 1 passed, 0 failed"
}
export -f smoke
export program
"$root/scripts/with-xvfb.sh" bash -c smoke
