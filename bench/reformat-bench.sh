#!/usr/bin/env bash
# Times the reformat job (bench/reformat_bench.cpp, a process that calls
# ReformatFile) beside `cat` and the plain C loop of bench/c_loop.c, on
# one-line XML, a dense worst case and a file without '>'. Every output is
# checked byte for byte; the table (Markdown) gives median wall times over the
# rounds and each program's peak resident memory.
#
#   bench/reformat-bench.sh [ROUNDS]        (default 5)
#
# WORK_DIR: where the inputs and outputs go (default: a fresh folder under
# ${TMPDIR:-/tmp}, removed at the end); /dev/shm leaves the disk out.
# BUILD_DIR: the build folder (default build-reformat-bench); BUILD_TYPE: the
# CMake build type (default RelWithDebInfo, what the project builds by default).
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
build_dir=${BUILD_DIR:-build-reformat-bench}
build_type=${BUILD_TYPE:-RelWithDebInfo}

cmake -S . -B "$build_dir" -DBREVIX_BUILD_BENCH=ON -DBREVIX_BUILD_TESTS=OFF -DBREVIX_WITH_QT=OFF \
  -DBREVIX_WERROR=ON -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
cmake --build "$build_dir" --target reformat_bench reformat_c_loop --parallel "$(nproc)" >/dev/null
engine=$build_dir/bench/reformat_bench
c_loop=$build_dir/bench/reformat_c_loop

if [[ -n ${WORK_DIR:-} ]]; then
  work=$(mktemp -d "$WORK_DIR/reformat-bench.XXXXXX")
else
  work=$(mktemp -d)
fi
trap 'rm -rf "$work"' EXIT

# The inputs, and for each the expected output, made independently of both
# programs under test.
python3 - "$work" <<'PY'
import os, re, sys

work = sys.argv[1]
MiB = 1 << 20

def one_line(path):
    """The document without its prolog and without whitespace between tags."""
    text = open(path, 'rb').read()
    text = re.sub(rb'<\?xml.*?\?>', b'', text, count=1, flags=re.S)
    text = re.sub(rb'<!DOCTYPE[^\[>]*(\[.*?\])?\s*>', b'', text, count=1, flags=re.S)
    return re.sub(rb'>\s+<', b'><', text).strip()

def write(name, unit, size, head=b'', tail=b''):
    with open(os.path.join(work, name), 'wb') as out:
        out.write(head)
        written = len(head)
        while written < size:
            out.write(unit)
            written += len(unit)
        out.write(tail)

for label, path in (('mime', '/usr/share/mime/packages/freedesktop.org.xml'),
                    ('vk', '/usr/share/vulkan/registry/vk.xml')):
    if os.path.exists(path):
        body = one_line(path)
        for mib in (16, 256):
            write(f'{label}-{mib}M.xml', body, mib * MiB,
                  b'<?xml version="1.0" encoding="UTF-8"?><bench>', b'</bench>')
write('dense-64M.xml', b'<a>' * 4096, 64 * MiB)
write('no-gt-256M.txt', bytes(range(32, 62)) * 4096, 256 * MiB)  # every printable byte below '>'

for name in sorted(os.listdir(work)):
    with open(os.path.join(work, name), 'rb') as src, open(os.path.join(work, name + '.expected'), 'wb') as out:
        while chunk := src.read(MiB):
            out.write(chunk.replace(b'>', b'>\r\n'))
PY

now_ns() { date +%s%N; }

# Runs one program on one input; prints "milliseconds peak-KiB".
run() {
  local tool=$1 source=$2 output=$3 memory=$work/memory start end
  rm -f "$output"
  start=$(now_ns)
  case $tool in
    engine) /usr/bin/time -f %M -o "$memory" "$engine" "$source" "$output" ;;
    c_loop) /usr/bin/time -f %M -o "$memory" "$c_loop" "$source" "$output" ;;
    cat) /usr/bin/time -f %M -o "$memory" cat "$source" >"$output" ;;
  esac
  end=$(now_ns)
  echo "$(((end - start) / 1000000)) $(cat "$memory")"
}

median() { tr ' ' '\n' | sort -n | awk 'NF { v[++n] = $1 } END { print v[int((n + 1) / 2)] }'; }

tools=(engine c_loop cat)
echo "| input | MiB | engine ms | C loop ms | cat ms | engine MiB/s | engine KiB | C loop KiB | cat KiB |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|"
for source in "$work"/*.xml "$work"/*.txt; do
  name=$(basename "$source")
  output=$work/out
  declare -A times=() peaks=()
  for ((round = 1; round <= rounds; round++)); do
    for tool in "${tools[@]}"; do
      read -r ms kib < <(run "$tool" "$source" "$output")
      times[$tool]+="$ms "
      if ((kib > ${peaks[$tool]:-0})); then peaks[$tool]=$kib; fi
      if ((round == 1)); then
        expected=$source.expected
        [[ $tool == cat ]] && expected=$source
        cmp -s "$output" "$expected" || { echo "$tool: wrong output for $name" >&2; exit 1; }
      fi
    done
  done
  rm -f "$output"
  bytes=$(stat -c %s "$source")
  engine_ms=$(median <<<"${times[engine]}")
  echo "| $name | $((bytes >> 20)) | $engine_ms | $(median <<<"${times[c_loop]}") | $(median <<<"${times[cat]}") |" \
    "$((bytes * 1000 / (engine_ms > 0 ? engine_ms : 1) >> 20)) | ${peaks[engine]} | ${peaks[c_loop]} | ${peaks[cat]} |"
done
echo
echo "$rounds rounds, medians; $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) CPUs, Linux $(uname -r);" \
  "work folder on $(stat -f -c %T "$work"); build type $build_type."
