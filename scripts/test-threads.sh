#!/usr/bin/env bash
# Builds the rooms below the window, lum-brevix and their tests with
# ThreadSanitizer into ${BUILD_DIR:-build-tsan} and runs the tests of the
# rooms with threads (the job and the command line) and the fault tests (which start lum-brevix, built the same way). The first data
# race or other thread error ends the program that meets it, and so fails
# the run. The window is left out: Qt's libraries are not built with
# ThreadSanitizer, which cannot see their locks and would report races that
# are none.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
scripts/install-deps.sh
build_dir=${BUILD_DIR:-build-tsan}
cmake -S . -B "$build_dir" -DBREVIX_WERROR=ON -DBREVIX_WITH_QT=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread
programs=(brevix_platform_tests brevix_reformat_tests brevix_cli_tests brevix_cli_fault_tests)
cmake --build "$build_dir" --parallel "$(nproc)" --target "${programs[@]}"
# The programs the tests start inherit the options.
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
for program in "${programs[@]}"; do
  "$build_dir/tests/$program"
done
echo "threads: ThreadSanitizer build and tests took $((SECONDS - start)) s"
