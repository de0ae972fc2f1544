// The upgrade attempt of one boot, the one value the stages hand on:
// CheckUpgrade fills in where the package is and where its sections go, the
// extraction adds what it verified of the package, and the installation
// reads both. The shell keeps the one instance of the boot; a worker reads
// and completes it only between its start and its posted result.
//
// It lives beside the workers' skeleton because detect, package and install
// all read it and worker/ is below all three.
#pragma once

#include <windows.h>

#include <optional>

// Room for the next keys of a key rotation: at most four key files of 48
// bytes (signature_format.h, which the extraction checks this against).
constexpr DWORD kNextKeysCapacity = 4 * 48;
// The longest device model that counts, with its ending zero.
constexpr DWORD kDeviceModelCapacity = 64;

// What the extraction verified of the package.
struct VerifiedPackage {
    DWORD checksum;  // the package's stored checksum, matched by the one computed
    // The security version of the signature a trusted key verified; none on
    // a device without a trusted key, where versions do not count.
    std::optional<DWORD> security_version;
    bool delta;  // the sections are installed against the installed version
    // The keys the verified signature says the device trusts once the
    // package is installed, as a trusted key file; none (size 0): the keys
    // stay as they are.
    BYTE next_keys[kNextKeysCapacity];
    DWORD next_keys_size;
};

struct UpgradeAttempt {
    bool remote;  // from the download folder; otherwise from a USB disk
    WCHAR package_file[MAX_PATH];
    // USB source only. The paths carry no leading separator: every path on
    // the device is rooted, so "Hard Disk\AppExecute.ex" is in the disk's root.
    WCHAR source_dir[MAX_PATH];
    WCHAR package_pattern[MAX_PATH];
    // Where the sections are written and read: beside a downloaded package,
    // in the USB disk's root otherwise.
    WCHAR exe_file[MAX_PATH];
    WCHAR images_file[MAX_PATH];
    WCHAR fonts_file[MAX_PATH];
    // The device's model from its OEM info, given by the shell; empty: not
    // known, and models are not checked.
    WCHAR device_model[kDeviceModelCapacity];
    // Once the extraction has verified the package.
    std::optional<VerifiedPackage> verified;
};
