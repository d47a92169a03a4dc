#include "vetrel/com.h"

#include <gtest/gtest.h>

namespace {

constexpr GUID kSample = {
    0x39C13A4D, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};

TEST(Guid, ComparesEveryByte)
{
    GUID other = kSample;
    EXPECT_TRUE(IsEqualGUID(kSample, other));
    EXPECT_TRUE(kSample == other);
    for (int i = 0; i < 8; ++i) {
        other = kSample;
        other.Data4[i] ^= 1;
        EXPECT_FALSE(IsEqualGUID(kSample, other)) << "byte " << i;
    }
    other = kSample;
    other.Data3 ^= 1;
    EXPECT_TRUE(kSample != other);
    EXPECT_FALSE(IsEqualIID(GUID_NULL, kSample));
    EXPECT_EQ(sizeof(GUID), 16u);
}

} // namespace
