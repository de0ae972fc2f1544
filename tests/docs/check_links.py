#!/usr/bin/env python3
"""Checks the links between the README and the pages in docs/: every
relative link names a file that exists, and every #anchor a heading of that
file, spelled as GitHub makes anchors from headings.

    check_links.py SOURCE_DIR
"""
import glob
import os
import re
import sys

LINK = re.compile(r"\]\(([^)\s]+)\)")
HEADING = re.compile(r"^#{1,6}\s+(.*)$")


def anchors(path):
    """The anchors of a Markdown file's headings, outside code blocks."""
    found, fenced = set(), False
    for line in open(path, encoding="utf-8"):
        if line.startswith("```"):
            fenced = not fenced
        heading = None if fenced else HEADING.match(line)
        if heading:
            text = heading.group(1).strip().lower()
            text = re.sub(r"[^\w\- ]", "", text)
            found.add(text.replace(" ", "-"))
    return found


def main():
    source = sys.argv[1]
    pages = [os.path.join(source, "README.md")] + sorted(glob.glob(os.path.join(source, "docs", "*.md")))
    broken = []
    for page in pages:
        for number, line in enumerate(open(page, encoding="utf-8"), 1):
            for target in LINK.findall(line):
                if re.match(r"^[a-z]+:", target):
                    continue
                path, _, anchor = target.partition("#")
                file = os.path.normpath(os.path.join(os.path.dirname(page), path)) if path else page
                where = f"{os.path.relpath(page, source)}:{number}: {target}"
                if not os.path.exists(file):
                    broken.append(f"{where}: no file {os.path.relpath(file, source)}")
                elif anchor and file.endswith(".md") and anchor not in anchors(file):
                    broken.append(f"{where}: no heading with the anchor #{anchor}")
    for line in broken:
        print(line)
    print(f"{len(pages)} pages checked, {len(broken)} broken links")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
