#!/usr/bin/env bash
# The installer as a Windows administrator runs it, silently, in the Wine
# prefix WINEPREFIX: it puts the program under Program Files with a Start-menu
# entry, a "Send to" entry and an "Open with" entry for .xml that is not made
# the default; the installed lum-brevix.exe copies a file; COMMAND, if given,
# runs with the installed program folder as its last argument; the
# uninstaller then leaves the prefix's files and registry as they were.
# Usage: installer-on-wine.sh EMULATOR INSTALLER WORK_DIR [COMMAND ARG...]
set -euo pipefail
export LC_ALL=C.UTF-8
emulator=$1 installer=$2 work=$3
shift 3
fail() { echo "FAIL: $*" >&2; exit 1; }
: "${WINEPREFIX:?the Wine prefix to install into}"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
drive_c=$WINEPREFIX/drive_c
folder="$drive_c/Program Files/LUM_Brevix"
program="$folder/bin/LUM_Brevix.exe"
rm -rf "$work" && mkdir -p "$work"

# The prefix's files and registry keys with their values. Stopping the Wine
# server writes the registry to its files. Left out: temporary files, the
# keys' time stamps, Wine's own records of windows, fonts, devices and network
# cards, which it renews as programs start; the removal at the next start of
# the uninstaller's copy in the temporary folder, which it cannot delete
# while it runs; and the folder last visited in a file chooser, which Qt
# keeps for the user in Software\QtProject, shared by all Qt programs.
snapshot() {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w
  (cd "$drive_c" && find . -path '*/Temp' -prune -o -path './windows/temp' -prune -o -print | sort)
  cat "$WINEPREFIX"/{system,user,userdef}.reg |
    sed -e 's/^\(\[.*\]\) [0-9]*$/\1/' -e '/^#time=/d' |
    awk '/^\[/ {volatile = $0 ~ /^\[(Software\\\\Wine|System\\\\CurrentControlSet\\\\(Enum|Control\\\\(Class|DeviceClasses|Video))|Hardware\\\\|Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion\\\\(Fonts|NetworkCards)|Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer|Software\\\\QtProject\\\\)/}
         !volatile' |
    perl -ne 'if (/^"PendingFileRenameOperations"=str\(7\):"(.*)"$/) {
                (my $rest = $1) =~ s/\\\\\?\?\\\\(?:[^"\\]|\\\\)*?\\\\Temp\\\\~nsu\d+\.tmp(?:\\\\Un\.exe)?\\0\\0//g;
                next if $rest eq "";
              }
              print'
}
# The default value of .xml in a snapshot: the program that opens it.
xml_default() { awk '/^\[/ {in_key = ($0 == "[Software\\\\Classes\\\\.xml]")} in_key && /^@=/' "$1"; }
# The default value of a registry key, which must have one.
registry_value() {
  { "$emulator" reg query "$1" /ve 2>/dev/null || true; } | tr -d '\r' | awk -F'    ' 'NF >= 4 {print $4}'
}

"$emulator" cmd /c exit  # sets a new prefix up
snapshot >"$work/before.txt"

echo "installing silently: $(basename "$installer")"
"$emulator" "$installer" /S || fail "the installer ended with status $?"
[ -f "$program" ] && [ -f "$folder/bin/lum-brevix.exe" ] || fail "no LUM_Brevix.exe and lum-brevix.exe in $folder/bin"
find "$drive_c" -path '*/Start Menu/Programs/LUM_Brevix/LUM_Brevix.lnk' | grep -q . || fail "no Start-menu entry LUM_Brevix"
find "$drive_c" -path '*/SendTo/LUM_Brevix.lnk' | grep -q . || fail "no Send-to entry"
open_command=$(registry_value 'HKCR\Applications\LUM_Brevix.exe\shell\open\command')
[ "$open_command" == '"C:\Program Files\LUM_Brevix\bin\LUM_Brevix.exe" "%1"' ] ||
  fail "the Open-with command is '$open_command'"
"$emulator" reg query 'HKCR\.xml\OpenWithList\LUM_Brevix.exe' >/dev/null 2>&1 || fail "not offered for .xml"
snapshot >"$work/installed.txt"
[ "$(xml_default "$work/installed.txt")" == "$(xml_default "$work/before.txt")" ] || fail "made the default program of .xml"
echo "  $(du -sk "$folder" | cut -f1) KiB installed in $(find "$folder" -type f | wc -l) files"

source_file="$work/Přijaté faktury/faktura.xml"
mkdir -p "$(dirname "$source_file")"
printf '<a><b>č</b></a>' >"$source_file"
"$emulator" "$folder/bin/lum-brevix.exe" "Z:${source_file//\//\\}" >/dev/null || fail "the installed lum-brevix.exe failed"
cmp "${source_file}_LUM.XML" <(perl -0777 -pe 's/>/>\r\n/g' "$source_file") || fail "the installed lum-brevix.exe's copy differs"

if [ $# -gt 0 ]; then
  "$@" "$folder/bin"
fi

echo "uninstalling silently"
# The uninstaller copies itself to the temporary folder as Au_.exe and ends;
# the copy does the work.
"$emulator" "$folder/Uninstall.exe" /S || fail "the uninstaller ended with status $?"
for _ in $(seq 600); do
  [ ! -d "$folder" ] && ! pgrep -f 'Au_\.exe' >/dev/null && break
  sleep 0.1
done
snapshot >"$work/after.txt"
diff "$work/before.txt" "$work/after.txt" || fail "the uninstaller left the changes above"
echo "installed, ran and uninstalled without a trace"
