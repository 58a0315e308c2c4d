#!/usr/bin/env bash
# Sets the throughput of the Base64 codec against GNU coreutils base64 on the
# same random bytes (1 KiB, 1 MiB and 64 MiB) and prints a Markdown table.
#
#   bench/base64-compare.sh            # builds into ${BUILD_DIR:-build-bench}
#
# The codec is timed in-process by Google Benchmark (bench/Base64Bench.cpp).
# coreutils is timed as whole processes: `base64 -w 0` encodes the bytes,
# `base64 -d` decodes them from lines of 72 digits (it takes no CR, so its
# lines end in LF where the codec's end in CR LF). Rates are MB/s (10^6 bytes)
# of each call's input: the bytes for encoding, the Base64 text for decoding.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-bench}

cmake -S . -B "$build_dir" -DBREVIX_BUILD_BENCH=ON -DBREVIX_WITH_QT=OFF -DBREVIX_BUILD_TESTS=OFF \
  -DBREVIX_WERROR=ON >/dev/null
cmake --build "$build_dir" --target base64_bench --parallel "$(nproc)" >/dev/null

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
sizes=(1024 1048576 67108864)
for size in "${sizes[@]}"; do
  head -c "$size" /dev/urandom >"$data/$size.bin"
  base64 -w 72 "$data/$size.bin" >"$data/$size.b64"
done

# Mean MB/s of `base64 ARGS < FILE` over RUNS whole runs.
coreutils_rate() {
  local runs=$1 file=$2
  shift 2
  local start end
  start=$(date +%s%N)
  for ((run = 0; run < runs; ++run)); do base64 "$@" <"$file" >/dev/null; done
  end=$(date +%s%N)
  awk -v bytes="$(stat -c %s "$file")" -v runs="$runs" -v ns=$((end - start)) \
    'BEGIN { printf "%.1f", bytes * runs / ns * 1000 }'
}

declare -A runs=([1024]=300 [1048576]=100 [67108864]=5)
declare -A core_encode core_decode
for size in "${sizes[@]}"; do
  core_encode[$size]=$(coreutils_rate "${runs[$size]}" "$data/$size.bin" -w 0)
  core_decode[$size]=$(coreutils_rate "${runs[$size]}" "$data/$size.b64" -d)
done

# Google Benchmark's CSV: name,iterations,real_time,cpu_time,time_unit,bytes_per_second,...
csv=$(BREVIX_BENCH_DATA=$data "$build_dir/bench/base64_bench" --benchmark_format=csv 2>/dev/null)
codec_rate() {
  awk -F, -v name="\"$1\"" '$1 == name { printf "%.1f", $6 / 1e6 }' <<<"$csv"
}

label() {
  case $1 in
    1024) echo "1 KiB" ;;
    1048576) echo "1 MiB" ;;
    67108864) echo "64 MiB" ;;
  esac
}

echo "| text | Encode | \`base64 -w 0\` | Decode | \`base64 -d\` |"
echo "|---|---:|---:|---:|---:|"
for size in "${sizes[@]}"; do
  echo "| $(label "$size") | $(codec_rate "Base64Encode/$size/real_time") | ${core_encode[$size]}" \
    "| $(codec_rate "Base64Decode/$size/real_time") | ${core_decode[$size]} |"
done
