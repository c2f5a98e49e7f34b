// What a user types to go to an object, and which object it names.
#include "core/objectreference.h"
#include "testfiles.h"

#include <gtest/gtest.h>

namespace {

struct TReferenceCase {
    const char* Name;
    const char* Text;
    bool Valid;
    std::optional<TObjectType> Type;
    std::int32_t ID;
};

class ObjectReference : public testing::TestWithParam<TReferenceCase> {};

TEST_P(ObjectReference, ReadsKindAndNumber)
{
    const TReferenceCase& C = GetParam();
    const std::optional<TObjectReference> Reference = ParseObjectReference(C.Text);
    ASSERT_EQ(C.Valid, Reference.has_value());
    if (Reference) {
        EXPECT_EQ(C.Type, Reference->Type);
        EXPECT_EQ(C.ID, Reference->ID);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ObjectReference,
    testing::Values(TReferenceCase{"KindAndNumber", "Table 18", true, otTable, 18},
                    TReferenceCase{"Abbreviated", "t18", true, otTable, 18},
                    TReferenceCase{"AnyCase", "CODEUNIT 80", true, otCodeunit, 80},
                    TReferenceCase{"StartOfName", " xml 5000 ", true, otXMLport, 5000},
                    TReferenceCase{"NumberOnly", "18", true, std::nullopt, 18},
                    TReferenceCase{"Negative", "codeunit -5", true, otCodeunit, -5},
                    TReferenceCase{"Page", "page 21", true, otPage, 21},
                    TReferenceCase{"PageAbbreviated", "p21", true, otPage, 21},
                    TReferenceCase{"QueryAbbreviated", "q21", true, otQuery, 21},
                    TReferenceCase{"Query", "Query 21", true, otQuery, 21},
                    TReferenceCase{"NotAKind", "pages 21", false, std::nullopt, 0},
                    TReferenceCase{"NoNumber", "table", false, std::nullopt, 0},
                    TReferenceCase{"TrailingText", "table 18 x", false, std::nullopt, 0},
                    TReferenceCase{"TooBig", "t 99999999999", false, std::nullopt, 0},
                    TReferenceCase{"Empty", "", false, std::nullopt, 0}),
    [](const testing::TestParamInfo<TReferenceCase>& Info) { return std::string(Info.param.Name); });

TEST(ObjectReference, NamesTheFirstSuchObject)
{
    TTempDir Dir;
    WriteFileBytes(Dir.File("f.txt"), "OBJECT Form 18 A\r\nx\r\nOBJECT Table 18 B\r\nx\r\nOBJECT Table 18 C\r\nx\r\n");
    TObjectTextFile File;
    File.LoadFromFile(Dir.File("f.txt"));
    EXPECT_EQ(0, FindObject(File, *ParseObjectReference("18")));
    EXPECT_EQ(1, FindObject(File, *ParseObjectReference("t18")));
    EXPECT_EQ(-1, FindObject(File, *ParseObjectReference("r18")));

    // A page and a query of one number are two objects.
    WriteFileBytes(Dir.File("g.txt"), "OBJECT Query 21 Q\r\nx\r\nOBJECT Page 21 P\r\nx\r\n");
    TObjectTextFile Other;
    Other.LoadFromFile(Dir.File("g.txt"));
    EXPECT_EQ(1, FindObject(Other, *ParseObjectReference("p21")));
    EXPECT_EQ(0, FindObject(Other, *ParseObjectReference("q21")));
}

}  // namespace
