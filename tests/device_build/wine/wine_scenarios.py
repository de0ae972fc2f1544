#!/usr/bin/env python3
"""Runs each scenario twice, on the host build (build/ruvexa over our own
Win32 layer) and on the Windows build under Wine, each on a device folder made
by the same recipe, and compares the exit status, the debug log (ticks
masked) and the file tree the run leaves. A difference that the list of known
differences explains is counted, any other fails the run.

    wine_scenarios.py --host-ruvexa EXE --wine-ruvexa EXE --host-installer EXE
                      --wine-installer EXE --marker EXE --prefix DIR --work DIR
                      --pack EXE --known FILE [SCENARIO ...]

The installer is the installation worker on its own (install_only.cpp), for
the faults a whole run cannot reach. The packages of the delta and keyed
scenarios are made once by the host's ruvexa-pack (--pack), so that both
runs get the same bytes.
"""
import argparse
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import time
import zipfile
import zlib

# The device's main application on the host: a script that leaves the same
# marker as the Windows stand-in does.
HOST_APP = b"#!/bin/sh\ntouch started\n"
# Device milliseconds after which a run that stays on its error screen is
# switched off; every fault is reached well before.
POWER_OFF_MS = 4000
EXIT_NAMES = {0: "ended", 3: "reset through AIP1:", 4: "power-state reset", 5: "switched off"}


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def package(exe, images, fonts=b"", data_size=None, checksum_xor=0):
    """An upgrade package: head, sections, tail with sizes and CRC-32."""
    head = b"3-VO" + struct.pack("<I", data_size if data_size is not None else len(exe) + len(images) + len(fonts))
    body = head + exe + images + fonts
    crc = zlib.crc32(body) ^ checksum_xor
    return body + struct.pack("<IIII", len(exe), len(images), len(fonts), crc)


def python_zip(entries):
    """A zip of (name, bytes) entries made with Python's zipfile; a name
    ending in "/" is a folder entry as zipfile writes it."""
    path = os.path.join(WORK, "zip-%d.zip" % len(os.listdir(WORK)))
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        for name, data in entries:
            info = zipfile.ZipInfo(name, date_time=(2021, 6, 15, 12, 30, 0))
            info.compress_type = zipfile.ZIP_STORED if name.endswith("/") else zipfile.ZIP_DEFLATED
            info.external_attr = 0x10 if name.endswith("/") else 0x20
            archive.writestr(info, data)
    with open(path, "rb") as data:
        return data.read()


def tool_zip(command, files):
    """A zip made by an outside tool ($A names it) from a folder of files."""
    folder = os.path.join(WORK, "tool-src-%d" % len(os.listdir(WORK)))
    for name, data in files:
        write(os.path.join(folder, name), data)
    archive = folder + ".zip"
    subprocess.run(["sh", "-c", 'A="%s" && cd "%s" && %s >/dev/null' % (archive, folder, command)], check=True)
    with open(archive, "rb") as data:
        return data.read()


IMAGES = [("Start.bmp", b"BM" + bytes(range(256)) * 8), ("Icons/", b""), ("Icons/usb.bmp", b"BM icon")]
FONTS = [("Sans.ttf", b"font data " * 50)]
EXE = b"MZ new program " * 64


def installed(root, app):
    write(os.path.join(root, "NandFlash/Merrow/Orvane3.exe"), app)
    write(os.path.join(root, "NandFlash/Merrow/Images/Old.bmp"), b"BM old")
    write(os.path.join(root, "NandFlash/Merrow/Font/Old.ttf"), b"old font")
    os.makedirs(os.path.join(root, "Windows"), exist_ok=True)


def remote(root, app, bytes_):
    installed(root, app)
    write(os.path.join(root, "NandFlash/RemoteUpgrade.flag"), b"")
    write(os.path.join(root, "Storage Card/OV3_Download/OV3_UPGRADE_2024.BIN"), bytes_)


