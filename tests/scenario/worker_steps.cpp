// The workers' records filled as the shell fills them, and their bodies run
// on this thread.
#include "worker_steps.h"

#include <string>

#include "attempt_support.h"
#include "installation.h"
#include "test_bytes.h"

namespace scenario {

void RunInstallationStep(const BuiltPackage& package, bool remote, HWND window, UINT message) {
    const std::wstring upgradeFile = PackagePath(remote);
    const std::wstring folder = SectionFolder(remote);
    const std::wstring sections[3] = {folder + kSectionFiles[0], folder + kSectionFiles[1], folder + kSectionFiles[2]};
    UpgradeAttempt attempt = testing_support::AttemptFor(remote, upgradeFile.c_str(), sections[0].c_str(),
                                                         sections[1].c_str(), sections[2].c_str());
    attempt.verified = VerifiedPackage{
        .checksum = testing_support::LittleEndianAt(package.bytes, package.bytes.size() - 4),
        .delta = package.bytes.rfind("3-VD", 0) == 0,
    };
    Installer installer{};
    FillWorkerRecord(&installer, window, message, attempt);
    installer.remote_upgrade = remote;
    installer.package_checksum = attempt.verified->checksum;
    installer.delta = attempt.verified->delta;
    UpgradeThreadProc(&installer);
}

}  // namespace scenario
