#!/usr/bin/env bash
# Sets lum-brevix (`lum-brevix -q -o OUT IN`) against other ways of putting
# CR LF after every '>', on the inputs of bench/reformat-bench.sh:
#
#   engine   bench/reformat_bench: ReformatFile alone, without the command
#            line, linked with the static C++ library
#   C loop   bench/c_loop.c: read 1 MiB, memchr, one write per buffer
#   cat      copies without any change: the floor
#   python   bytes.replace on the whole file, read at once
#   perl     perl -pe 's/>/>\r\n/g' (reads a line at a time: here the file)
#   sed      GNU sed 's/>/>\r\n/g' with LC_ALL=C (the same)
#   xmllint  xmllint --format --huge: indents a parsed document, a different
#            job; timed on the XML inputs only, its output not compared
#
# Besides the inputs of bench/reformat-bench.sh, a file under 1 MiB (the
# start of the vk document), for the memory of a small copy. Then a batch:
# 1000 XML files of 50 kB, all in one `lum-brevix -q F1 ... F1000` (each copy
# beside its source), against a shell loop that runs the C loop once per file
# and one that runs cat once per file (and BASELINE's lum-brevix, if given).
#
# Every other output is checked byte for byte against the expected copy
# (for cat: the input). The programs take turns within each round, in a new
# order each round. Prints Markdown tables: the median wall time
# over the rounds, the median CPU time (user + system) and the peak resident
# memory (wait4, through /usr/bin/time).
#
#   bench/compare.sh [ROUNDS]        (default 5)
#
# WORK_DIR: where the inputs and outputs go (default ${TMPDIR:-/tmp}); a fresh
# folder is made there and removed at the end. BUILD_DIR: the build folder
# (default build-compare). BASELINE: another lum-brevix (an earlier build, say)
# that takes its turn as "lum-brevix before" in every round. ONLY: the tools to
# run, separated by commas (default all). Installs Google Benchmark and
# xmllint (libxml2-utils) when they are missing. Always the project's default
# build type, RelWithDebInfo, whatever an earlier configure of BUILD_DIR chose.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
build_dir=${BUILD_DIR:-build-compare}

scripts/install-deps.sh libbenchmark-dev libxml2-utils

cmake -S . -B "$build_dir" -DBREVIX_BUILD_BENCH=ON -DBREVIX_BUILD_TESTS=OFF -DBREVIX_WITH_QT=OFF \
  -DBREVIX_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target lum-brevix reformat_bench reformat_c_loop --parallel "$(nproc)" >/dev/null

work=$(mktemp -d "${WORK_DIR:-${TMPDIR:-/tmp}}/compare.XXXXXX")
trap 'rm -rf "$work"' EXIT

PYTHONPATH=bench python3 - "$work" "$rounds" "$build_dir/lum-brevix" "$build_dir/bench/reformat_bench" \
  "$build_dir/bench/reformat_c_loop" "${BASELINE:-}" "${ONLY:-}" <<'PY'
import filecmp, os, platform, random, statistics, subprocess, sys

from benchkit import DOCUMENTS, ROOT_HEAD, ROOT_TAIL, MiB, corpus, measure, one_line, write, write_expected

work, rounds, cli, engine, c_loop, baseline, only = sys.argv[1], int(sys.argv[2]), *sys.argv[3:]
output = os.path.join(work, 'out')
# The interpreter itself, not a launcher script in front of it.
python = sys.executable
replace = 'import sys; open(sys.argv[2], "wb").write(open(sys.argv[1], "rb").read().replace(b">", b">\\r\\n"))'

# Per program: (argv, file that receives standard output or None) for a source.
commands = {
    'lum-brevix': lambda source: ([cli, '-q', '-o', output, source], None),
    'lum-brevix before': lambda source: ([baseline, '-q', '-o', output, source], None),
    'engine': lambda source: ([engine, source, output], None),
    'C loop': lambda source: ([c_loop, source, output], None),
    'cat': lambda source: (['cat', source], output),
    'python': lambda source: ([python, '-c', replace, source, output], None),
    'perl': lambda source: (['perl', '-pe', r's/>/>\r\n/g', source], output),
    'sed': lambda source: (['sed', r's/>/>\r\n/g', source], output),
    'xmllint': lambda source: (['xmllint', '--format', '--huge', source], output),
}
if not baseline:
    del commands['lum-brevix before']
