// CRC-32 accumulator: the standard check value, the empty run, piecewise
// feeding, and agreement with zlib on a large buffer.
#include <gtest/gtest.h>

#include <string>

#include "crc32.h"
#include "package_builder.h"

namespace {

DWORD Crc32Of(const std::string& bytes) {
    DWORD crc = 0;
    Crc32Init(&crc);
    Crc32Update(&crc, bytes.data(), static_cast<DWORD>(bytes.size()));
    Crc32Final(&crc);
    return crc;
}

TEST(Crc32Test, StandardCheckValueAndEmptyRun) {
    EXPECT_EQ(Crc32Of("123456789"), 0xCBF43926u);
    EXPECT_EQ(Crc32Of(""), 0u);

    DWORD crc = 0;
    Crc32Init(&crc);
    EXPECT_EQ(crc, 0xFFFFFFFFu);
    Crc32Update(&crc, "x", 0);
    EXPECT_EQ(crc, 0xFFFFFFFFu);
}

TEST(Crc32Test, PiecesGiveTheSameResultAsOneRun) {
    std::string data = package_testing::RandomBytes(10000, 7);
    DWORD crc = 0;
    Crc32Init(&crc);
    size_t offset = 0;
    for (size_t piece : {1u, 0u, 3u, 4096u, 17u}) {
        Crc32Update(&crc, data.data() + offset, static_cast<DWORD>(piece));
        offset += piece;
    }
    Crc32Update(&crc, data.data() + offset, static_cast<DWORD>(data.size() - offset));
    Crc32Final(&crc);
    EXPECT_EQ(crc, Crc32Of(data));
}

TEST(Crc32Test, AgreesWithZlibOnEveryByteValue) {
    std::string data = package_testing::RandomBytes(1 << 20, 11);
    for (int value = 0; value < 256; ++value) data[value] = static_cast<char>(value);
    EXPECT_EQ(Crc32Of(data), package_testing::ReferenceCrc32(data));
}

}  // namespace
