#!/usr/bin/env python3
"""The rooms of the source tree and the direction of their includes.

    scripts/layers.py [--build DIR] [--dot FILE] [--mermaid]

Configures the project into DIR (default build-layers) with CMake's --graphviz,
reads which room's library links which, and checks two things:
  - each room links only rooms of a lower layer (LAYERS below), and
    platform/console only into the command line;
  - each source file includes headers only of its own room and of the rooms
    its library reaches through its links (tests/ROOM/ as the room ROOM).
Each break is named with its file and line; the exit status is 1 if there is
one. The build itself fails on such an include too (CMakeLists.txt,
brevix_room); this names the file without a build.
--dot writes the graph of the rooms for Graphviz, --mermaid prints it for the
README.
"""
import argparse
import pathlib
import re
import subprocess
import sys

# The layers, lowest first. A room may link only rooms of a lower layer.
LAYERS = [
    ["failure"],
    ["paths"],
    ["platform"],
    ["platform/console", "reformat", "base64"],
    ["window_helpers"],
    ["main_window", "cli"],
]
# Rooms that only the named rooms may link.
ONLY_FOR = {"platform/console": {"cli"}}

ROOT = pathlib.Path(__file__).resolve().parent.parent
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def configure(build):
    dot = build / "layers" / "targets.dot"
    dot.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), f"--graphviz={dot}",
                    "-DBREVIX_BUILD_TESTS=OFF", "-DBREVIX_BUILD_BENCH=OFF",
                    "-DBREVIX_MAN_PAGES=OFF", "-DBREVIX_PACKAGE=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    return dot


def room_folders(build):
    """Each room's target and folder, from the include folders brevix_room made."""
    rooms = {}
    for target_dir in sorted((build / "rooms").iterdir()):
        headers = [p for p in target_dir.rglob("*.h")]
        if headers and target_dir.name != "brevix_test_support":
            rooms[target_dir.name] = headers[0].parent.relative_to(target_dir).as_posix()
    return rooms


def links(dot, targets):
    """Which target links which, among `targets`, from CMake's graph."""
    names, edges = {}, {t: set() for t in targets}
    for line in dot.read_text().splitlines():
        node = re.match(r'\s*"(node\d+)"\s*\[\s*label\s*=\s*"([^"]+)"', line)
        if node:
            names[node.group(1)] = node.group(2)
        edge = re.match(r'\s*"(node\d+)"\s*->\s*"(node\d+)"', line)
        if edge:
            a, b = names.get(edge.group(1)), names.get(edge.group(2))
            if a in edges and b in edges:
                edges[a].add(b)
    return edges


def reach(edges, start):
    seen, todo = set(), [start]
    while todo:
        for b in edges[todo.pop()]:
            if b not in seen:
                seen.add(b)
                todo.append(b)
    return seen


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default="build-layers")
    parser.add_argument("--dot")
    parser.add_argument("--mermaid", action="store_true")
    args = parser.parse_args()
    build = (ROOT / args.build).resolve()
    dot = configure(build)
    target_of = {folder: target for target, folder in room_folders(build).items()}
    edges = links(dot, set(target_of.values()))
    folder_of = {t: f for f, t in target_of.items()}
    layer_of = {room: i for i, layer in enumerate(LAYERS) for room in layer}
    problems = []

    for folder, target in sorted(target_of.items()):
        if folder not in layer_of:
            problems.append(f"{folder}/: a room without a layer; add it to LAYERS in scripts/layers.py")
            continue
        for linked in sorted(edges[target]):
            other = folder_of[linked]
            if layer_of.get(other, len(LAYERS)) >= layer_of[folder]:
                problems.append(f"{folder}/CMakeLists.txt: {target} links {linked}, which is not below it")
            if other in ONLY_FOR and folder not in ONLY_FOR[other]:
                problems.append(f"{folder}/CMakeLists.txt: {target} links {linked}, which is only for "
                                + ", ".join(sorted(ONLY_FOR[other])))

    files = subprocess.run(["git", "ls-files", "*.cpp", "*.h"], cwd=ROOT, capture_output=True, text=True,
                           check=True).stdout.split()
    for name in files:
        owner = name[len("tests/"):] if name.startswith("tests/") else name
        folder = max((f for f in target_of if owner.startswith(f + "/")), key=len, default=None)
        if folder is None:
            continue
        allowed = {folder} | {folder_of[t] for t in reach(edges, target_of[folder])}
        for number, line in enumerate((ROOT / name).read_text(encoding="utf-8").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or "/" not in match.group(1):
                continue
            header_room = match.group(1).rsplit("/", 1)[0]
            if header_room in target_of and header_room not in allowed:
                problems.append(f"{name}:{number}: includes {match.group(1)}, but {folder}/ may use only "
                                + ", ".join(sorted(allowed)))

    room_edges = sorted((folder_of[a], folder_of[b]) for a in edges for b in edges[a])
    if args.dot:
        lines = ["digraph rooms {", "  rankdir=BT;", "  node [shape=box];"]
        lines += [f'  "{a}" -> "{b}";' for a, b in room_edges]
        pathlib.Path(args.dot).write_text("\n".join(lines + ["}"]) + "\n")
    if args.mermaid:
        print("```mermaid\nflowchart TD")
        for a, b in room_edges:
            print(f"  {a.replace('/', '_')}[{a}/] --> {b.replace('/', '_')}[{b}/]")
        print("```")
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        print(f"layers: {len(problems)} break(s) of the include direction", file=sys.stderr)
        return 1
    print(f"layers: {len(target_of)} rooms, {len(files)} files, every include points down", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())
