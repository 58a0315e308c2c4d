#!/usr/bin/env bash
# Copies one file of 3 GiB (one-line XML, more than 2^31 bytes: past every
# 32-bit signed count) with lum-brevix, from file to file and from standard
# input to standard output, and checks each copy against the expected one
# through SHA-256 (the expected copy is worked out a MiB at a time, never
# stored).
# Prints wall time, CPU time and peak resident memory per route. Not part of
# the tests: it needs about 7 GiB of free space in the work folder.
#
#   bench/large-file.sh [GiB]        (default 3)
#
# WORK_DIR: where the file and the copies go (default ${TMPDIR:-/tmp}); a
# fresh folder is made there and removed at the end. BUILD_DIR: the build
# folder (default build-compare).
set -euo pipefail
cd "$(dirname "$0")/.."
gib=${1:-3}
build_dir=${BUILD_DIR:-build-compare}

cmake -S . -B "$build_dir" -DBREVIX_BUILD_TESTS=OFF -DBREVIX_WITH_QT=OFF -DBREVIX_WERROR=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --target lum-brevix --parallel "$(nproc)" >/dev/null

work=$(mktemp -d "${WORK_DIR:-${TMPDIR:-/tmp}}/large-file.XXXXXX")
trap 'rm -rf "$work"' EXIT

PYTHONPATH=bench python3 - "$work" "$gib" "$(realpath "$build_dir/lum-brevix")" <<'PY'
import hashlib, os, shlex, sys

from benchkit import DOCUMENTS, MiB, ROOT_HEAD, ROOT_TAIL, expected_chunks, measure, one_line, write

work, gib, cli = sys.argv[1], int(sys.argv[2]), sys.argv[3]
label, document = next((label, path) for label, path in DOCUMENTS if os.path.exists(path))
source = write(os.path.join(work, f'{label}-{gib}G.xml'), one_line(document), gib << 30, ROOT_HEAD, ROOT_TAIL)
output = os.path.join(work, 'out')

expected = hashlib.sha256()
expected_size = 0
for chunk in expected_chunks(source):
    expected.update(chunk)
    expected_size += len(chunk)


def digest(path):
    sha = hashlib.sha256()
    with open(path, 'rb') as copy:
        while chunk := copy.read(MiB):
            sha.update(chunk)
    return sha.hexdigest()


routes = {
    'file to file': ([cli, '-q', '-o', output, source], None),
    # exec: the time and the peak are lum-brevix's own.
    'standard input to standard output': (['sh', '-c', f'exec {shlex.quote(cli)} -q -o - - < {shlex.quote(source)}'],
                                          output),
}
print(f'Source {os.path.basename(source)}: {os.path.getsize(source)} bytes; expected copy {expected_size} bytes.\n')
print('| route | wall s | CPU s | peak MiB | copy |')
print('|---|---:|---:|---:|---|')
failed = False
for route, (argv, stdout_path) in routes.items():
    if os.path.exists(output):
        os.remove(output)
    status, wall, cpu, peak = measure(argv, stdout_path)
    correct = status == 0 and os.path.getsize(output) == expected_size and digest(output) == expected.hexdigest()
    failed |= not correct
    print(f'| {route} | {wall / 1000:.2f} | {cpu / 1000:.2f} | {peak / 1024:.1f} | '
          f'{"identical" if correct else f"WRONG (exit status {status})"} |')
sys.exit(1 if failed else 0)
PY
