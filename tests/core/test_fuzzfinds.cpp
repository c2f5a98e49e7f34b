// Inputs on which the fuzz targets (fuzz/) once found a fault, kept as they
// were found. The sanitizer build of these tests is what catches most of them.
#include "core/merge/linemerge.h"
#include "core/quibfile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace std::string_literals;

// Headers without a name: the name's text had no storage, and copying an
// empty name from it was undefined behaviour.
TEST(FuzzFinds, HeaderWithoutAName)
{
    for (const std::string& Header : {"Table 99"s, "Table"s, "T 1"s}) {
        try {
            const TObjectTextObject Object(nullptr, 0, Header);
            EXPECT_EQ("", Object.Name()) << Header;
        } catch (const EConvertError&) {
            EXPECT_EQ("Table", Header);
        }
    }
    TObjectTextFile File;
    File.ParseText("OBJECT Table 1 123456789012345678901234567890XYZ   \r\nOBJECT Table 3\r\nOBJECT Table 4 \r\n"s);
    ASSERT_EQ(3, File.Count());
    EXPECT_EQ("123456789012345678901234567890", File.Objects(0).Name());
    EXPECT_EQ("", File.Objects(1).Name());
    EXPECT_EQ("", File.Objects(2).Name());
}

// A version whose last line has no break, followed in the merge by the other
// side's lines: the two lines ran into one, and the last line was lost.
TEST(FuzzFinds, MergedLastLineWithoutBreak)
{
    const struct {
        std::string Ours, Merged;
    } Cases[] = {{"a\nb", "a\nb\nc\n"}, {"a\nb\r", "a\nb\r\nc\n"}};
    const merge::TMarkerStyle Style;
    for (const auto& Case : Cases) {
        merge::TMergedText Merged;
        merge::TMergeWriter Out(Merged, Style, "\n");
        EXPECT_EQ(merge::MergeLines("a\nb\n", Case.Ours, "a\nb\nc\n", Out), 0u);
        EXPECT_EQ(Merged.Text, Case.Merged);
    }
}

// Both sides' insertions at one place, kept both (as the documentation
// trigger's are), repeated the lines both inserted.
TEST(FuzzFinds, BothInsertionsShareLines)
{
    const merge::TMarkerStyle Style;
    merge::TMergedText Merged;
    merge::TMergeWriter Out(Merged, Style, "\n");
    EXPECT_EQ(merge::MergeLines("a\nb\n", "a\nx\ny\nb\n", "a\nx\nz\nb\n", Out, true), 0u);
    EXPECT_EQ(Merged.Text, "a\nx\ny\nz\nb\n");
}

} // namespace
