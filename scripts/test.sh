#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless. The
# benchmarks are built too, so that a change that breaks them shows here.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh libbenchmark-dev
scripts/build.sh -DBREVIX_BUILD_TESTS=ON -DBREVIX_BUILD_BENCH=ON -DBREVIX_MAN_PAGES=ON -DBREVIX_PACKAGE=ON
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure --parallel "$(nproc)"
