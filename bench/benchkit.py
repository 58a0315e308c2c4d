"""What the reformat benchmarks share: the inputs, their expected copies made
independently of every program measured, and the timing of one process.

Used by bench/reformat-bench.sh, bench/compare.sh and bench/large-file.sh,
which put this folder on sys.path."""
import os
import re
import subprocess
import time

MiB = 1 << 20

# One-line XML: each document without its prolog and without the whitespace
# between tags, repeated inside one root element.
DOCUMENTS = (('mime', '/usr/share/mime/packages/freedesktop.org.xml'),
             ('vk', '/usr/share/vulkan/registry/vk.xml'))
ROOT_HEAD = b'<?xml version="1.0" encoding="UTF-8"?><bench>'
ROOT_TAIL = b'</bench>'


def one_line(path):
    """The document without its prolog and without whitespace between tags."""
    text = open(path, 'rb').read()
    text = re.sub(rb'<\?xml.*?\?>', b'', text, count=1, flags=re.S)
    text = re.sub(rb'<!DOCTYPE[^\[>]*(\[.*?\])?\s*>', b'', text, count=1, flags=re.S)
    return re.sub(rb'>\s+<', b'><', text).strip()


def write(path, unit, size, head=b'', tail=b''):
    """`head`, then `unit` repeated until at least `size` bytes, then `tail`."""
    with open(path, 'wb') as out:
        out.write(head)
        written = len(head)
        while written < size:
            out.write(unit)
            written += len(unit)
        out.write(tail)
    return path


def corpus(work):
    """Writes the inputs into `work` and returns their paths: the one-line
    documents at 16 and 256 MiB, `<a>` repeated to 64 MiB (a '>' every three
    bytes), 256 MiB of printable text without '>', and an empty file."""
    inputs = []
    for label, path in DOCUMENTS:
        if os.path.exists(path):
            body = one_line(path)
            for mib in (16, 256):
                inputs.append(write(os.path.join(work, f'{label}-{mib}M.xml'), body, mib * MiB, ROOT_HEAD, ROOT_TAIL))
    inputs.append(write(os.path.join(work, 'dense-64M.xml'), b'<a>' * 4096, 64 * MiB))
    # Printable bytes below '>'.
    inputs.append(write(os.path.join(work, 'no-gt-256M.txt'), bytes(range(32, 62)) * 4096, 256 * MiB))
    # Starting the process and opening the files.
    inputs.append(write(os.path.join(work, 'empty.xml'), b'', 0))
    return inputs


def expected_chunks(source):
    """The expected copy of the file `source`, a MiB of source at a time:
    CR LF after every '>' (a byte that no chunk boundary can split)."""
    with open(source, 'rb') as src:
        while chunk := src.read(MiB):
            yield chunk.replace(b'>', b'>\r\n')


def write_expected(source):
    """Writes the expected copy of `source` beside it and returns its path."""
    expected = source + '.expected'
    with open(expected, 'wb') as out:
        for chunk in expected_chunks(source):
            out.write(chunk)
    return expected


def measure(argv, stdout_path=None, env=None):
    """Runs `argv` with standard output to `stdout_path` (else nowhere) and
    returns (exit status, wall ms, CPU ms, peak KiB). The program runs under
    /usr/bin/time, which reads the peak from wait4 and whose own small
    footprint is all that the peak carries over from before the program
    starts (a direct child of this Python process would carry Python's); the
    same few hundred microseconds of its own are in every program's times.
    The page cache is synced before the start."""
    memory = os.path.join(os.path.dirname(stdout_path) if stdout_path else '/tmp', f'.peak-{os.getpid()}')
    stdout = open(stdout_path, 'wb') if stdout_path else subprocess.DEVNULL
    # What earlier runs left to write goes to the disk first, so that no
    # program pays for another's writes.
    os.sync()
    start = time.perf_counter()
    process = subprocess.Popen(['/usr/bin/time', '-f', '%M', '-o', memory] + argv, stdout=stdout,
                               stderr=subprocess.DEVNULL, env=env)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if stdout_path:
        stdout.close()
    peak = int(open(memory).read().split()[-1])
    os.remove(memory)
    return os.waitstatus_to_exitcode(status), wall * 1000, (usage.ru_utime + usage.ru_stime) * 1000, peak
