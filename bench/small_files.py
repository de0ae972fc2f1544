#!/usr/bin/env python3
"""Many small files: ruvexa-pack build and verify, and a whole device upgrade,
timed beside zip -r and unzip of the same files.

An images folder of 3,000 files of 100 bytes in 40 folders is zipped by
`ruvexa-pack build` and by `zip -r`, the package is checked by
`ruvexa-pack verify` beside `unzip` of the same archive into a new folder,
and a device installs it (`build/ruvexa`, one upgrade boot) beside the same
`unzip`. Each command runs several times; the fastest run counts, since the
others only add the noise of a shared machine. Prints seconds and ratios.

Both ruvexa-pack commands zip or read the archive and also unpack it in a
dry run, so each is also set beside the two reference tools together:
`zip -r` plus `unzip -t` (which inflates and checks every entry without
writing it).

usage: bench/small_files.py [--build DIR] [--runs N] [--files N] [--folders N]
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time


def fastest(runs, command, prepare=None, status=0):
    best = None
    for _ in range(runs):
        if prepare:
            prepare()
        start = time.perf_counter()
        ended = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
        elapsed = time.perf_counter() - start
        if ended != status:
            sys.exit("small_files: %s ended with %d, not %d" % (" ".join(command), ended, status))
        best = elapsed if best is None else min(best, elapsed)
    return best


def make_images(folder, files, folders):
    for index in range(files):
        sub = os.path.join(folder, "set%02d" % (index % folders))
        os.makedirs(sub, exist_ok=True)
        with open(os.path.join(sub, "image%04d.bmp" % index), "wb") as out:
            out.write(bytes((index + k) % 251 for k in range(100)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build", help="the build folder (default build)")
    parser.add_argument("--runs", type=int, default=5, help="runs of each command; the fastest counts")
    parser.add_argument("--files", type=int, default=3000)
    parser.add_argument("--folders", type=int, default=40)
    options = parser.parse_args()
    pack = os.path.abspath(os.path.join(options.build, "ruvexa-pack"))
    launcher = os.path.abspath(os.path.join(options.build, "ruvexa"))
    for tool in ("zip", "unzip"):
        if not shutil.which(tool):
            sys.exit("small_files: %s is missing (sh scripts/setup.sh installs it)" % tool)

    with tempfile.TemporaryDirectory(prefix="ruvexa-small-files-") as scratch:
        images = os.path.join(scratch, "images")
        make_images(images, options.files, options.folders)
        exe = os.path.join(scratch, "Orvane3.exe")
        with open(exe, "w") as out:
            out.write("#!/bin/sh\ntouch upgraded\n")
        package = os.path.join(scratch, "OV3_UPGRADE_1.BIN")
        reference_zip = os.path.join(scratch, "reference.zip")
        unpacked = os.path.join(scratch, "unpacked")
        device = os.path.join(scratch, "device")

        def remove(path):
            if os.path.isdir(path):
                shutil.rmtree(path)
            elif os.path.exists(path):
                os.remove(path)

        def fresh_device():
            remove(device)
            download = os.path.join(device, "Storage Card", "OV3_Download")
            os.makedirs(download)
            os.makedirs(os.path.join(device, "NandFlash", "Merrow"))
            shutil.copy(package, download)
            open(os.path.join(device, "NandFlash", "RemoteUpgrade.flag"), "w").close()

        figures = []
        ours = fastest(options.runs, [pack, "build", "-q", "--exe", exe, "--images", images, "-o", package],
                       lambda: remove(package))
        zip_time = fastest(options.runs, ["zip", "-q", "-r", reference_zip, "."],
                           lambda: (remove(reference_zip), os.chdir(images)))
        os.chdir(scratch)
        figures.append(("ruvexa-pack build", ours, "zip -r", zip_time))
        unzip_time = fastest(options.runs, ["unzip", "-q", reference_zip, "-d", unpacked], lambda: remove(unpacked))
        ours = fastest(options.runs, [pack, "verify", "-q", package])
        figures.append(("ruvexa-pack verify", ours, "unzip", unzip_time))
        test_time = fastest(options.runs, ["unzip", "-tq", reference_zip])
        build_time, verify_time = figures[0][1], ours
        # One boot: the extraction and the installation, up to the reset (exit 3).
        ours = fastest(options.runs, [launcher, "--device-root", device, "--headless", "--time-scale", "1000"],
                       fresh_device, status=3)
        figures.append(("device upgrade (one boot)", ours, "unzip", unzip_time))
        figures.append(("ruvexa-pack build", build_time, "zip -r + unzip -t", zip_time + test_time))
        figures.append(("ruvexa-pack verify", verify_time, "zip -r + unzip -t", zip_time + test_time))

    print("%d files of 100 bytes in %d folders; fastest of %d runs" % (options.files, options.folders, options.runs))
    for name, seconds, reference, reference_seconds in figures:
        print("%-28s %7.3f s   %-17s %7.3f s   ratio %5.1f" %
              (name, seconds, reference, reference_seconds, seconds / reference_seconds))


if __name__ == "__main__":
    main()
