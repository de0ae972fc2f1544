// Upgrade packages for scenario runs, made by build/ruvexa-pack from an
// executable and folders of images and fonts, and read back into sections.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ruvexa_runner.h"

namespace scenario {

using NamedFiles = std::vector<std::pair<std::string, std::string>>;  // name, bytes

struct UpgradeContent {
    std::string exe;
    NamedFiles images;
    NamedFiles fonts;
};

struct BuiltPackage {
    std::string bytes;
    std::string exeSection;
    std::string imagesSection;
    std::string fontsSection;
};

// A new main application that leaves "new_orvane3.ran" in its folder, two
// images and one font.
UpgradeContent StandardUpgrade();

// Packs `content` with build/ruvexa-pack; the sections are cut out of the
// package by the sizes in its tail.
BuiltPackage BuildUpgradePackage(const UpgradeContent& content, const Scratch& scratch);

}  // namespace scenario
