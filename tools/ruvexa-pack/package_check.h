// Checking a package with the device's own extraction
// (ExtractPackageSections), as its worker runs it: pre-verification, then
// the exe, images and fonts sections in file order, then the checksum.
// Optionally the sections are written out on the way, as the worker does.
// Given a trusted key, the package's signature is checked in the same pass,
// as on a device that holds that key; the device's security floor is not.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "extract_codes.h"
#include "package_info.h"
#include "package_sections.h"
#include "signature_format.h"

namespace pack {

struct SectionFiles {
    std::wstring paths[kPackageSectionCount];  // in the order of kPackageSections
    // The folder of the files as the user named it, for messages; empty:
    // the host path of each.
    std::string shownFolder{};
};

// The section files in `folder` (a device path) under the device's names.
SectionFiles SectionFilesIn(const std::wstring& folder, const std::string& shownFolder = "");

struct CheckResult {
    bool ok = false;
    ExtractFailure failureIndex{};  // what failed when !ok
    std::string reason;       // one line of plain English
    std::string programLine;  // the program's own log line for the failure, if it logged one
    // The failure lies with a host file written on the way, not with the
    // package: the reason then names the host file, and no device code applies.
    bool hostFileProblem = false;
    PackageInfo info{};
    DWORD computedChecksum = 0;
    DWORD securityVersion = 0;  // of the signature checked with a trusted key
    SignedContent signedContent{};  // its next keys and models
};

// Reads the package at `packagePath` (a device path) and writes nothing.
// `trustedKey`, when not empty, is the device path of a public key file.
CheckResult CheckPackage(const std::wstring& packagePath, const std::wstring& trustedKey = L"");

// As CheckPackage, and copies each section into its file (replacing it); an
// empty fonts section writes no file and leaves one already there. On
// failure the files written so far are deleted again.
CheckResult ExtractPackage(const std::wstring& packagePath, const SectionFiles& outputs,
                           const std::wstring& trustedKey = L"");

// Where the images and the fonts section start: the sections follow the
// head end to end, as the tail's sizes say.
inline uint64_t ImagesSectionOffset(const PackageInfo& info) { return uint64_t{kExeSectionOffset} + info.exe_size; }
inline uint64_t FontsSectionOffset(const PackageInfo& info) { return ImagesSectionOffset(info) + info.images_size; }

// A package whose length is not the one its head implies (data_size + 24),
// in the words of what happened to it: "the file is incomplete: N bytes
// missing" for a file cut short, "the file has N bytes after the tail" for
// one with bytes added, each with the two lengths. Empty when the length
// is right.
std::string LengthProblem(uint64_t dataSize, uint64_t fileLength);

// The code text of a failure, such as "Err0F".
std::string FailureCodeText(ExtractFailure failureIndex);

}  // namespace pack
