#!/usr/bin/env python3
"""A delta package of a realistic release beside the full package: its size,
the upgrade's time and the host's peak memory.

The release pair: an 8 MiB executable of which a few functions changed, 3,000
images (1 to 8 KiB, already compressed: random bytes) in 40 folders of which
5% changed, and 20 fonts (50 to 200 KiB) of which one changed. A changed
function is replaced by one of another length, so the code after it moves,
and the references into moved code (a 4-byte word every 256 bytes) change
with it, as a compiler's relative calls do. Each upgrade is one boot of
build/ruvexa from a device that has the old version installed up to its
reset; the fastest of N runs counts.

usage: bench/delta_release.py [--build DIR] [--runs N]
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time

SCRIPT = b"#!/bin/sh\ntouch upgraded\nexit 0\n"


def make_exe(rng, size):
    return SCRIPT + rng.randbytes(size - len(SCRIPT))


def change_functions(rng, code, count):
    """`count` functions replaced by others of a different length; the
    references after each one shift with the code."""
    code = bytearray(code)
    for _ in range(count):
        start = rng.randrange(len(SCRIPT), len(code) - 8192)
        old_length = rng.randrange(500, 4000)
        new_length = old_length + rng.randrange(-300, 600)
        code[start:start + old_length] = rng.randbytes(new_length)
        shift = new_length - old_length
        for at in range(start + new_length + (-start % 256), len(code) - 4, 256):
            word = int.from_bytes(code[at:at + 4], "little")
            code[at:at + 4] = ((word + shift) % 2**32).to_bytes(4, "little")
    return bytes(code)


def write_tree(root, files):
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)


def make_release_pair(rng):
    old_images = {"set%02d/image%04d.bmp" % (i % 40, i): rng.randbytes(rng.randrange(1024, 8192)) for i in range(3000)}
    new_images = dict(old_images)
    for name in rng.sample(sorted(old_images), 150):
        new_images[name] = rng.randbytes(rng.randrange(1024, 8192))
    old_fonts = {"font%02d.ttf" % i: rng.randbytes(rng.randrange(50 * 1024, 200 * 1024)) for i in range(20)}
    new_fonts = dict(old_fonts)
    new_fonts["font07.ttf"] = rng.randbytes(len(old_fonts["font07.ttf"]) + 1000)
    old_exe = make_exe(rng, 8 * 1024 * 1024)
    new_exe = change_functions(rng, old_exe, 5)
    return (old_exe, old_images, old_fonts), (new_exe, new_images, new_fonts)


def run(command, status=0):
    started = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - started
    if done.returncode != status:
        sys.exit("delta_release: %s ended with %d, not %d:\n%s" % (" ".join(command), done.returncode, status,
                                                                   done.stderr))
    return elapsed, done


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build", help="the build folder (default build)")
    parser.add_argument("--runs", type=int, default=3, help="runs of each upgrade; the fastest counts")
    options = parser.parse_args()
    pack = os.path.abspath(os.path.join(options.build, "ruvexa-pack"))
    launcher = os.path.abspath(os.path.join(options.build, "ruvexa"))
    rng = random.Random(22)

    with tempfile.TemporaryDirectory(prefix="ruvexa-delta-release-") as scratch:
        versions = make_release_pair(rng)
        packages = []
        for name, (exe, images, fonts) in zip(("old", "new"), versions):
            folder = os.path.join(scratch, name)
            write_tree(os.path.join(folder, "images"), images)
            write_tree(os.path.join(folder, "fonts"), fonts)
            write_tree(folder, {"Orvane3.exe": exe})
            package = os.path.join(scratch, "OV3_UPGRADE_%s.BIN" % name.upper())
            run([pack, "build", "-q", "--exe", os.path.join(folder, "Orvane3.exe"), "--images",
                 os.path.join(folder, "images"), "--fonts", os.path.join(folder, "fonts"), "-o", package])
            packages.append(package)
        delta = os.path.join(scratch, "OV3_UPGRADE_DELTA.BIN")
        delta_time, made = run([pack, "delta", "--from", packages[0], "--to", packages[1], "-o", delta])
        full_size, delta_size = os.path.getsize(packages[1]), os.path.getsize(delta)

        def upgrade(package):
            best, peak = None, None
            for _ in range(options.runs):
                device = os.path.join(scratch, "device")
                shutil.rmtree(device, ignore_errors=True)
                merrow = os.path.join(device, "NandFlash", "Merrow")
                shutil.copytree(os.path.join(scratch, "old", "images"), os.path.join(merrow, "Images"))
                shutil.copytree(os.path.join(scratch, "old", "fonts"), os.path.join(merrow, "Font"))
                shutil.copy(os.path.join(scratch, "old", "Orvane3.exe"), merrow)
                download = os.path.join(device, "Storage Card", "OV3_Download")
                os.makedirs(download)
                shutil.copy(package, download)
                open(os.path.join(device, "NandFlash", "RemoteUpgrade.flag"), "w").close()
                elapsed, done = run([launcher, "--device-root", device, "--headless", "--time-scale", "1000"], 3)
                if not filecmp_same(os.path.join(merrow, "Orvane3.exe"), os.path.join(scratch, "new", "Orvane3.exe")):
                    sys.exit("delta_release: the upgrade did not install the new executable")
                kib = int(re.search(r"peak memory (\d+) KiB", done.stderr).group(1))
                best = elapsed if best is None else min(best, elapsed)
                peak = kib if peak is None else max(peak, kib)
            return best, peak

        full_time, full_peak = upgrade(packages[1])
        delta_upgrade_time, delta_peak = upgrade(delta)

    print("release pair: 8 MiB executable, 5 functions changed; 3,000 images in 40 folders, 150 changed; "
          "20 fonts, 1 changed")
    print(made.stdout.strip())
    print("full package      %10d bytes" % full_size)
    print("delta package     %10d bytes   %.1f%% of the full package (made in %.2f s)" %
          (delta_size, 100.0 * delta_size / full_size, delta_time))
    print("full upgrade      %7.3f s   peak memory %6d KiB" % (full_time, full_peak))
    print("delta upgrade     %7.3f s   peak memory %6d KiB   time ratio %.2f, memory %+d KiB" %
          (delta_upgrade_time, delta_peak, delta_upgrade_time / full_time, delta_peak - full_peak))


def filecmp_same(a, b):
    with open(a, "rb") as first, open(b, "rb") as second:
        return first.read() == second.read()


if __name__ == "__main__":
    main()
