#!/usr/bin/env python3
"""Runs one of the README's quick starts as written. The block is the first
fenced code block after the line "<!-- quick start: NAME -->". It runs with
sh -e in a temporary folder that stands for the source tree, with `build`
there pointing at the build folder, so that the README's own scratch set-up
(mkdir -p scratch && cd scratch && ln -sfn ../build build) works unchanged.
The run must succeed and print WORDS.

    run_readme_block.py README.md NAME BUILD_DIR WORDS
"""
import os
import subprocess
import sys
import tempfile


def block(readme, name):
    marker = f"<!-- quick start: {name} -->"
    lines = open(readme, encoding="utf-8").read().splitlines()
    if marker not in lines:
        sys.exit(f"{readme} has no line {marker}")
    start = lines.index(marker) + 1
    while start < len(lines) and not lines[start].startswith("```"):
        start += 1
    end = start + 1
    while end < len(lines) and not lines[end].startswith("```"):
        end += 1
    if end >= len(lines):
        sys.exit(f"no fenced block after {marker}")
    return "\n".join(lines[start + 1:end]) + "\n"


def main():
    readme, name, build_dir, words = sys.argv[1:5]
    script = block(readme, name)
    with tempfile.TemporaryDirectory() as tree:
        os.symlink(os.path.abspath(build_dir), os.path.join(tree, "build"))
        run = subprocess.run(["sh", "-ex", "-c", script], cwd=tree, capture_output=True, text=True, timeout=120)
    output = run.stdout + run.stderr
    print(output)
    if run.returncode != 0:
        print(f"the quick start '{name}' ended with status {run.returncode}")
        return 1
    if words not in output:
        print(f"the quick start '{name}' did not print: {words}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
