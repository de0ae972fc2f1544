// Unpacking an images or fonts archive with the device's own zip extractor
// into a scratch folder, as the installation will: an archive the device
// cannot unpack (an entry it cannot read, a name it refuses) is found on the
// host rather than on the device.
#pragma once

#include <string>

namespace pack {

// True when the device unpacks the archive at `hostZip` (called `shownName`
// in the report). Otherwise false, with `report` holding the installation's code ("Err40" for images, "Err50"
// for fonts), the reason and the device's log lines, ready to print.
bool CheckArchive(const std::string& hostZip, const std::string& shownName, bool fonts, std::string* report);

// The same for the images and fonts sections of a package the device has
// accepted (a device path), written out to a scratch folder first.
bool CheckPackageArchives(const std::wstring& packagePath, std::string* report);

}  // namespace pack
