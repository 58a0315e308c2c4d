#!/usr/bin/env bash
# Times the reformat job (bench/reformat_bench.cpp, a process that calls
# ReformatFile) beside `cat` and the plain C loop of bench/c_loop.c, on
# one-line XML, a dense worst case, a file without '>' and an empty file.
# Every output is checked byte for byte against one made here independently.
# The inputs, their expected copies and the timing of a process come from
# bench/benchkit.py, which bench/compare.sh shares.
# Prints a Markdown table: per program the median wall time and the median
# CPU time (user + system) over the rounds, and the peak resident memory.
# The programs take turns within each round, each round starting with the
# next one.
#
#   bench/reformat-bench.sh [ROUNDS]        (default 9)
#
# WORK_DIR: where the inputs and outputs go (default ${TMPDIR:-/tmp}); a fresh
# folder is made there and removed at the end. /dev/shm leaves the disk out.
# BUILD_DIR: the build folder (default build-reformat-bench); BUILD_TYPE: the
# CMake build type (default RelWithDebInfo, what the project builds by default).
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-9}
build_dir=${BUILD_DIR:-build-reformat-bench}
build_type=${BUILD_TYPE:-RelWithDebInfo}

scripts/install-deps.sh libbenchmark-dev
cmake -S . -B "$build_dir" -DBREVIX_BUILD_BENCH=ON -DBREVIX_BUILD_TESTS=OFF -DBREVIX_WITH_QT=OFF \
  -DBREVIX_WERROR=ON -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
cmake --build "$build_dir" --target reformat_bench reformat_c_loop --parallel "$(nproc)" >/dev/null

work=$(mktemp -d "${WORK_DIR:-${TMPDIR:-/tmp}}/reformat-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

PYTHONPATH=bench python3 - "$work" "$rounds" "$build_dir/bench/reformat_bench" "$build_dir/bench/reformat_c_loop" <<'PY'
import filecmp, os, platform, statistics, subprocess, sys

from benchkit import MiB, corpus, measure, write_expected

work, rounds, engine, c_loop = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]

inputs = corpus(work)
expected = {source: write_expected(source) for source in inputs}

output = os.path.join(work, 'out')
commands = {
    'engine': lambda source: ([engine, source, output], None),
    'C loop': lambda source: ([c_loop, source, output], None),
    'cat': lambda source: (['cat', source], output),
}


def run(tool, source):
    """Wall ms, CPU ms and peak KiB of one run."""
    if os.path.exists(output):
        os.remove(output)
    status, wall, cpu, peak = measure(*commands[tool](source))
    if status != 0:
        sys.exit(f'{tool} failed on {source}')
    return wall, cpu, peak


print('| input | MiB | engine wall ms | C loop wall ms | cat wall ms | engine CPU ms | C loop CPU ms'
      ' | cat CPU ms | engine peak KiB | C loop peak KiB | cat peak KiB |')
print('|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|')
for source in inputs:
    walls = {tool: [] for tool in commands}
    cpus = {tool: [] for tool in commands}
    peaks = {tool: 0 for tool in commands}
    tools = list(commands)
    for round_ in range(rounds):
        # Each round starts with another program, so that none always runs
        # right after the same one.
        for tool in tools[round_ % len(tools):] + tools[:round_ % len(tools)]:
            wall, cpu, peak = run(tool, source)
            walls[tool].append(wall)
            cpus[tool].append(cpu)
            peaks[tool] = max(peaks[tool], peak)
            if round_ == 0 and not filecmp.cmp(output, source if tool == 'cat' else expected[source], shallow=False):
                sys.exit(f'{tool}: wrong output for {source}')
    size = os.path.getsize(source)
    row = [os.path.basename(source), f'{size / MiB:.0f}']
    row += [f'{statistics.median(walls[tool]):.1f}' for tool in commands]
    row += [f'{statistics.median(cpus[tool]):.1f}' for tool in commands]
    row += [str(peaks[tool]) for tool in commands]
    print('| ' + ' | '.join(row) + ' |')

cpu = next((line.split(':', 1)[1].strip() for line in open('/proc/cpuinfo') if line.startswith('model name')), '?')
fs = subprocess.run(['stat', '-f', '-c', '%T', work], capture_output=True, text=True).stdout.strip()
print(f'\n{rounds} rounds, medians; {cpu}, {os.cpu_count()} CPUs, Linux {platform.release()}; work folder on {fs}.')
PY