def local(root, app, bytes_):
    installed(root, app)
    write(os.path.join(root, "NandFlash/Upgrade.flag"), b"")
    write(os.path.join(root, "Hard Disk/OV3_UPGRADE_7.BIN"), bytes_)


def read_only_image(root, app, bytes_):
    remote(root, app, bytes_)
    locked = os.path.join(root, "NandFlash/Merrow/Images/Locked.bmp")
    write(locked, b"BM locked")
    os.chmod(locked, 0o444)


def extracted(root, app, exe=True, images=True):
    """What the extraction of a remote upgrade leaves, with the exe or the
    images archive missing on request."""
    remote(root, app, package(EXE, python_zip(IMAGES)))
    folder = os.path.join(root, "Storage Card/OV3_Download")
    if exe:
        write(os.path.join(folder, "AppExecute.ex"), EXE)
    if images:
        write(os.path.join(folder, "AppImages.zi"), python_zip(IMAGES))
    write(os.path.join(folder, "AppFonts.zi"), python_zip(FONTS))


def pack(*arguments):
    subprocess.run([ARGS.pack, *arguments], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def read(path):
    with open(path, "rb") as data:
        return data.read()


def checksum_of(package_bytes):
    """The package's CRC-32 as its tail holds it and the device names it."""
    return "%08X" % struct.unpack("<I", package_bytes[-4:])[0]


# The release a delta is made from, as installed, and the one it makes.
OLD_EXE = b"MZ old program " * 60 + bytes(range(256)) * 4
OLD_IMAGES = [("Start.bmp", b"BM" + bytes(range(256)) * 8), ("Icons/", b""), ("Icons/usb.bmp", b"BM icon"),
              ("Icons/ok.bmp", b"BM ok")]
OLD_FONTS = [("Sans.ttf", b"font data " * 50)]
NEW_EXE = OLD_EXE[:400] + b"PATCHED" + OLD_EXE[407:] + b"more code" * 20
NEW_IMAGES = [entry for entry in OLD_IMAGES if entry[0] != "Icons/ok.bmp"] + [("Icons/help.bmp", b"BM help")]
NEW_FONTS = [("Sans.ttf", b"font data, new " * 40)]


def installed_release(root, exe, images, fonts):
    """The device holding a release exactly as its package installs it."""
    merrow = os.path.join(root, "NandFlash/Merrow")
    write(os.path.join(merrow, "Orvane3.exe"), exe)
    for folder, entries in (("Images", images), ("Font", fonts)):
        for name, data in entries:
            if name.endswith("/"):
                os.makedirs(os.path.join(merrow, folder, name), exist_ok=True)
            else:
                write(os.path.join(merrow, folder, name), data)
    os.makedirs(os.path.join(root, "Windows"), exist_ok=True)


def delta_package():
    """A delta from the old release to the new, made by ruvexa-pack."""
    old = os.path.join(WORK, "delta-old.bin")
    new = os.path.join(WORK, "delta-new.bin")
    write(old, package(OLD_EXE, python_zip(OLD_IMAGES), python_zip(OLD_FONTS)))
    write(new, package(NEW_EXE, python_zip(NEW_IMAGES), python_zip(NEW_FONTS)))
    pack("delta", "--from", old, "--to", new, "-o", os.path.join(WORK, "delta.bin"))
    return read(os.path.join(WORK, "delta.bin"))


def delta_upgrade(root, delta):
    installed_release(root, OLD_EXE, OLD_IMAGES, OLD_FONTS)
    write(os.path.join(root, "NandFlash/RemoteUpgrade.flag"), b"")
    write(os.path.join(root, "Storage Card/OV3_Download/OV3_UPGRADE_2024.BIN"), delta)


def rollback(root, app, on_trial):
    """A new version on trial whose one start is used up: the boot moves the
    kept version back, records the release as rejected and resets."""
    installed_release(root, EXE, IMAGES, FONTS)
    previous = os.path.join(root, "NandFlash/Merrow/Previous")
    write(os.path.join(previous, "Orvane3.exe"), app)
    write(os.path.join(previous, "Images/Old.bmp"), b"BM old")
    write(os.path.join(previous, "Font/Old.ttf"), b"old font")
    merrow = os.path.join(root, "NandFlash/Merrow")
    write(os.path.join(merrow, "Rollback.cfg"), b"starts=1\n")
    write(os.path.join(merrow, "Trial.flag"), b"checksum=" + checksum_of(on_trial).encode() +
          b"\r\npackage=OV3_UPGRADE_2024.BIN\r\nexe=1\r\nimages=1\r\nfont=1\r\n")
    write(os.path.join(merrow, "Trial.1"), b"")


def keyed_package():
    """A package signed with security version 4, and the key's public half."""
    key = os.path.join(WORK, "release")
    pack("keygen", key)
    folder = os.path.join(WORK, "keyed")
    write(os.path.join(folder, "Orvane3.exe"), EXE)
    for name, data in IMAGES:
        if not name.endswith("/"):
            write(os.path.join(folder, "images", name), data)
    output = os.path.join(folder, "package.bin")
    pack("build", "--exe", os.path.join(folder, "Orvane3.exe"), "--images", os.path.join(folder, "images"),
         "--sign", key + ".key", "--security-version", "4", "-o", output)
    return read(output), read(output + ".SIG"), read(key + ".pub")


def floor_refused(root, app, keyed):
    """A keyed device whose security floor (5) is above the package's
    signed version (4): refused before anything is written, then the
    installed application starts."""
    package_bytes, signature, public_key = keyed
    remote(root, app, package_bytes)
    write(os.path.join(root, "Storage Card/OV3_Download/OV3_UPGRADE_2024.BIN.SIG"), signature)
    write(os.path.join(root, "NandFlash/Merrow/Upgrade.pub"), public_key)
    write(os.path.join(root, "NandFlash/Merrow/Floor.A"), b"sequence=1\r\nfloor=5\r\n")


def scenarios():
    good = package(EXE, python_zip(IMAGES), python_zip(FONTS))
    images = python_zip(IMAGES)
    deflate64 = tool_zip("7z a -tzip -mm=Deflate64 -bd \"$A\" .", [("Big.bmp", b"BM" + b"x" * 60000)])
    hostile = python_zip([("ok.bmp", b"ok"), ("../../Evil.txt", b"evil")])
    # A byte more inside the images section: head and tail agree, the length does not.
    whole = package(EXE, images)
    inserted = whole[:len(EXE) + 20] + b"!" + whole[len(EXE) + 20:]
    unix_folders = tool_zip("bsdtar --format zip -cf \"$A\" *", [("Start.bmp", b"BM start"),
                                                                ("Icons/usb.bmp", b"BM icon")])
    faults = {
        "Err04": lambda root, app: remote(root, app, b"XXXX" + good[4:]),
        "Err08": lambda root, app: remote(root, app, package(EXE, images, data_size=len(EXE) + len(images) + 1)),
        "Err09": lambda root, app: remote(root, app, inserted),
        "Err0D": lambda root, app: remote(root, app, package(b"", images)),
        "Err0F": lambda root, app: remote(root, app, package(EXE, images, checksum_xor=1)),
        "Err23": lambda root, app: remote(root, app, package(EXE, b"")),
        "Err40": lambda root, app: remote(root, app, package(EXE, deflate64)),
        "Err42": lambda root, app: read_only_image(root, app, package(EXE, images)),
        "hostile-names": lambda root, app: local(root, app, package(EXE, hostile)),
    }
    # A run that ends by itself (the launch, the reset after an upgrade) has
    # no power-off; one that stays on its error screen is switched off.
    table = {
        "start": (lambda root, app: installed(root, app), None),
        "remote-upgrade": (lambda root, app: remote(root, app, good), None),
        "local-upgrade": (lambda root, app: local(root, app, good), None),
        "folder-entries": (lambda root, app: remote(root, app, package(EXE, unix_folders)), None),
    }
    table.update({name: (recipe, POWER_OFF_MS) for name, recipe in faults.items()})
    table = {name: (recipe, power_off, "launcher") for name, (recipe, power_off) in table.items()}
    delta = delta_package()
    keyed = keyed_package()
    table["delta-upgrade"] = (lambda root, app: delta_upgrade(root, delta), None, "launcher")
    table["rollback"] = (lambda root, app: rollback(root, app, good), None, "launcher")
    table["floor-refused"] = (lambda root, app: floor_refused(root, app, keyed), None, "launcher")
    table["Err43"] = (lambda root, app: extracted(root, app, images=False), None, "installer")
    table["Err6A"] = (lambda root, app: extracted(root, app, exe=False), None, "installer")
    return table


def masked_upgrade_log(content):
    """An upgrade log holds the run's ticks, durations and boot dates."""
    content = re.sub(rb"(at|took)=\[-?\d+\]", rb"\1=[*]", content)
    return re.sub(rb"date=\[[^\]]*\]", rb"date=[*]", content)


def tree(root, started):
    """Every path below the root with a digest of its bytes, whether it is
    read-only, and the write time of a file dated before the run (one that
    an archive dated), so that times and attributes are compared too. The
    stand-in main application differs by build (a script, a Windows
    program): only its presence counts."""
    listing = []
    for folder, folders, files in os.walk(root):
        for name in folders:
            listing.append(os.path.relpath(os.path.join(folder, name), root) + "/")
        for name in files:
            path = os.path.join(folder, name)
            relative = os.path.relpath(path, root)
            with open(path, "rb") as data:
                content = data.read()
            if name.startswith("Upgrade.log"):
                content = masked_upgrade_log(content)
            if name == "Rejected.txt":
                # Each release rolled back is recorded with the tick of its rollback.
                content = re.sub(rb"tick=\d+", b"tick=*", content)
            digest = hashlib.sha256(content).hexdigest()[:12]
            if relative == "NandFlash/Merrow/Orvane3.exe" and digest in APP_DIGESTS:
                digest = "<main application>"
            info = os.stat(path)
            read_only = " read-only" if not info.st_mode & 0o222 else ""
            dated = time.strftime(" %Y-%m-%d %H:%M:%S", time.localtime(info.st_mtime)) \
                if info.st_mtime < started - 3600 else ""
            listing.append("%s %s%s%s" % (relative, digest, read_only, dated))
    return sorted(listing)


def masked_log(path):
    if not os.path.exists(path):
        return []
    with open(path, "rb") as data:
        text = data.read().decode("utf-8", "replace")
    # Ticks and the stages' durations are times of the run, not results.
    return [re.sub(r"(at|took)=\[-?\d+\]", r"\1=[*]", line) for line in text.split("\r\n")]


def run_host(root, log, power_off_ms, program):
    # The device clock at real speed, as under Wine: the switch-off after
    # POWER_OFF_MS then leaves the host run the same seconds of margin on a
    # busy machine (at 20 times, 0.2 s of real time once ran out before the
    # program had found its package).
    command = [ARGS.host_ruvexa if program == "launcher" else ARGS.host_installer, "--device-root", root, "--headless", "--log", log]
    if power_off_ms:
        command += ["--power-off-after", str(power_off_ms)]
    return subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120).returncode


