#!/usr/bin/env bash
# Times the reformat job (bench/reformat_bench.cpp, a process that calls
# ReformatFile) beside `cat` and the plain C loop of bench/c_loop.c, on
# one-line XML, a dense worst case, a file without '>' and an empty file.
# Every output is checked byte for byte against one made here independently.
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

cmake -S . -B "$build_dir" -DBREVIX_BUILD_BENCH=ON -DBREVIX_BUILD_TESTS=OFF -DBREVIX_WITH_QT=OFF \
  -DBREVIX_WERROR=ON -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
cmake --build "$build_dir" --target reformat_bench reformat_c_loop --parallel "$(nproc)" >/dev/null

work=$(mktemp -d "${WORK_DIR:-${TMPDIR:-/tmp}}/reformat-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$rounds" "$build_dir/bench/reformat_bench" "$build_dir/bench/reformat_c_loop" <<'PY'
import filecmp, os, platform, re, statistics, subprocess, sys, time

work, rounds, engine, c_loop = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4]
MiB = 1 << 20


def one_line(path):
    """The document without its prolog and without whitespace between tags."""
    text = open(path, 'rb').read()
    text = re.sub(rb'<\?xml.*?\?>', b'', text, count=1, flags=re.S)
    text = re.sub(rb'<!DOCTYPE[^\[>]*(\[.*?\])?\s*>', b'', text, count=1, flags=re.S)
    return re.sub(rb'>\s+<', b'><', text).strip()


def write(name, unit, size, head=b'', tail=b''):
    path = os.path.join(work, name)
    with open(path, 'wb') as out:
        out.write(head)
        written = len(head)
        while written < size:
            out.write(unit)
            written += len(unit)
        out.write(tail)
    return path


inputs = []
for label, path in (('mime', '/usr/share/mime/packages/freedesktop.org.xml'),
                    ('vk', '/usr/share/vulkan/registry/vk.xml')):
    if os.path.exists(path):
        body = one_line(path)
        for mib in (16, 256):
            inputs.append(write(f'{label}-{mib}M.xml', body, mib * MiB,
                                b'<?xml version="1.0" encoding="UTF-8"?><bench>', b'</bench>'))
inputs.append(write('dense-64M.xml', b'<a>' * 4096, 64 * MiB))
inputs.append(write('no-gt-256M.txt', bytes(range(32, 62)) * 4096, 256 * MiB))  # printable bytes below '>'
inputs.append(write('empty.xml', b'', 0))  # starting the process and opening the files

expected = {}
for source in inputs:
    expected[source] = source + '.expected'
    with open(source, 'rb') as src, open(expected[source], 'wb') as out:
        while chunk := src.read(MiB):
            out.write(chunk.replace(b'>', b'>\r\n'))

output = os.path.join(work, 'out')
commands = {
    'engine': lambda source: ([engine, source, output], None),
    'C loop': lambda source: ([c_loop, source, output], None),
    'cat': lambda source: (['cat', source], output),
}


memory = os.path.join(work, 'memory')


def run(tool, source):
    """Wall ms, CPU ms and peak KiB of one run. The program runs under
    /usr/bin/time, whose own small footprint is all that its peak carries
    over from before the program starts (a child of this Python process
    would carry Python's); the same few hundred microseconds of its own are in
    every program's times."""
    if os.path.exists(output):
        os.remove(output)
    argv, stdout_path = commands[tool](source)
    stdout = open(stdout_path, 'wb') if stdout_path else subprocess.DEVNULL
    start = time.perf_counter()
    process = subprocess.Popen(['/usr/bin/time', '-f', '%M', '-o', memory] + argv, stdout=stdout)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if stdout_path:
        stdout.close()
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f'{tool} failed on {source}')
    return wall * 1000, (usage.ru_utime + usage.ru_stime) * 1000, int(open(memory).read().split()[-1])


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