if only:
    commands = {tool: command for tool, command in commands.items() if tool in only.split(',')}
# Bytes as bytes: no locale, no Unicode layers.
env = {key: value for key, value in os.environ.items() if not key.startswith(('LC_', 'LANG', 'PERL'))}
env['LC_ALL'] = 'C'

inputs = corpus(work)
vk = dict(DOCUMENTS)['vk']
if os.path.exists(vk):
    # Whole tags only: the start of the document up to a '>'.
    body = one_line(vk)
    inputs.insert(0, write(os.path.join(work, 'vk-900K.xml'), body[:body.rindex(b'>', 0, 900 * 1000) + 1], 1))
expected = {source: write_expected(source) for source in inputs}


def timed(tool, source):
    """xmllint only on the documents: the other inputs are no XML."""
    return tool != 'xmllint' or os.path.basename(source).startswith(tuple(label for label, _ in DOCUMENTS))


def run(tool, source):
    """Wall ms, CPU ms and peak KiB of one run, its output checked."""
    if os.path.exists(output):
        os.remove(output)
    status, wall, cpu, peak = measure(*commands[tool](source), env=env)
    if status != 0:
        sys.exit(f'{tool} failed on {source}')
    if tool != 'xmllint' and not filecmp.cmp(output, source if tool == 'cat' else expected[source], shallow=False):
        sys.exit(f'{tool}: wrong output for {source}')
    return wall, cpu, peak


results = {}
for source in inputs:
    walls, cpus, peaks = {}, {}, {}
    tools = [tool for tool in commands if timed(tool, source)]
    for round_ in range(rounds):
        # A new order in each round (the same in every run of the script), so
        # that no program always runs right after the same one: what one
        # leaves behind (xmllint gives back gigabytes) weighs on the next.
        for tool in random.Random(round_).sample(tools, len(tools)):
            wall, cpu, peak = run(tool, source)
            walls.setdefault(tool, []).append(wall)
            cpus.setdefault(tool, []).append(cpu)
            peaks[tool] = max(peaks.get(tool, 0), peak)
    results[source] = ({tool: statistics.median(values) for tool, values in walls.items()},
                       {tool: statistics.median(values) for tool, values in cpus.items()}, peaks)
    print(f'{os.path.basename(source)} done', file=sys.stderr)


def table(title, index, unit, cell, extra=()):
    print(f'\n{title}\n')
    print('| input | MiB | ' + ' | '.join(f'{tool} {unit}' for tool in commands) +
          ''.join(f' | {name}' for name, _ in extra) + ' |')
    print('|---|---:|' + '---:|' * (len(commands) + len(extra)))
    for source, columns in results.items():
        values = columns[index]
        row = [os.path.basename(source), f'{os.path.getsize(source) / MiB:.0f}']
        row += [cell(values[tool]) if tool in values else '—' for tool in commands]
        row += [function(values) for _, function in extra]
        print('| ' + ' | '.join(row) + ' |')


def ratio(values, numerator, denominator):
    """The one time over the other, or a dash where either was not timed."""
    if values.get(numerator) is None or not values.get(denominator):
        return '—'
    return f'{values[numerator] / values[denominator]:.2f}'


table('Wall time, median', 0, 'ms', lambda ms: f'{ms:.1f}',
      (('lum-brevix / cat', lambda values: ratio(values, 'lum-brevix', 'cat')),
       ('lum-brevix / C loop', lambda values: ratio(values, 'lum-brevix', 'C loop')),
       ('python / lum-brevix', lambda values: ratio(values, 'python', 'lum-brevix'))))
