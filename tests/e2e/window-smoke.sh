#!/usr/bin/env bash
# The real program in a real X session (Xvfb), as a person starts it:
# - plain: the client area is 312x131, Esc does nothing, and "Konec" ends it
#   with status 0 although a typed path was never processed;
# - with a file, as "Open with" starts it: one click on "Zpracuj" writes the
#   copy and shows the completion box;
# - under a shell's file-size limit (ulimit -f, SIGXFSZ at its default):
#   the copy fails with an error box and the program stays;
# - Qt's own options (-qwindowtitle) do not reach the window.
# Usage: window-smoke.sh PATH/TO/LUM_Brevix
set -euo pipefail
program=$1
root=$(cd "$(dirname "$0")/../.." && pwd)

smoke() {
  set -euo pipefail
  work=$(mktemp -d)
  trap 'rm -rf "$work"; kill $(jobs -p) 2>/dev/null || true' EXIT
  failed=0 passed=0 problems=0

  fail() { echo "FAIL: $*"; problems=$((problems + 1)); }

  # The ids of the windows titled exactly $1, once at least $2 of them show.
  windows() {
    local found=
    for _ in $(seq 100); do
      found=$(xdotool search --name "^$1\$" 2>/dev/null || true)
      [ "$(printf '%s' "$found" | grep -c .)" -ge "$2" ] && break
      sleep 0.1
    done
    printf '%s\n' "$found" | grep .
  }

  # The program's main window: the one with the 312x131 client area.
  main_window() {
    local id
    for id in $(windows LUM_Brevix 1); do
      xwininfo -id "$id" | grep -q 'Width: 312' && { echo "$id"; return 0; }
    done
    return 1
  }

  click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }  # window, x, y

  # Waits for the program ($1) to end and checks its status is 0.
  ends_with_zero() {
    local status=0
    for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$1" 2>/dev/null; then kill "$1"; return 1; fi
    wait "$1" || status=$?
    [ "$status" -eq 0 ]
  }

  # "Zpracuj" at 2,98 and "Konec" at 232,98 (75x29) in the client area.
  plain() {
    "$program" &
    local pid=$! window
    window=$(main_window) || { fail "plain: no window"; return; }
    local size
    size=$(xwininfo -id "$window" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w "x" h}')
    [ "$size" = "312x131" ] || fail "plain: client area $size"
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool type --window "$window" 'C:\Data\faktura.xml'
    xdotool key --window "$window" Escape
    sleep 0.5
    kill -0 "$pid" || { fail "plain: Esc ended the program"; return; }
    click "$window" 270 112
    ends_with_zero "$pid" || fail "plain: Konec did not end the program with status 0"
  }

  open_with() {
    printf '<a><b>1</b></a>' >"$work/faktura k objednávce.xml"
    "$program" "$work/faktura k objednávce.xml" &
    local pid=$! window
    window=$(main_window) || { fail "open with: no window"; return; }
    [ ! -e "$work/faktura k objednávce.xml_LUM.XML" ] || fail "open with: processed before the click"
    click "$window" 40 112
    windows LUM_Brevix 2 >/dev/null || fail "open with: no completion box"
    [ "$(cat "$work/faktura k objednávce.xml_LUM.XML" 2>/dev/null)" = $'<a>\r\n<b>\r\n1</b>\r\n</a>\r' ] ||
      fail "open with: wrong or missing copy"
    kill "$pid"
  }

  file_size_limit() {
    head -c 1048576 /dev/zero | tr '\0' '>' >"$work/big.xml"
    (trap - XFSZ; ulimit -f 64; exec "$program" "$work/big.xml") &
    local pid=$! window
    window=$(main_window) || { fail "ulimit -f: no window"; return; }
    click "$window" 40 112
    windows LUM_Brevix 2 >/dev/null || fail "ulimit -f: no error box"
    kill -0 "$pid" 2>/dev/null || { fail "ulimit -f: the program ended"; return; }
    [ ! -e "$work/big.xml_LUM.XML" ] || fail "ulimit -f: a partial copy was left"
    kill "$pid"
  }

  qt_options() {
    "$program" -qwindowtitle Jiny &
    local pid=$!
    main_window >/dev/null || fail "-qwindowtitle: no window titled LUM_Brevix"
    [ -z "$(xdotool search --name '^Jiny$' 2>/dev/null || true)" ] || fail "-qwindowtitle: Qt took the option"
    kill "$pid"
  }

  local check before
  for check in plain open_with file_size_limit qt_options; do
    before=$problems
    "$check"
    if [ "$problems" -eq "$before" ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  done
  echo "window smoke: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
export -f smoke
export program
"$root/scripts/with-xvfb.sh" bash -c smoke
