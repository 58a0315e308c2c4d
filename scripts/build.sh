#!/usr/bin/env bash
# Configures and builds into ${BUILD_DIR:-build}: everything, or only
# ${BUILD_TARGET} where that is set. Extra arguments go to CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -DBREVIX_WERROR=ON "$@"
cmake --build "$build_dir" --parallel "$(nproc)" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
