#!/usr/bin/env bash
# LUM_Brevix.exe as a Windows user meets it, under Wine on an X display: it is
# clicked and typed into with xdotool, and its controls are read back from the
# state report the program writes when LUM_BREVIX_STATE_REPORT names a file
# (Qt's widgets have no window handles that Wine's tools could read).
# The file chooser is Windows' own (Wine's): WINDOW_CONTROLS_EXE reads it.
# Screenshots of the window and of the chooser go to SHOTS_DIR if given.
# Usage: window-on-wine.sh EMULATOR WINDOW_CONTROLS_EXE WORK_DIR SHOTS_DIR PROGRAM_FOLDER
#   PROGRAM_FOLDER holds the installed LUM_Brevix.exe with Qt beside it.
#   SHOTS_DIR may be empty: no screenshots.
set -euo pipefail
export LC_ALL=C.UTF-8
emulator=$1 window_controls=$2 work=$3 shots=$4 folder=$5
report=$work/state.txt
fail() { echo "FAIL: $*" >&2; [ -f "$report" ] && sed 's/^/  | /' "$report" >&2; exit 1; }
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }

rm -rf "$work" && mkdir -p "$work/Účetnictví"
program=$folder/LUM_Brevix.exe
no_break_space=$(printf '\xc2\xa0') tab=$(printf '\t')
source_file="$work/Účetnictví/faktura č.${no_break_space}7.xml"
source_path=$(windows_path "$source_file")
printf '<?xml version="1.0"?><faktura><položka cena="7">Žluťoučký kůň</položka></faktura>' >"$source_file"

# Letters that the display's keyboard map lacks get spare key codes now,
# before Wine reads the map: xdotool would otherwise map them for the instant
# of the key press, too short for Wine to see.
spare_codes=($(xmodmap -pke | awk 'NF == 3 && $2 > 8 {print $2}'))
declare -A keysyms=()
while IFS= read -r -n1 letter; do
  [ -n "$letter" ] && [ "$(printf %d "'$letter")" -gt 126 ] && keysyms[$(printf 'U%04X' "'$letter")]=1
done < <(printf %s "$source_path")
mappings=()
for keysym in "${!keysyms[@]}"; do
  mappings+=(-e "keycode ${spare_codes[${#mappings[@]} / 2]} = $keysym")
done
xmodmap "${mappings[@]}"

# --- reading the report -----------------------------------------------------
snapshot=
read_report() { snapshot=$(cat "$report" 2>/dev/null || true); }
# field NAME COLUMN: a column of the first line of control NAME (2 class,
# 3 enabled, 4 geometry, 5 text, unescaped).
field() {
  local value
  value=$(awk -F'\t' -v name="$1" -v column="$2" '$1 == name {print $column; exit}' <<<"$snapshot")
  printf '%b' "$value"
}
text_of() { field "$1" 5; }
# wait_for CONDITION...: rereads the report until the command succeeds.
wait_for() {
  for _ in $(seq 300); do
    read_report
    "$@" && return 0
    sleep 0.1
  done
  fail "timed out waiting for: $*"
}
window_count_is() { [ "$(awk -F'\t' '$1 == "window"' <<<"$snapshot" | grep -c .)" -eq "$1" ]; }
text_is() { [ "$(text_of "$1")" == "$2" ]; }
expect_text() { [ "$(text_of "$1")" == "$2" ] || fail "$1 shows '$(text_of "$1")', not '$2'"; }

click() {
  local x y width height
  IFS=, read -r x y width height <<<"$(field "$1" 4)"
  [ -n "$height" ] || fail "no control $1 to click"
  xdotool mousemove $((x + width / 2)) $((y + height / 2)) click 1
}
# screenshot NAME TITLE: the first window of that title, into NAME.png.
screenshot() {
  [ -n "$shots" ] || return 0
  mkdir -p "$shots"
  import -window "$(xdotool search --onlyvisible --name "^$2\$" | head -n1)" "$shots/$1.png" ||
    echo "no screenshot of $2" >&2
}

program_pid=
trap '[ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null || true' EXIT
start_program() {
  rm -f "$report"
  QT_QPA_PLATFORM=windows LUM_BREVIX_STATE_REPORT=$(windows_path "$report") "$emulator" "$program" "$@" &
  program_pid=$!
  wait_for text_is lblVerze 1.1.3
}
expect_ended() {
  local status=0
  for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$program_pid" 2>/dev/null || fail "the program still runs"
  wait "$program_pid" || status=$?
  program_pid=
  [ "$status" -eq 0 ] || fail "the program ended with status $status"
}

# --- the checks -------------------------------------------------------------
echo "start: the version, the picture, empty fields"
start_program
expect_text Text1 ""
expect_text txtPozice ""
expect_text Image1 "[picture 241x165]"
screenshot window LUM_Brevix

echo "a typed path and Zpracuj: the copy, the message, txtPozice 0"
click Text1
xdotool type --delay 20 "$source_path"
wait_for text_is Text1 "$source_path"
click Command2
wait_for window_count_is 2
expect_text qt_msgbox_label "XML soubor byl upraven."
expect_text txtPozice 0
cmp "${source_file}_LUM.XML" <(perl -0777 -pe 's/>/>\r\n/g' "$source_file") || fail "the copy differs"
xdotool key Return
wait_for window_count_is 1

echo "Vyber: the chooser's title and filter, the chosen file in the field"
# chooser_is TITLE FILTER: Windows' chooser of that title shows that filter.
chooser_is() { "$emulator" "$window_controls" "$1" | grep -qxF "ComboBox${tab}$2"; }
click Command1
wait_for chooser_is "XML soubor" Soubor
screenshot chooser "XML soubor"
xdotool type --delay 20 "$source_path"
xdotool key Return
wait_for window_count_is 1
expect_text Text1 "$source_path"

echo "Konec ends the program"
click Command3
expect_ended

echo "a Czech path on the command line lands in the field"
start_program "$source_path"
expect_text Text1 "$source_path"
click Command3
expect_ended
echo "all window checks passed"
