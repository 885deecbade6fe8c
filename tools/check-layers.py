#!/usr/bin/env python3
"""Checks that every source file of the tree includes only what its layer may.

    check-layers.py [source folder] [table]

The table (tools/layers.txt) names, for each folder (or single header), the
folders and headers its sources may include and whether they may use Qt.
Headers of a tests/ folder are for tests alone: the libraries, programs,
benchmarks and fuzz targets never include them. The table itself must be
free of cycles: no folder may include a folder that may include it back,
directly or through others. Prints each fault with its file and line (or
the cycle) and exits with 1 when there is any.
"""

import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".inc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^(Qt[A-Za-z]*/|Q[A-Z][A-Za-z0-9]*$|q[a-z0-9_]+\.h$)")


class Layer:
    def __init__(self, folder, allowed, qt):
        self.folder = folder
        self.allowed = allowed
        self.qt = qt


def read_table(path):
    layers = {}
    with open(path, encoding="utf-8") as table:
        for number, line in enumerate(table, 1):
            words = line.split("#", 1)[0].split()
            if not words:
                continue
            folder, rest = words[0].strip("/"), words[1:]
            qt = "Qt" in rest
            allowed = [word.strip("/") for word in rest if word not in ("Qt", "-")]
            if folder in layers:
                sys.exit(f"{path}:{number}: {folder} is listed twice")
            layers[folder] = Layer(folder, allowed, qt)
    return layers


def within(path, folder):
    return path == folder or path.startswith(folder + "/")


def holder_of(path, layers):
    """The longest entry of the table that is the path or holds it."""
    best = None
    for listed in layers:
        if within(path, listed) and (best is None or len(listed) > len(best)):
            best = listed
    return best


def layer_of(relative, layers):
    """The layer of a source file: the longest entry listed that holds it,
    widened by the test kit for a tests/ folder below it."""
    best = holder_of(relative, layers)
    if best is None:
        return None
    layer = layers[best]
    below = relative[len(best):].split("/")[:-1]
    if "tests" in below:
        return Layer(best, layer.allowed + ["testing"], layer.qt)
    return layer


def is_tests(folder):
    return "tests" in folder.split("/")


def includes_of(layers):
    """The entries of the table each entry may include headers of: those
    its allowed folders hold and those that hold its allowed headers.
    Tests are left out: nothing but tests includes them."""
    graph = {}
    for folder, layer in layers.items():
        targets = set()
        for allowed in layer.allowed:
            targets.update(listed for listed in layers if within(listed, allowed))
            holder = holder_of(allowed, layers)
            if holder is not None:
                targets.add(holder)
        graph[folder] = sorted(target for target in targets if target != folder and not is_tests(target))
    return graph


def cycles_of(layers):
    """One cycle of each group of entries that may include each other, as
    the list of entries along it (the first one repeated at the end)."""
    graph = includes_of(layers)
    index, low, stack, on_stack, groups = {}, {}, [], set(), []

    def visit(folder):
        # Tarjan's strongly connected components.
        index[folder] = low[folder] = len(index)
        stack.append(folder)
        on_stack.add(folder)
        for target in graph[folder]:
            if target not in index:
                visit(target)
                low[folder] = min(low[folder], low[target])
            elif target in on_stack:
                low[folder] = min(low[folder], index[target])
        if low[folder] == index[folder]:
            group = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                group.append(member)
                if member == folder:
                    break
            if len(group) > 1:
                groups.append(set(group))

    for folder in sorted(graph):
        if folder not in index:
            visit(folder)

    cycles = []
    for group in groups:
        start = min(group)
        # The shortest way back to the start inside the group.
        paths = {start: [start]}
        queue = [start]
        cycle = None
        while queue and cycle is None:
            folder = queue.pop(0)
            for target in graph[folder]:
                if target == start:
                    cycle = paths[folder] + [start]
                    break
                if target in group and target not in paths:
                    paths[target] = paths[folder] + [target]
                    queue.append(target)
        cycles.append(cycle)
    return sorted(cycles)


def source_files(root):
    for folder, subfolders, files in os.walk(root):
        # Hidden folders and build trees are not part of the sources; a
        # build tree that CMake is still configuring (another build may run
        # beside the tests) has its CMakeFiles folder before its cache.
        subfolders[:] = sorted(
            name for name in subfolders
            if not name.startswith(".")
            and not os.path.exists(os.path.join(folder, name, "CMakeCache.txt"))
            and not os.path.isdir(os.path.join(folder, name, "CMakeFiles")))
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.relpath(os.path.join(folder, name), root)


def faults_of(relative, text, layers, top_folders):
    folder = os.path.dirname(relative)
    layer = layer_of(relative, layers)
    if layer is None:
        return [f"{relative}: its folder has no line in the layer table"]
    faults = []
    for number, line in enumerate(text.splitlines(), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        header = match.group(2)
        if QT_HEADER.match(header):
            if not layer.qt:
                faults.append(f"{relative}:{number}: includes Qt ({header}); {layer.folder} may not use Qt")
            continue
        parts = header.split("/")
        if len(parts) < 2 or parts[0] not in top_folders:
            continue  # the folder's own neighbour, or outside the tree
        if "tests" in parts[:-1]:
            if "tests" not in folder.split("/"):
                faults.append(f"{relative}:{number}: includes {header}, a header of the tests")
            continue
        if not any(within(header, allowed) for allowed in [layer.folder] + layer.allowed):
            may = " ".join(layer.allowed) or "nothing else"
            faults.append(f"{relative}:{number}: includes {header}; {layer.folder} may include {may}")
    return faults


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, ".."))
    table = sys.argv[2] if len(sys.argv) > 2 else os.path.join(root, "tools", "layers.txt")
    layers = read_table(table)
    top_folders = {name for name in os.listdir(root) if os.path.isdir(os.path.join(root, name))}
    top_folders |= {folder.split("/")[0] for folder in layers}
    faults = [f"{table}: a cycle: " + " -> ".join(cycle) for cycle in cycles_of(layers)]
    count = 0
    for relative in source_files(root):
        count += 1
        with open(os.path.join(root, relative), encoding="utf-8", errors="replace") as source:
            faults += faults_of(relative, source.read(), layers, top_folders)
    for fault in faults:
        print(fault)
    print(f"{count} source files, {len(faults)} layer faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
