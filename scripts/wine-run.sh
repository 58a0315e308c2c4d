#!/usr/bin/env bash
# Runs a Windows program under Wine: the emulator of the mingw-w64 build.
# The program sees a Czech Windows, ANSI code page 1250 as the program's users
# have it: Wine takes the Windows locale from the Linux one, cs_CZ.UTF-8,
# which is compiled into a private folder when the system lacks it (that
# needs Debian's locales package). WINEPREFIX defaults to a private prefix in
# the temporary folder; a new prefix is set up on first use.
# Usage: scripts/wine-run.sh PROGRAM.exe [ARG...]
set -euo pipefail
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
cache=${TMPDIR:-/tmp}/lum-brevix-$(id -u)
export WINEPREFIX=${WINEPREFIX:-$cache-wine}
# Wine's own errors stay visible; its notes on unfinished functions do not.
export WINEDEBUG=${WINEDEBUG:-fixme-all}
# No Mono or Gecko installers when the prefix is created.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
czech=cs_CZ.UTF-8

if [ "$(LC_ALL=$czech locale charmap 2>/dev/null)" != UTF-8 ]; then
  export LOCPATH=$cache-locale
fi
ready=$WINEPREFIX/.lum-brevix-ready
if [ ! -f "$ready" ] || { [ -n "${LOCPATH:-}" ] && [ ! -d "$LOCPATH/$czech" ]; }; then
  # One set-up at a time: programs started in parallel wait for it.
  exec 9>"$cache.lock"
  flock 9
  if [ -n "${LOCPATH:-}" ] && [ ! -d "$LOCPATH/$czech" ]; then
    mkdir -p "$LOCPATH"
    localedef -i cs_CZ -f UTF-8 "$LOCPATH/$czech"
  fi
  if [ ! -f "$ready" ]; then
    # Quietly: the services it starts have nothing to say about the tests.
    env LC_ALL=$czech WINEDEBUG=-all "$wine" wineboot --init
    touch "$ready"
  fi
  exec 9>&-
fi
exec env LC_ALL=$czech "$wine" "$@"
