// Counts with their nouns.
#include "counts.h"

namespace pack {

std::string Noun(uint64_t count, const std::string& singular, const std::string& plural) {
    if (count == 1) return singular;
    return plural.empty() ? singular + "s" : plural;
}

std::string Counted(uint64_t count, const std::string& singular, const std::string& plural) {
    return std::to_string(count) + " " + Noun(count, singular, plural);
}

std::string GroupedNumber(uint64_t count) {
    const std::string digits = std::to_string(count);
    std::string grouped;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return grouped;
}

}  // namespace pack
