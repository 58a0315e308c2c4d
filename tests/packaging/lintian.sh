#!/usr/bin/env bash
# Runs lintian on the package that debian-package.sh left in PACKAGE_DIR:
# no error and no warning. Exits 77 (skipped) where lintian is not installed.
# Usage: lintian.sh PACKAGE_DIR
set -euo pipefail
package_dir=$1

if ! command -v lintian >/dev/null; then
  echo "SKIPPED: lintian is not installed (apt-get install lintian)"
  exit 77
fi
package=$(find "$package_dir" -maxdepth 1 -name '*.deb')
[ "$(printf '%s\n' "$package" | grep -c .)" -eq 1 ] || { echo "FAIL: not one .deb in $package_dir" >&2; exit 1; }
lintian --version
lintian --fail-on error,warning --display-info "$package"
echo "lintian: no error, no warning in $(basename "$package")"
