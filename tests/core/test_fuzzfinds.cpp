// Inputs on which the fuzz targets (fuzz/) once found a fault, kept as they
// were found. The sanitizer build of these tests is what catches most of them.
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

} // namespace
