#!/usr/bin/env python3
"""Checks that the program's libraries form a stack in which every link
points down: a library may link only to libraries of lower layers, never to
one of its own layer, one above it, or a library of the repository outside
the stack. So there can be no cycle either. The platform layer is two
libraries, the UI above the core; of the program, only the shell and the
host's entry link the UI, and nothing the other folders or ruvexa-pack link,
directly or not, draws: neither the UI library nor SDL2, FreeType,
fontconfig or libpng. The links are read from CMake's own dependency graph
(--graphviz) of a fresh configuration, so that what is checked is what the
build does.

    check_layers.py SOURCE_DIR [CMAKE]
"""
import os
import re
import subprocess
import sys
import tempfile

# Top to bottom; the libraries of one layer do not link to one another.
LAYERS = [
    ["ruvexa_shell"],
    ["ruvexa_detect", "ruvexa_package", "ruvexa_install"],
    ["ruvexa_rollback", "ruvexa_unzip"],
    ["ruvexa_format"],
    ["ruvexa_files", "ruvexa_worker"],
    ["ruvexa_log"],
    ["ruvexa_platform_ui"],
    ["ruvexa_platform_core"],
]

# The program's targets that may link the UI library: the shell, its
# resource table and the host's entry. Tests link what they test.
UI_LIBRARY = "ruvexa_platform_ui"
UI_LINKERS = {"ruvexa_shell", "ruvexa_resources", "ruvexa_host_entry"}
# What must not reach anything that draws, directly or through other links.
DRAWING_FREE = ["ruvexa_detect", "ruvexa_package", "ruvexa_install", "ruvexa_rollback", "ruvexa_unzip", "ruvexa_format",
                "ruvexa_files", "ruvexa_worker", "ruvexa_log",
                "ruvexa_platform_core", "ruvexa_pack_commands", "ruvexa-pack"]
DRAWING = re.compile(r"^(ruvexa_platform_ui$|PkgConfig::(SDL2|FREETYPE|FONTCONFIG|LIBPNG)$|.*/lib(SDL2|freetype|fontconfig|png)[^/]*$)")

# CMake's ways around a link cycle between static libraries; none may stay.
CYCLE_WORKAROUNDS = re.compile(r"LINK_GROUP|LINK_INTERFACE_MULTIPLICITY|--start-group|RESCAN")

NODE = re.compile(r'^\s*"(node\d+)" \[ label = "([^"]+)"')
EDGE = re.compile(r'^\s*"(node\d+)" -> "(node\d+)"')


def read_links(source_dir, cmake):
    """The graph's links as (from, to) target names."""
    with tempfile.TemporaryDirectory() as work:
        graph = os.path.join(work, "targets.dot")
        subprocess.run([cmake, "-S", source_dir, "-B", os.path.join(work, "build"), "--graphviz=" + graph,
                        "-DRUVEXA_BENCHMARKS=OFF"], check=True, stdout=subprocess.DEVNULL)
        names, links = {}, []
        with open(graph, encoding="utf-8") as dot:
            for line in dot:
                node = NODE.match(line)
                if node:
                    names[node.group(1)] = node.group(2)
                edge = EDGE.match(line)
                if edge:
                    links.append(edge.groups())
    return [(names[a], names[b]) for a, b in links]


def layer_problems(links):
    rank = {library: depth for depth, layer in enumerate(LAYERS) for library in layer}
    problems = []
    linked = set()
    for source, target in links:
        if source not in rank:
            continue
        linked.add(source)
        if target in rank:
            if rank[target] <= rank[source]:
                way = "sideways" if rank[target] == rank[source] else "upward"
                problems.append(f"{source} links {way} to {target}")
        elif target.startswith("ruvexa"):
            problems.append(f"{source} links to {target}, which is not in the stack")
    for library in rank:
        if library not in linked and library != LAYERS[-1][0]:
            problems.append(f"{library} is missing from the build or links to nothing")
    return problems


def drawing_problems(links):
    problems = []
    for source, target in links:
        if target == UI_LIBRARY and source.startswith("ruvexa") and not source.startswith("ruvexa_test") \
                and source not in UI_LINKERS:
            problems.append(f"{source} links to {UI_LIBRARY}; only {', '.join(sorted(UI_LINKERS))} may")
    reached = {}
    for source, target in links:
        reached.setdefault(source, set()).add(target)
    for start in DRAWING_FREE:
        if start not in reached:
            problems.append(f"{start} is missing from the build or links to nothing")
            continue
        seen, todo = set(), [start]
        while todo:
            for target in reached.get(todo.pop(), ()):
                if target not in seen:
                    seen.add(target)
                    todo.append(target)
        drawing = sorted(name for name in seen if DRAWING.match(name))
        if drawing:
            problems.append(f"{start} reaches what draws: {', '.join(drawing)}")
    return problems


def workaround_problems(source_dir):
    problems = []
    for folder, subfolders, files in os.walk(source_dir):
        subfolders[:] = [s for s in subfolders if not s.startswith(("build", "."))]
        for name in files:
            if name != "CMakeLists.txt" and not name.endswith(".cmake"):
                continue
            path = os.path.join(folder, name)
            with open(path, encoding="utf-8") as text:
                for number, line in enumerate(text, 1):
                    if CYCLE_WORKAROUNDS.search(line.split("#", 1)[0]):
                        problems.append(f"{os.path.relpath(path, source_dir)}:{number}: a link-cycle workaround")
    return problems


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__.strip().splitlines()[-1].strip())
    source_dir = os.path.abspath(sys.argv[1])
    cmake = sys.argv[2] if len(sys.argv) == 3 else "cmake"
    links = read_links(source_dir, cmake)
    problems = layer_problems(links) + drawing_problems(links) + workaround_problems(source_dir)
    for problem in problems:
        print("layers: " + problem, file=sys.stderr)
    if problems:
        sys.exit(1)
    print("layers: " + " -> ".join(", ".join(layer) for layer in LAYERS) + ": every link points down; "
          + ", ".join(DRAWING_FREE) + " draw nothing")


if __name__ == "__main__":
    main()