def run_wine(root, log, power_off_ms, program):
    drive = os.path.join(ARGS.prefix, "dosdevices", "d:")
    if os.path.lexists(drive):
        os.remove(drive)
    os.symlink(root, drive)
    env = dict(os.environ, WINEPREFIX=ARGS.prefix, WINEDEBUG="-all", RUVEXA_LOG="Z:" + log.replace("/", "\\"))
    if power_off_ms:
        env["RUVEXA_POWER_OFF_AFTER_MS"] = str(power_off_ms)
    # Started in the device folder, which is drive D:, so that "\NandFlash"
    # names D:\NandFlash and a path without a drive is relative to D:\.
    executable = ARGS.wine_ruvexa if program == "launcher" else ARGS.wine_installer
    return subprocess.run([ARGS.wine, executable], cwd=root, env=env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=120).returncode


def differences(host, wine):
    found = []
    if host["status"] != wine["status"]:
        found.append(("status", "host %s, wine %s" % (host["status"], wine["status"])))
    if host["log"] != wine["log"]:
        only_host = [line for line in host["log"] if line not in wine["log"]]
        only_wine = [line for line in wine["log"] if line not in host["log"]]
        found.append(("log", "host only %s; wine only %s" % (only_host, only_wine)))
    if host["tree"] != wine["tree"]:
        only_host = [entry for entry in host["tree"] if entry not in wine["tree"]]
        only_wine = [entry for entry in wine["tree"] if entry not in host["tree"]]
        found.append(("tree", "host only %s; wine only %s" % (only_host, only_wine)))
    return found


