#include "platform/sysinfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using platform::FormatThousands;
using platform::ParseMemInfo;
using platform::TMemoryStatus;

namespace {

std::string MemInfo(std::uint64_t TotalKiB, std::uint64_t AvailableKiB)
{
    return "MemTotal:       " + std::to_string(TotalKiB) + " kB\n"
           "MemFree:          123456 kB\n"
           "MemAvailable:   " + std::to_string(AvailableKiB) + " kB\n"
           "Buffers:          1000 kB\n"
           "Cached:           2000 kB\n";
}

} // namespace

TEST(ParseMemInfo, TotalInBytesAndLoadFromAvailable)
{
    const TMemoryStatus Status = ParseMemInfo(MemInfo(523712, 193773));
    EXPECT_EQ(Status.TotalPhys, 523712ull * 1024);
    EXPECT_EQ(Status.MemoryLoad, 63u); // 63.0 % in use
}

struct TLoadCase {
    const char* Name;
    std::uint64_t TotalKiB, AvailableKiB;
    std::uint32_t Load;
};

class ParseMemInfoLoad : public testing::TestWithParam<TLoadCase> {};

TEST_P(ParseMemInfoLoad, RoundsToNearestAndStaysWithinRange)
{
    const TLoadCase& Case = GetParam();
    EXPECT_EQ(ParseMemInfo(MemInfo(Case.TotalKiB, Case.AvailableKiB)).MemoryLoad, Case.Load);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseMemInfoLoad,
    testing::Values(TLoadCase{"AllFree", 1000, 1000, 0}, TLoadCase{"NoneFree", 1000, 0, 100},
                    TLoadCase{"HalfUpRoundsUp", 1000, 995, 1},     // 0.5 %
                    TLoadCase{"BelowHalfRoundsDown", 1000, 996, 0}, // 0.4 %
                    TLoadCase{"JustBelowFull", 1000, 4, 100},        // 99.6 %
                    TLoadCase{"AvailableAboveTotal", 1000, 2000, 0},
                    TLoadCase{"HugeMachine", 17179869184ull, 8589934592ull, 50}),
    [](const testing::TestParamInfo<TLoadCase>& Info) { return std::string(Info.param.Name); });

TEST(ParseMemInfo, FallsBackToFreeBuffersAndCachedWithoutMemAvailable)
{
    const TMemoryStatus Status = ParseMemInfo("MemTotal: 1000 kB\nMemFree: 100 kB\n"
                                              "Buffers: 50 kB\nCached: 100 kB\n");
    EXPECT_EQ(Status.TotalPhys, 1000u * 1024);
    EXPECT_EQ(Status.MemoryLoad, 75u);
}

TEST(ParseMemInfo, WithoutTotalGivesZeros)
{
    for (const char* Text : {"", "garbage\n", "MemAvailable: 100 kB\n", "MemTotal: x kB\n"}) {
        const TMemoryStatus Status = ParseMemInfo(Text);
        EXPECT_EQ(Status.TotalPhys, 0u) << Text;
        EXPECT_EQ(Status.MemoryLoad, 0u) << Text;
    }
}

TEST(GetMemoryStatus, DescribesThisMachine)
{
    const TMemoryStatus Status = platform::GetMemoryStatus();
    EXPECT_GT(Status.TotalPhys, 0u);
    EXPECT_LE(Status.MemoryLoad, 100u);
}

TEST(FormatThousands, GroupsByThousands)
{
    EXPECT_EQ(FormatThousands(0, ","), "0");
    EXPECT_EQ(FormatThousands(999, ","), "999");
    EXPECT_EQ(FormatThousands(1000, ","), "1,000");
    EXPECT_EQ(FormatThousands(523712, ","), "523,712");
    EXPECT_EQ(FormatThousands(1234567, "."), "1.234.567");
    EXPECT_EQ(FormatThousands(18446744073709551615ull, ","), "18,446,744,073,709,551,615");
    // A separator of several bytes, such as a UTF-8 no-break space.
    EXPECT_EQ(FormatThousands(1234567, "\xC2\xA0"), "1\xC2\xA0" "234\xC2\xA0" "567");
    EXPECT_EQ(FormatThousands(1234, ""), "1234");
}

#ifdef _WIN32
TEST(GetVersionData, EmptyWithoutVersionResource)
{
    // Neither a missing file nor this test program carries the string table.
    const platform::TVersionData Data = platform::GetVersionData("C:\\no\\such\\file.exe");
    EXPECT_TRUE(Data.ProductName.empty());
    EXPECT_TRUE(Data.FileVersion.empty());
    EXPECT_TRUE(Data.LegalCopyright.empty());
}
#else
TEST(GetVersionData, IsTheBuildsOwnData)
{
    const platform::TVersionData Data = platform::GetVersionData("/proc/self/exe");
    EXPECT_EQ(Data.ProductName, "Orvanta");
    EXPECT_EQ(Data.FileVersion, ORVANTA_VERSION);
    EXPECT_FALSE(Data.FileVersion.empty());
    EXPECT_EQ(Data.LegalCopyright.rfind("Copyright (C) ", 0), 0u) << Data.LegalCopyright;
}
#endif
