#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# ${BUILD_DIR:-build-asan} and runs every test there, headless. A memory error,
# a leak or undefined behaviour fails the test that meets it; the only leaks
# let pass are those of other libraries listed in tests/sanitizer/lsan.supp.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
export BUILD_DIR=${BUILD_DIR:-build-asan}
scripts/build.sh -DBREVIX_BUILD_TESTS=ON -DBREVIX_BUILD_BENCH=OFF -DBREVIX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp
ctest --test-dir "$BUILD_DIR" --output-on-failure --parallel "$(nproc)"
