#!/usr/bin/env bash
# lum-brevix.exe as a Windows user runs it, under the emulator: a Czech name
# given as a Windows path over an earlier copy, standard input to standard
# output with no text-mode translation, a missing file, the version. Each
# copy is checked against its source with CR LF put after every ">" here.
# Usage: lum-brevix-on-windows.sh EMULATOR LUM_BREVIX_EXE WORK_DIR VERSION
set -euo pipefail
emulator=$1 program=$2 work=$3 version=$4
fail() { echo "FAIL: $*" >&2; exit 1; }
reformatted() { perl -0777 -pe 's/>/>\r\n/g' "$1"; }
run() { "$emulator" "$program" "$@" 2>&1; }
rm -rf "$work" && mkdir -p "$work/Účetnictví" && cd "$work"
source='Účetnictví/faktura č. 7.xml'
printf '<?xml version="1.0"?><faktura><položka cena="7">Žluťoučký kůň</položka></faktura>' >"$source"
printf 'an earlier copy, longer than the new one will be %100s' . >"${source}_LUM.XML"
run 'Účetnictví\faktura č. 7.xml' || fail "exit status $?"
cmp "${source}_LUM.XML" <(reformatted "$source") || fail "the copy differs"
[ "$(ls Účetnictví | wc -l)" -eq 2 ] || fail "the folder holds more than the source and its copy: $(ls Účetnictví)"
# LF, CR LF, Ctrl-Z and NUL pass as they are.
printf '<a>\n<b>\r\n\032<c/>\000>x' >bytes.bin
"$emulator" "$program" -o - - <bytes.bin >bytes.out || fail "exit status $? with a pipe"
cmp bytes.out <(reformatted bytes.bin) || fail "the pipe's copy differs"
status=0 && output=$(run 'chybí.xml') || status=$?
[[ $status -eq 1 && $output == *'chybí.xml: 53-Soubor nebyl nalezen'* && ! -e 'chybí.xml_LUM.XML' ]] ||
  fail "a missing file: status $status, $output"
[ "$(run --version | tr -d '\r')" = "lum-brevix $version" ] || fail "--version said: $(run --version)"
