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
folders=(faktury "faktury/2026 prosinec" faktury/dodací)
files=500  # in each folder
for folder in "${folders[@]}"; do
  mkdir -p "$folder"
  for i in $(seq $files); do printf '<doklad č="%d"><řádek/></doklad>' "$i" >"$folder/doklad $i.xml"; done
done
eval "$command"
for folder in "${folders[@]}"; do
  for i in $(seq $files); do
    copy=
    IFS= read -r -d '' copy <"$folder/doklad $i.xml_LUM.XML" || true
    printf -v expected '<doklad č="%d">\r\n<řádek/>\r\n</doklad>\r\n' "$i"
    [ "$copy" = "$expected" ] || { echo "FAIL: $folder/doklad $i.xml_LUM.XML"; exit 1; }
  done
done
written=$(find faktury -type f | wc -l)
[ "$written" -eq $((2 * files * ${#folders[@]})) ] || { echo "FAIL: $written files, not each source and its copy"; exit 1; }
echo "many files: ${#folders[@]} folders of $files files, each copy right"