table('CPU time (user + system), median', 1, 'ms', lambda ms: f'{ms:.1f}')
table('Peak resident memory', 2, 'MiB', lambda kib: f'{kib / 1024:.1f}')



def many_files():
    """The batch of 1000 files of 50 kB: wall ms, CPU ms and peak KiB per way, medians."""
    folder = os.path.join(work, 'many')
    os.mkdir(folder)
    body = one_line(next(path for label, path in DOCUMENTS if os.path.exists(path)))
    part = body[:body.rindex(b'>', 0, 50 * 1000 - len(ROOT_HEAD) - len(ROOT_TAIL)) + 1]
    sources = [write(os.path.join(folder, f'f{index:04}.xml'), part, len(ROOT_HEAD) + 1, ROOT_HEAD, ROOT_TAIL)
               for index in range(1000)]
    wanted = open(write_expected(sources[0]), 'rb').read()
    loop = 'for f in "$@"; do %s; done'
    ways = {
        'lum-brevix': ([cli, '-q'] + sources, lambda source: source + '_LUM.XML', wanted),
        'lum-brevix before': ([baseline, '-q'] + sources, lambda source: source + '_LUM.XML', wanted),
        'C loop, once per file': (['sh', '-c', loop % f'{c_loop} "$f" "$f.out"', 'sh'] + sources,
                                  lambda source: source + '.out', wanted),
        'cat, once per file': (['sh', '-c', loop % 'cat "$f" > "$f.cat"', 'sh'] + sources,
                               lambda source: source + '.cat', open(sources[0], 'rb').read()),
    }
    tools = {'lum-brevix': 'lum-brevix', 'lum-brevix before': 'lum-brevix before', 'C loop, once per file': 'C loop',
             'cat, once per file': 'cat'}
    ways = {way: value for way, value in ways.items() if tools[way] in commands}
    walls, cpus, peaks = {}, {}, {}
    for round_ in range(rounds):
        for way in random.Random(round_).sample(list(ways), len(ways)):
            argv, target, content = ways[way]
            for source in sources:
                if os.path.exists(target(source)):
                    os.remove(target(source))
            status, wall, cpu, peak = measure(argv, env=env)
            if status != 0 or any(open(target(source), 'rb').read() != content for source in sources):
                sys.exit(f'{way}: failed or wrong output on the batch')
            walls.setdefault(way, []).append(wall)
            cpus.setdefault(way, []).append(cpu)
            peaks[way] = max(peaks.get(way, 0), peak)
    print(f'\n1000 files of {len(ROOT_HEAD) + len(part) + len(ROOT_TAIL)} bytes, one process or loop a round, medians\n')
    print('| way | wall ms | CPU ms | peak MiB | lum-brevix / this |')
    print('|---|---:|---:|---:|---:|')
    mine = statistics.median(walls['lum-brevix']) if 'lum-brevix' in walls else None
    for way in ways:
        wall = statistics.median(walls[way])
        ratio = f'{mine / wall:.2f}' if mine else '—'
        print(f'| {way} | {wall:.1f} | {statistics.median(cpus[way]):.1f} | {peaks[way] / 1024:.1f} | {ratio} |')


if any(tool in commands for tool in ('lum-brevix', 'C loop', 'cat')):
    many_files()

cpu = next((line.split(':', 1)[1].strip() for line in open('/proc/cpuinfo') if line.startswith('model name')), '?')
fs = subprocess.run(['stat', '-f', '-c', '%T', work], capture_output=True, text=True).stdout.strip()
versions = [subprocess.run(argv, capture_output=True, text=True, env=env).stdout.splitlines()[0]
            for argv in ([python, '--version'], ['perl', '-e', 'print "perl $^V\\n"'], ['sed', '--version'],
                         ['cat', '--version'])]
xmllint = subprocess.run(['xmllint', '--version'], capture_output=True, text=True).stderr.splitlines()[0]
print(f'\n{rounds} rounds, medians; {cpu}, {os.cpu_count()} CPUs, Linux {platform.release()}; '
      f'work folder on {fs}; {"; ".join(versions + [xmllint])}.')
PY
