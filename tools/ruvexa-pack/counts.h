// Counts as the tool prints them, with the noun in the singular for one:
// "1 file", "2 files", "1 byte".
#pragma once

#include <cstdint>
#include <string>

namespace pack {

// `singular`, or for any count but one `plural` (by default `singular`
// followed by "s").
std::string Noun(uint64_t count, const std::string& singular, const std::string& plural = "");

// The count and its noun: "1 file", "3 files".
std::string Counted(uint64_t count, const std::string& singular, const std::string& plural = "");

// The number alone, grouped by thousands for reading at a glance: "1,500".
std::string GroupedNumber(uint64_t count);

}  // namespace pack
