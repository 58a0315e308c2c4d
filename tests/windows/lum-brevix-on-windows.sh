#!/usr/bin/env bash
# lum-brevix.exe as a Windows user runs it, under the emulator: Czech names
# given as Windows paths, an earlier copy replaced, standard input to
# standard output without any text-mode translation, a missing file, the
# version. Each copy is checked against the source with CR LF put after
# every ">" here.
# Usage: lum-brevix-on-windows.sh EMULATOR LUM_BREVIX_EXE WORK_DIR VERSION
set -euo pipefail
emulator=$1 program=$2 work=$3 version=$4

fail() { echo "FAIL: $*" >&2; exit 1; }
reformatted() { python3 -c 'import sys; d = sys.stdin.buffer.read(); sys.stdout.buffer.write(d.replace(b">", b">\r\n"))'; }
run() { "$emulator" "$program" "$@"; }

rm -rf "$work"
mkdir -p "$work/Účetnictví"
cd "$work"

# A file in a Czech folder, named as Windows names it, over an earlier copy.
source='Účetnictví/faktura č. 7.xml'
printf '<?xml version="1.0"?><faktura><položka cena="7">Žluťoučký kůň</položka></faktura>' >"$source"
printf 'earlier copy, longer than the new one will be ........................................................' \
  >"$source"_LUM.XML
run 'Účetnictví\faktura č. 7.xml' >out.txt 2>&1 || fail "exit status $?: $(cat out.txt)"
cmp "$source"_LUM.XML <(reformatted <"$source") || fail "the copy of $source differs"
[ "$(ls -A Účetnictví | sort)" = "$(printf '%s\n' 'faktura č. 7.xml' 'faktura č. 7.xml_LUM.XML')" ] ||
  fail "the folder holds more than the source and its copy: $(ls -A Účetnictví)"

# Standard input to standard output, byte for byte: LF, CR LF, Ctrl-Z and NUL
# pass as they are.
printf '<a>\n<b>\r\n\032<c/>\000>x' >bytes.bin
run -o - - <bytes.bin >bytes.out 2>err.txt || fail "exit status $? from a pipe: $(cat err.txt)"
cmp bytes.out <(reformatted <bytes.bin) || fail "the pipe's copy differs"

# A missing file: status 1 and the error in Czech; nothing is created.
status=0
run 'chybí.xml' >out.txt 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "a missing file gave status $status"
grep -q 'chybí.xml: 53-Soubor nebyl nalezen' out.txt || fail "no error 53 for the missing file: $(cat out.txt)"
[ ! -e 'chybí.xml_LUM.XML' ] || fail "a copy of a missing file was created"

run --version >out.txt 2>&1
grep -qx "lum-brevix $version" <(tr -d '\r' <out.txt) || fail "--version said: $(cat out.txt)"

echo "lum-brevix.exe: Czech Windows paths, replacement, binary pipe, missing file and version as expected"
