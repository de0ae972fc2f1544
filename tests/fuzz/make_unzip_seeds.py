#!/usr/bin/env python3
"""Writes seed archives for the zip extractor's fuzz target into a folder:
stored and deflated entries, folders by attribute, UTF-8 names, names that
try to leave the output folder, odd dates and attributes, other methods."""
import os
import sys
import zipfile


def write(folder, name, entries, method=zipfile.ZIP_DEFLATED, prefix=b""):
    path = os.path.join(folder, name + ".zip")
    with open(path, "wb") as out:
        out.write(prefix)
    with zipfile.ZipFile(path, "a" if prefix else "w") as archive:
        for entry_name, data, attr, date, entry_method in entries:
            info = zipfile.ZipInfo(entry_name, date_time=date)
            info.compress_type = method if entry_method is None else entry_method
            if attr is not None:
                info.external_attr = attr
            archive.writestr(info, data)


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    day = (2021, 6, 15, 12, 30, 0)
    write(folder, "plain", [("a.txt", b"hello", None, day, None), ("Icons/b.png", b"x" * 3000, 0x20, day, None)])
    write(folder, "stored", [("a.txt", b"hello", None, day, None)], zipfile.ZIP_STORED)
    write(folder, "folders", [("Icons/", b"", 0x10, day, None), ("Icons/Small/", b"", 0x10, day, None),
                              ("Icons/Small/c.bmp", bytes(range(256)) * 40, 0x21, day, None),
                              ("Slashed/", b"file", 0x20, day, None)])
    write(folder, "utf8", [("Шрифты/Жирный.ttf", "текст".encode(), None, day, None)])
    write(folder, "climb", [("../evil.txt", b"evil", None, day, None), ("a/../../b.txt", b"evil", None, day, None),
                            ("/abs.txt", b"evil", None, day, None), ("C:x.txt", b"evil", None, day, None)])
    write(folder, "dates", [("zero.txt", b"z", None, (1980, 0, 0, 0, 0, 0), None),
                            ("april.txt", b"a", None, (2022, 4, 31, 25, 61, 62), None)])
    write(folder, "methods", [("lzma.bin", b"l" * 1000, None, day, zipfile.ZIP_LZMA),
                              ("bzip2.bin", b"b" * 1000, None, day, zipfile.ZIP_BZIP2)])
    write(folder, "stub", [], prefix=b"#!stub\n")
    write(folder, "many", [("f%03d.txt" % i, b"%d" % i, None, day, None) for i in range(120)],
          zipfile.ZIP_STORED)


if __name__ == "__main__":
    main()
