#!/usr/bin/env bash
# Builds the libFuzzer targets with Clang into ${FUZZ_BUILD_DIR:-build-fuzz} and
# runs one of them, or each in turn, for SECONDS seconds.
# Usage: scripts/fuzz.sh TARGET|all SECONDS
#   TARGET: base64 paths ini copy
# Starts from the seeds in fuzz/corpus/TARGET (and what earlier runs found,
# kept in the build folder); an input that fails is written to
# BUILD/fuzz-artifacts/TARGET/ and the script exits with status 1.
set -euo pipefail
cd "$(dirname "$0")/.."
targets=(base64 paths ini copy)
if [ $# -ne 2 ] || ! [[ $2 =~ ^[0-9]+$ ]]; then
  echo "usage: $0 TARGET|all SECONDS   (TARGET: ${targets[*]})" >&2
  exit 2
fi
if [ "$1" != all ]; then
  [[ " ${targets[*]} " == *" $1 "* ]] || { echo "unknown fuzz target: $1" >&2; exit 2; }
  targets=("$1")
fi
seconds=$2
build_dir=${FUZZ_BUILD_DIR:-build-fuzz}

scripts/install-deps.sh clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBREVIX_WERROR=ON \
  -DBREVIX_WITH_QT=OFF -DBREVIX_BUILD_TESTS=OFF -DBREVIX_BUILD_FUZZERS=ON >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

# The INI fuzzer's settings files go to a folder of the run's own.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
summary=()
for target in "${targets[@]}"; do
  corpus="$build_dir/fuzz-corpus/$target"
  artifacts="$build_dir/fuzz-artifacts/$target"
  log="$build_dir/fuzz-$target.log"
  mkdir -p "$corpus" "$artifacts"
  echo "== fuzz $target for $seconds s"
  status=0
  TMPDIR=$scratch "$build_dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n1 || true)
  if [ "$status" -eq 0 ]; then
    summary+=("$target: ${runs:-?} executions in $seconds s, ${coverage:-cov: ?}, $(ls "$corpus" | wc -l) inputs kept, nothing found")
  else
    failed=1
    summary+=("$target: FAILED (status $status) after ${runs:-?} executions; input in $artifacts/")
    grep -E -A12 'ERROR|property broken|runtime error' "$log" | head -n 40 >&2 || tail -n 40 "$log" >&2
  fi
done
printf '%s\n' "${summary[@]}"
exit "$failed"
