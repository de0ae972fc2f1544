#!/usr/bin/env python3
"""Writes the seeds of delta_fuzz into FOLDER: two bytes of manifest length
(little-endian), the manifest, then the executable patch, over the
installed tree delta_fuzz.cpp sets up."""
import os
import struct
import sys
import zlib

OLD = bytes(i * 7 % 251 for i in range(4096))
NEW = OLD[:2000] + b"a changed routine" + OLD[2000:]


def crc(data):
    return zlib.crc32(data) & 0xFFFFFFFF


def record(add, extra, seek):
    return struct.pack("<IIi", add, extra, seek)


def patch(old, new, records):
    head = b"RVDP" + struct.pack("<IIIII", 1, len(old), crc(old), len(new), crc(new))
    return head + zlib.compress(records, 9)


def seed(manifest, body):
    data = manifest.encode()
    return struct.pack("<H", len(data)) + data + body


def main(folder):
    os.makedirs(folder, exist_ok=True)
    records = record(2000, 17, 0) + bytes(2000) + b"a changed routine" + record(2096, 0, 0) + bytes(2096)
    good = patch(OLD, NEW, records)
    files = ("take %d %08X back.bmp\ntake %d %08X sub/a.bmp\nadd 3 %08X c.bmp\n"
             % (9, crc(b"installed"), 13, crc(b"sub installed"), crc(b"new")))
    exe_patch = "exe patch %d %08X\n" % (len(NEW), crc(NEW))
    seeds = {
        "sound_patch": seed("ruvexa-delta 1\n" + exe_patch + files, good),
        "crlf": seed(("ruvexa-delta 1\n" + exe_patch + files).replace("\n", "\r\n"), good),
        "whole": seed("ruvexa-delta 1\nexe whole %d %08X\n" % (len(NEW), crc(NEW)) + files, NEW),
        "climbing_path": seed("ruvexa-delta 1\n" + exe_patch + "take 9 %08X ../x.bmp\n" % crc(b"installed"), good),
        "twice": seed("ruvexa-delta 1\n" + exe_patch + files + "take 9 %08X BACK.BMP\n" % crc(b"installed"), good),
        "seek_back": seed("ruvexa-delta 1\n" + exe_patch + files,
                          patch(OLD, NEW, record(100, 0, -50) + bytes(100) + record(4013, 0, 0) + bytes(4013))),
    }
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main(sys.argv[1])
