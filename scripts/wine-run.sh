#!/usr/bin/env bash
# Runs a Windows program under Wine: the emulator of the mingw-w64 build.
# The program sees a Czech Windows, ANSI code page 1250 as the program's users
# have it: Wine takes the Windows locale from the Linux one, cs_CZ.UTF-8,
# which is compiled into a private folder when the system lacks it (that
# needs Debian's locales package). WINEPREFIX defaults to a private prefix in
# the temporary folder. Usage: scripts/wine-run.sh PROGRAM.exe [ARG...]
set -euo pipefail
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
export WINEPREFIX=${WINEPREFIX:-${TMPDIR:-/tmp}/lum-brevix-wine-$(id -u)}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers when the prefix is created.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

czech=cs_CZ.UTF-8
if [ "$(LC_ALL=$czech locale charmap 2>/dev/null)" != UTF-8 ]; then
  export LOCPATH=${TMPDIR:-/tmp}/lum-brevix-locale-$(id -u)
  if [ ! -d "$LOCPATH/$czech" ]; then
    # Compiled aside and moved into place, so that parallel runs agree.
    mkdir -p "$LOCPATH"
    fresh=$(mktemp -d "$LOCPATH/.new.XXXXXX")
    localedef -i cs_CZ -f UTF-8 "$fresh/$czech"
    mv -T "$fresh/$czech" "$LOCPATH/$czech" 2>/dev/null || true
    rm -rf "$fresh"
  fi
fi
exec env LC_ALL=$czech "$wine" "$@"