def known_differences(path):
    """Lines "SCENARIO ASPECT REASON..."; "#" starts a comment."""
    known = {}
    with open(path, encoding="utf-8") as lines:
        for line in lines:
            line = line.split("#", 1)[0].strip()
            if line:
                scenario, aspect, reason = line.split(None, 2)
                known[(scenario, aspect)] = reason
    return known


def main():
    global ARGS, WORK, APP_DIGESTS
    parser = argparse.ArgumentParser()
    for option in ("--host-ruvexa", "--wine-ruvexa", "--host-installer", "--wine-installer", "--marker", "--prefix", "--work",
                   "--pack", "--known"):
        parser.add_argument(option, required=True)
    parser.add_argument("--wine", default="wine64")
    parser.add_argument("names", nargs="*")
    ARGS = parser.parse_args()
    WORK = os.path.join(ARGS.work, "inputs")
    shutil.rmtree(ARGS.work, ignore_errors=True)
    os.makedirs(WORK)
    with open(ARGS.marker, "rb") as marker:
        wine_app = marker.read()
    APP_DIGESTS = {hashlib.sha256(app).hexdigest()[:12] for app in (HOST_APP, wine_app)}
    table = scenarios()
    names = ARGS.names or list(table)
    known = known_differences(ARGS.known)
    identical = explained = 0
    unexplained = []
    for name in names:
        results = {}
        for kind, app, runner in (("host", HOST_APP, run_host), ("wine", wine_app, run_wine)):
            root = os.path.join(ARGS.work, name, kind, "device")
            log = os.path.join(ARGS.work, name, kind, "log.txt")
            os.makedirs(root)
            recipe, power_off_ms, program = table[name]
            recipe(root, app)
            started = time.monotonic()
            status = runner(root, log, power_off_ms, program)
            results[kind] = {"status": EXIT_NAMES.get(status, status), "log": masked_log(log),
                             "tree": tree(root, time.time() - (time.monotonic() - started)),
                             "seconds": time.monotonic() - started}
        found = differences(results["host"], results["wine"])
        timing = "host %.1f s, wine %.1f s" % (results["host"]["seconds"], results["wine"]["seconds"])
        if not found:
            identical += 1
            print("%-15s identical (%s; %s)" % (name, results["host"]["status"], timing))
        for aspect, detail in found:
            reason = known.get((name, aspect))
            if reason:
                explained += 1
                print("%-15s known difference in the %s: %s" % (name, aspect, reason))
            else:
                unexplained.append(name)
                print("%-15s DIFFERS in the %s: %s" % (name, aspect, detail))
    print("%d of %d scenarios identical, %d known differences" % (identical, len(names), explained))
    return 1 if unexplained else 0


if __name__ == "__main__":
    sys.exit(main())
