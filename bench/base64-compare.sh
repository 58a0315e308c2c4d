#!/usr/bin/env bash
# Sets the throughput of the Base64 codec against GNU coreutils base64 on the
# same random bytes (1 MiB and 64 MiB, each also one and two bytes longer, so
# that every remainder modulo 3 is there) and prints a Markdown table.
#
#   bench/base64-compare.sh            # builds into ${BUILD_DIR:-build-bench}
#
# The codec is timed in-process by Google Benchmark (bench/Base64Bench.cpp),
# each call on a fresh argument, as a program that has just made the text.
# coreutils is timed as whole processes: `base64 -w 0` encodes the bytes,
# `base64 -d` decodes them from lines of 72 digits (it takes no CR, so its
# lines end in LF where the codec's end in CR LF). Rates are MB/s (10^6 bytes)
# of each call's input: the bytes for encoding, the Base64 text for decoding;
# each is the median of seven rounds.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-bench}

scripts/install-deps.sh libbenchmark-dev
cmake -S . -B "$build_dir" -DBREVIX_BUILD_BENCH=ON -DBREVIX_WITH_QT=OFF -DBREVIX_BUILD_TESTS=OFF \
  -DBREVIX_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target base64_bench --parallel "$(nproc)" >/dev/null

data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
sizes=(1048576 1048577 1048578 67108864 67108865 67108866)
for size in "${sizes[@]}"; do
  head -c "$size" /dev/urandom >"$data/$size.bin"
  base64 -w 72 "$data/$size.bin" >"$data/$size.b64"
done

# MB/s of `base64 ARGS < FILE`: seven batches of RUNS whole runs each, the
# median batch.
coreutils_rate() {
  local runs=$1 file=$2
  shift 2
  local bytes run start end
  bytes=$(stat -c %s "$file")
  for _ in 1 2 3 4 5 6 7; do
    start=$(date +%s%N)
    for ((run = 0; run < runs; ++run)); do base64 "$@" <"$file" >/dev/null; done
    end=$(date +%s%N)
    awk -v bytes="$bytes" -v runs="$runs" -v ns=$((end - start)) 'BEGIN { print bytes * runs / ns * 1000 }'
  done | sort -g | awk 'NR == 4 { printf "%.1f", $1 }'
}

declare -A runs=([1048576]=20 [1048577]=20 [1048578]=20 [67108864]=2 [67108865]=2 [67108866]=2)
declare -A core_encode core_decode
for size in "${sizes[@]}"; do
  core_encode[$size]=$(coreutils_rate "${runs[$size]}" "$data/$size.bin" -w 0)
  core_decode[$size]=$(coreutils_rate "${runs[$size]}" "$data/$size.b64" -d)
done

# Google Benchmark's CSV: name,iterations,real_time,cpu_time,time_unit,bytes_per_second,...
# Seven repetitions, the median. The second run has glibc keep freed memory
# for the next call instead of handing it back to the system, so that the
# codec works in memory that is already mapped.
codec_run() {
  env "$@" BREVIX_BENCH_DATA="$data" "$build_dir/bench/base64_bench" --benchmark_format=csv \
    --benchmark_repetitions=7 --benchmark_report_aggregates_only=true 2>/dev/null
}
fresh=$(codec_run)
kept=$(codec_run GLIBC_TUNABLES=glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=18446744073709551615)
codec_rate() {
  awk -F, -v name="\"$2/real_time_median\"" '$1 == name { printf "%.1f", $6 / 1e6 }' <<<"$1"
}

label() {
  case $1 in
    1048576) echo "1 Mi" ;;
    67108864) echo "64 Mi" ;;
    *) echo "$1" ;;
  esac
}

echo "| text | Encode | \`base64 -w 0\` | Decode | \`base64 -d\` | Encode, memory kept | Decode, memory kept |"
echo "|---|---:|---:|---:|---:|---:|---:|"
for size in "${sizes[@]}"; do
  echo "| $(label "$size") | $(codec_rate "$fresh" "Base64Encode/$size") | ${core_encode[$size]}" \
    "| $(codec_rate "$fresh" "Base64Decode/$size") | ${core_decode[$size]}" \
    "| $(codec_rate "$kept" "Base64Encode/$size") | $(codec_rate "$kept" "Base64Decode/$size") |"
done
