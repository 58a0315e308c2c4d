#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build and the tests need, only those
# that are missing; with --window first, only what building and running the
# window program needs. Extra package names may be passed as arguments.
set -euo pipefail

packages=(cmake make g++ pkgconf qt6-base-dev qt6-translations-l10n libgl-dev fonts-dejavu-core)
if [ "${1:-}" = --window ]; then
  shift
else
  packages+=(libgtest-dev xvfb xauth xdotool x11-utils
             python3 desktop-file-utils appstream dpkg-dev help2man lintian
             libclang-rt-14-dev)
fi
packages+=("$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
