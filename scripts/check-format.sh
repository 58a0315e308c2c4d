#!/usr/bin/env bash
# Checks that the tracked C++ files (*.cpp, *.h) are formatted as .clang-format
# says. Changes nothing: prints the files that differ and exits with status 1;
# 0 when all match, 2 when clang-format itself fails. `clang-format -i FILE`
# formats a file, `clang-format FILE | diff FILE -` shows what would change.
# The repository holds no generated or third-party C++ code, so every tracked
# file is checked.
#
#   scripts/check-format.sh [FILE...]        (default: every tracked C++ file)
#
# CLANG_FORMAT: the program (default clang-format). The style is set for
# version 14; other versions may break some lines differently.
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=${CLANG_FORMAT:-clang-format}

if ! command -v "$clang_format" >/dev/null; then
  echo "$0: $clang_format not found (Debian: apt-get install clang-format)" >&2
  exit 2
fi
if [ $# -gt 0 ]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
fi

differing=()
for file in "${files[@]}"; do
  # --dry-run -Werror fails a file that formatting would change; any other
  # failure (an unreadable file, a broken .clang-format) is reported as such.
  if ! said=$("$clang_format" --dry-run -Werror --ferror-limit=1 --style=file "$file" 2>&1); then
    if [[ $said == *"[-Wclang-format-violations]"* ]]; then
      differing+=("$file")
    else
      echo "$0: $clang_format failed on $file:" >&2
      echo "$said" >&2
      exit 2
    fi
  fi
done

if [ ${#differing[@]} -gt 0 ]; then
  echo "Not formatted as .clang-format says (${#differing[@]} of ${#files[@]} files):" >&2
  printf '  %s\n' "${differing[@]}" >&2
  exit 1
fi
echo "All ${#files[@]} C++ files formatted as .clang-format says."
