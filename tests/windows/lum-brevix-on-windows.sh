#!/usr/bin/env bash
# lum-brevix.exe as a Windows user runs it, under the emulator, where only the
# real process shows it (its options and messages are tested in-process): a
# Czech name given as a Windows path over an earlier copy, standard input to
# standard output with no text-mode translation. Each copy is checked against
# its source with CR LF put after every ">" here.
# Usage: lum-brevix-on-windows.sh EMULATOR LUM_BREVIX_EXE WORK_DIR
set -euo pipefail
emulator=$1 program=$2 work=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
reformatted() { perl -0777 -pe 's/>/>\r\n/g' "$1"; }
rm -rf "$work" && mkdir -p "$work/Účetnictví" && cd "$work"
source='Účetnictví/faktura č. 7.xml'
printf '<?xml version="1.0"?><faktura><položka cena="7">Žluťoučký kůň</položka></faktura>' >"$source"
printf 'an earlier copy, longer than the new one will be %100s' . >"${source}_LUM.XML"
"$emulator" "$program" 'Účetnictví\faktura č. 7.xml' || fail "exit status $?"
cmp "${source}_LUM.XML" <(reformatted "$source") || fail "the copy differs"
[ "$(ls Účetnictví | wc -l)" -eq 2 ] || fail "the folder holds more than the source and its copy: $(ls Účetnictví)"
# LF, CR LF, Ctrl-Z and NUL pass as they are.
printf '<a>\n<b>\r\n\032<c/>\000>x' >bytes.bin
"$emulator" "$program" -o - - <bytes.bin >bytes.out || fail "exit status $? with a pipe"
cmp bytes.out <(reformatted bytes.bin) || fail "the pipe's copy differs"
