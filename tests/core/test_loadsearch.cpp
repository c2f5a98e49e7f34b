// The companion's search as the file loads: what it finds is what Find Next
// presses find, told as soon as the load is past it, not kept until the
// object it lies in ends (one object can be most of a file).
#include "core/search/loadsearch.h"

#include "core/search/findtext.h"
#include "core/quibfile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

TEST(LoadSearch, TellsOfOccurrencesWhileTheirObjectIsStillLoading)
{
    const auto Saved = TObjectTextFile::LoadWindowSize;
    TObjectTextFile::LoadWindowSize = 4096;
    const std::string Text = "OBJECT Codeunit 1 X\r\n" + std::string(64 * 4096, 'x') + "\r\nOBJECT Table 2 T\r\nxx\r\n";
    const TFindText Find = TFindText::OfBytes("xx", true);
    TObjectTextFile File;
    struct THit {
        std::int32_t Object, Position;
        std::int64_t SplitThrough; // where the load was when it was told
    };
    std::vector<THit> Hits;
    search::TLoadSearch Search(*Find.In(codepages::TEncoding::Latin1), File,
                            [&](std::int32_t Object, std::int32_t Position) {
                                Hits.push_back({Object, Position, File.SplitThrough()});
                            });
    File.SetOnRead([&](const char* Bytes, std::int64_t Position, std::int64_t Length) {
        Search.Read(Bytes, Position, Length);
    });
    File.LoadFromHeld(std::make_unique<platform::TMemoryStream>(Text), "memory");
    Search.Finish();
    TObjectTextFile::LoadWindowSize = Saved;

    // What Find Next presses find.
    std::vector<std::pair<std::int32_t, std::int32_t>> Want, Got;
    for (std::int32_t Object = 0, Position = 1; File.FindNext(Object, Position, "xx", true); Position += 2)
        Want.emplace_back(Object, Position);
    for (const THit& Hit : Hits)
        Got.emplace_back(Hit.Object, Hit.Position);
    EXPECT_EQ(Want, Got);
    ASSERT_FALSE(Hits.empty());
    EXPECT_LT(Hits.front().SplitThrough, std::int64_t(Text.size()) / 4)
        << "the first occurrence waited for most of its object to load";
}

} // namespace
