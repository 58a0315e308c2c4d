#!/usr/bin/env bash
# The real program in a real X session (Xvfb), as a person starts it:
# - plain: the client area is 312x131, Esc does nothing, and "Konec" ends it
#   with status 0 although a typed path was never processed;
# - with a file, as "Open with" starts it, its name not all UTF-8: one click
#   on "Zpracuj" writes the copy and shows the completion box;
# - under a shell's file-size limit (ulimit -f, SIGXFSZ at its default):
#   the copy fails with an error box and the program stays;
# - Qt's own options (-qwindowtitle) do not reach the window.
# The first failed check ends the run. Usage: window-smoke.sh PATH/TO/LUM_Brevix
set -euo pipefail
export program=$1
root=$(cd "$(dirname "$0")/../.." && pwd)

smoke() {
  set -euo pipefail
  work=$(mktemp -d)
  trap 'rm -rf "$work"; kill $(jobs -p) 2>/dev/null || true' EXIT
  fail() { echo "FAIL: $*"; exit 1; }
  # Waits until at least $1 windows titled LUM_Brevix show; false after 10 s.
  windows() {
    for _ in $(seq 100); do
      [ "$(xdotool search --name '^LUM_Brevix$' 2>/dev/null | grep -c .)" -ge "$1" ] && return 0
      sleep 0.1
    done
    return 1
  }
  # Runs "$@" in the background as $pid; $w becomes the program's main
  # window, the one 312 pixels wide.
  start() {
    "$@" & pid=$!
    windows 1 || fail "$*: no window"
    for w in $(xdotool search --name '^LUM_Brevix$'); do xwininfo -id "$w" | grep -q 'Width: 312' && return 0; done
    fail "$*: no main window"
  }

  # Plain. "Zpracuj" is at 2,98 and "Konec" at 232,98, both 75x29.
  start "$program"
  xwininfo -id "$w" | grep -q 'Height: 131' || fail "plain: the client area is not 312x131"
  xdotool windowfocus --sync "$w" 2>/dev/null || true
  xdotool type --window "$w" 'C:\Data\faktura.xml'
  xdotool key --window "$w" Escape 2>/dev/null || true  # the window may be gone before the key goes up
  sleep 0.5
  kill -0 "$pid" || fail "plain: Esc ended the program"
  xdotool mousemove --window "$w" 270 112 click 1
  timeout 5 tail -s 0.1 --pid="$pid" -f /dev/null || fail "plain: Konec did not end the program"
  wait "$pid" || fail "plain: Konec ended the program with status $?"

  # Open with a file, its name in UTF-8 but for two bytes of ISO 8859-2 (č, á),
  # as a file from an old archive has it.
  source="$work/faktura k objednávce "$'\xe8\xe1'"st.xml"
  printf '<a><b>1</b></a>' >"$source"
  start "$program" "$source"
  [ ! -e "${source}_LUM.XML" ] || fail "open with: processed before the click"
  xdotool mousemove --window "$w" 40 112 click 1
  windows 2 || fail "open with: no completion box"
  [ "$(cat "${source}_LUM.XML")" = $'<a>\r\n<b>\r\n1</b>\r\n</a>\r' ] || fail "open with: wrong or missing copy"
  kill "$pid"; wait "$pid" || true

  # A file-size limit of 64 KiB for a copy of 3 MiB.
  head -c 1048576 /dev/zero | tr '\0' '>' >"$work/big.xml"
  start bash -c 'trap - XFSZ; ulimit -f 64; exec "$0" "$1"' "$program" "$work/big.xml"
  xdotool mousemove --window "$w" 40 112 click 1
  windows 2 || fail "ulimit -f: no error box"
  kill -0 "$pid" || fail "ulimit -f: the program ended"
  [ ! -e "$work/big.xml_LUM.XML" ] || fail "ulimit -f: a partial copy was left"
  kill "$pid"; wait "$pid" || true

  # Qt's own options.
  start "$program" -qwindowtitle Jiny
  [ -z "$(xdotool search --name '^Jiny$' 2>/dev/null || true)" ] || fail "-qwindowtitle: Qt took the option"
  kill "$pid"; wait "$pid" || true
  echo "window smoke: passed"
}
export -f smoke
"$root/scripts/with-xvfb.sh" bash -c smoke
