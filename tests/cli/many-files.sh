#!/usr/bin/env bash
# The README's command for a folder of many files, word for word as the
# README gives it, over 1500 files in nested folders (names with spaces and
# Czech letters among them): every file gets its right copy, and nothing
# else is written. Usage: many-files.sh FOLDER_OF_LUM_BREVIX README
set -euo pipefail
export PATH=$1:$PATH
command=$(grep -m1 -- '| xargs -0 ' "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
for folder in faktury "faktury/2026 prosinec" faktury/dodací; do
  mkdir -p "$folder" "expected/$folder"
  for i in $(seq 500); do
    printf -v source '<doklad č="%d"><řádek/></doklad>' "$i"
    printf %s "$source" >"$folder/doklad $i.xml"
    printf %s "$source" >"expected/$folder/doklad $i.xml"
    printf '<doklad č="%d">\r\n<řádek/>\r\n</doklad>\r\n' "$i" >"expected/$folder/doklad $i.xml_LUM.XML"
  done
done
eval "$command"
diff -r expected/faktury faktury || { echo "FAIL: the files above differ from the sources and their copies"; exit 1; }
echo "many files: 3 folders of 500 files, each copy right"
