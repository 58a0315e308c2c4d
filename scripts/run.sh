#!/usr/bin/env bash
# Installs what building the window program needs, builds that program alone
# (scripts/test.sh builds the rest) and starts it; arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
scripts/install-deps.sh --window
BUILD_TARGET=LUM_Brevix scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run.sh: no display to open the window on (DISPLAY is not set); to run it headless: scripts/with-xvfb.sh $build_dir/LUM_Brevix" >&2
  exit 1
fi
exec "$build_dir/LUM_Brevix" "$@"
