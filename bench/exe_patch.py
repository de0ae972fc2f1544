#!/usr/bin/env python3
"""The executable's patch in a delta package beside zstd's --patch-from, on
pairs of real executables.

For each pair OLD NEW: two packages that differ only in the executable, the
delta between them (the size of its patch, and the time and memory
ruvexa-pack took to make it), the same pair through `zstd -19
--patch-from` (its size, the time it took, and the memory its decompression
needs, which holds the whole old file as its window), and one upgrade boot
of build/ruvexa with the full package and with the delta over a device
that has OLD installed (the host's peak memory of each). Without pairs it
takes gcc's cc1 and cc1plus, the largest related executables a build
machine has.

usage: bench/exe_patch.py [--build DIR] [OLD NEW ...]
"""
import argparse
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time


def run(command, status=0):
    """Elapsed seconds, the finished process, and its peak memory in KiB."""
    started = time.perf_counter()
    done = subprocess.run(["/usr/bin/time", "-f", "peak %M"] + command, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, text=True)
    elapsed = time.perf_counter() - started
    if done.returncode != status:
        sys.exit("exe_patch: %s ended with %d, not %d:\n%s" % (" ".join(command), done.returncode, status,
                                                              done.stderr))
    return elapsed, done, int(re.findall(r"peak (\d+)", done.stderr)[-1])


def default_pair():
    found = sorted(glob.glob("/usr/lib/gcc/x86_64-linux-gnu/*/cc1plus"))
    if not found:
        sys.exit("exe_patch: no pairs given and no gcc cc1/cc1plus found")
    return [os.path.join(os.path.dirname(found[-1]), "cc1"), found[-1]]


def upgrade_peak(launcher, scratch, old, package, new):
    """The host's peak memory of one remote upgrade boot over OLD."""
    device = os.path.join(scratch, "device")
    shutil.rmtree(device, ignore_errors=True)
    merrow = os.path.join(device, "NandFlash", "Merrow")
    os.makedirs(os.path.join(merrow, "Images"))
    shutil.copy(os.path.join(scratch, "images", "a.bmp"), os.path.join(merrow, "Images"))
    shutil.copy(old, os.path.join(merrow, "Orvane3.exe"))
    download = os.path.join(device, "Storage Card", "OV3_Download")
    os.makedirs(download)
    shutil.copy(package, download)
    open(os.path.join(device, "NandFlash", "RemoteUpgrade.flag"), "w").close()
    _, done, _ = run([launcher, "--device-root", device, "--headless", "--time-scale", "1000"], 3)
    if not same_file(os.path.join(merrow, "Orvane3.exe"), new):
        sys.exit("exe_patch: the upgrade did not install the new executable")
    return int(re.search(r"peak memory (\d+) KiB", done.stderr).group(1))


def measure(pack, launcher, scratch, old, new):
    packages = []
    for name, exe in (("A", old), ("B", new)):
        package = os.path.join(scratch, "OV3_UPGRADE_%s.BIN" % name)
        run([pack, "build", "-q", "--force", "--exe", exe, "--images", os.path.join(scratch, "images"), "-o", package])
        packages.append(package)
    delta = os.path.join(scratch, "OV3_UPGRADE_D.BIN")
    made, done, made_peak = run([pack, "delta", "--force", "--from", packages[0], "--to", packages[1], "-o", delta])
    kind, size = re.search(r"exe: (patch|whole) of (\d+) bytes", done.stdout + done.stderr).groups()

    patch = os.path.join(scratch, "patch.zst")
    zstd_made, _, _ = run(["zstd", "-q", "-f", "-19", "--long=31", "--patch-from=" + old, new, "-o", patch])
    _, _, zstd_peak = run(["zstd", "-q", "-f", "-d", "--long=31", "--patch-from=" + old, patch, "-o",
                           os.path.join(scratch, "zstd.out")])
    if not same_file(os.path.join(scratch, "zstd.out"), new):
        sys.exit("exe_patch: zstd did not make the new executable")

    full_peak = upgrade_peak(launcher, scratch, old, packages[1], new)
    delta_peak = upgrade_peak(launcher, scratch, old, delta, new)
    print("%s -> %s: %d -> %d bytes" % (old, new, os.path.getsize(old), os.path.getsize(new)))
    print("  ruvexa-pack  %s of %9d bytes (%.1f%%), made in %.1f s, %d KiB" %
          (kind, int(size), 100.0 * int(size) / os.path.getsize(new), made, made_peak))
    print("  zstd -19     patch of %9d bytes (%.1f%%), made in %.1f s; applying it takes %d KiB" %
          (os.path.getsize(patch), 100.0 * os.path.getsize(patch) / os.path.getsize(new), zstd_made, zstd_peak))
    print("  upgrade boot peak memory: full package %d KiB, delta %d KiB" % (full_peak, delta_peak))


def same_file(a, b):
    with open(a, "rb") as first, open(b, "rb") as second:
        return first.read() == second.read()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build", help="the build folder (default build)")
    parser.add_argument("pairs", nargs="*", help="OLD NEW executables, pair after pair")
    options = parser.parse_args()
    pairs = options.pairs or default_pair()
    if len(pairs) % 2:
        sys.exit("exe_patch: executables come in pairs, OLD NEW")
    pack = os.path.abspath(os.path.join(options.build, "ruvexa-pack"))
    launcher = os.path.abspath(os.path.join(options.build, "ruvexa"))
    for at in range(0, len(pairs), 2):
        with tempfile.TemporaryDirectory(prefix="ruvexa-exe-patch-") as scratch:
            os.makedirs(os.path.join(scratch, "images"))
            with open(os.path.join(scratch, "images", "a.bmp"), "wb") as image:
                image.write(b"x")
            measure(pack, launcher, scratch, os.path.abspath(pairs[at]), os.path.abspath(pairs[at + 1]))


if __name__ == "__main__":
    main()
