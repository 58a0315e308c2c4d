#!/usr/bin/env bash
# CI after scripts/test.sh: every test again in the sanitized build, then each
# fuzzer for ${FUZZ_SECONDS:-20} seconds. Prints how long each part took.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
scripts/test-sanitized.sh
echo "reliability: sanitized build and tests took $((SECONDS - start)) s"
start=$SECONDS
scripts/fuzz.sh all "${FUZZ_SECONDS:-20}"
echo "reliability: fuzzers took $((SECONDS - start)) s"
