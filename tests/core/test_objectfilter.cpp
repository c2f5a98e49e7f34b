// Filters: what each kind of condition lets through, the messages of malformed
// expressions, and a whole file filtered with as few reads as the fields allow.
#include "core/codepages.h"
#include "core/objectfilter.h"
#include "platform/filestream.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::string_literals;

struct TTextCase {
    const char* Expression;
    std::vector<std::string> Pass;
    std::vector<std::string> Fail;
};

void Check(TFilterField Field, const TTextCase& C, const TFoldTable* Fold = nullptr)
{
    SCOPED_TRACE(C.Expression);
    const TFieldFilter Filter(Field, C.Expression, Fold);
    ASSERT_EQ("", Filter.Error());
    EXPECT_TRUE(Filter.Active());
    for (const std::string& Value : C.Pass)
        EXPECT_TRUE(Filter.Matches(Value)) << "'" << Value << "'";
    for (const std::string& Value : C.Fail)
        EXPECT_FALSE(Filter.Matches(Value)) << "'" << Value << "'";
}

TEST(TextFilter, ConditionsOnText)
{
    const TTextCase Cases[] = {
        {"Customer", {"Customer"}, {"customer", "Customer ", "Customers", ""}},
        {"Sales Header", {"Sales Header"}, {"SalesHeader", "Sales"}},
        {" A", {" A"}, {"A"}}, // spaces count in text
        {"*Sales*", {"Sales", "Sales Header", "Post Sales"}, {"sales", "Sale", ""}},
        {"S?les", {"Sales", "Soles"}, {"Sles", "Saales"}},
        {"?", {"a", "?"}, {"", "ab"}},
        {"*?*", {"a", "abc"}, {""}},
        {"**", {"", "x"}, {}},
        {"a*b*c", {"abc", "aXbYc", "abbc", "acbc"}, {"ab", "acb", "abcd"}},
        {"*a*a*a*a*b", {"aaaab", "aXaXaXaXb"}, {"aaab", std::string(10000, 'a')}},
        {"<>Yes", {"", "No", "yes", "Yes "}, {"Yes"}},
        {"<>*DE*", {"ORV6.00", ""}, {"ORV-DE", "DE"}},
        {"A..C", {"A", "B", "Bzzz", "C"}, {"Ca", "a", "", "@"}},
        {"..B", {"", "A", "B"}, {"Ba", "b"}},
        {"B..", {"B", "z"}, {"A", ""}},
        {"<B", {"A", "", "Azz"}, {"B", "b"}},
        {"<=B", {"A", "B"}, {"Ba"}},
        {">B", {"Ba", "b"}, {"B", "A"}},
        {">=B", {"B", "Ba"}, {"A", ""}},
        {"=B", {"B"}, {"b"}},
        {">z", {"\xe4", "zz"}, {"z", "Z"}}, // byte order: bytes above 0x7F sort last
        {"C..A", {}, {"A", "B", "C"}},
        {"A|C", {"A", "C"}, {"B", "AC"}},
        {"ORV1*&*DE*", {"ORV1.00,ORV-DE"}, {"ORV1.00", "DE,ORV1"}},
        {"A*|*Z&B*", {"Axx", "BxZ", "AZ"}, {"xZ", "Bx"}}, // & binds tighter than |
        {">A&<C|Z", {"B", "Z"}, {"A", "C", "Y"}},
        {"''", {""}, {" ", "a"}},
        {"<>''", {"a", " "}, {""}},
        {"'a|b'", {"a|b"}, {"a", "b"}},
        {"'*'", {"*"}, {"a", ""}},
        {"'It''s'", {"It's"}, {"Its"}},
        {"'a'*", {"a", "abc"}, {"ba"}},
        {"*'?'", {"Why?"}, {"Why"}},
        {"'..'|'<'|'@x'", {"..", "<", "@x"}, {"x"}},
        {"01.07.10", {"01.07.10"}, {"01x07x10"}},
        {".1...3", {".1", ".2", ".3"}, {".4", "1"}}, // a single "." is itself; the first ".." makes the range
    };
    for (const TTextCase& C : Cases)
        Check(TFilterField::Name, C);
}

TEST(TextFilter, AtIgnoresCaseOfTheCodePagesLetters)
{
    const TTextCase Ascii[] = {
        {"@*sales*", {"SALES", "Post sales line"}, {"Sale"}},
        {"@<>yes", {"", "No"}, {"Yes", "YES", "yes"}},
        {"@a..c", {"B", "b", "C"}, {"D", "Ca"}},
        {"@\xc4rger", {"\xc4RGER", "\xc4rger"}, {"\xe4rger"}}, // A to Z only without a code page
    };
    for (const TTextCase& C : Ascii)
        Check(TFilterField::Name, C);
    const TFoldTable& Cp1252 = codepages::FoldTable(codepages::TEncoding::Cp1252);
    Check(TFilterField::Name, {"@*\xc4RGER*", {"\xe4rger", "mit \xc4rger"}, {"arger"}}, &Cp1252);
    Check(TFilterField::Name, {"\xc4rger", {"\xc4rger"}, {"\xe4rger"}}, &Cp1252); // without @ case counts
    const TFoldTable& Cp866 = codepages::FoldTable(codepages::TEncoding::Cp866);
    Check(TFilterField::Name, {"@\x8f\xe0\xae\xa4\xa0\xa6\xa0", {"\x8f\x90\x8e\x84\x80\x86\x80"}, {"\x8f"}},
          &Cp866); // ПРОДАЖА and Продажа
}

TEST(TextFilter, EveryPropertyFieldIsText)
{
    for (const TFilterField Field : {TFilterField::VersionList, TFilterField::Modified, TFilterField::Date,
                                     TFilterField::Time})
        Check(Field, {"1*|'x'", {"1", "12:00:00", "x"}, {"X", "01.01.10"}});
}

TEST(NumberFilter, ComparesNumbers)
{
    struct {
        const char* Expression;
        std::vector<std::int32_t> Pass, Fail;
    } const Cases[] = {
        {"50000..59999|18", {18, 50000, 55555, 59999}, {17, 19, 49999, 60000}},
        {"18", {18}, {180, 1, -18}},
        {"<>18", {17, 19}, {18}},
        {"<10", {9, -5}, {10, 100}}, // as numbers, not as text
        {">=2147483647", {INT32_MAX}, {INT32_MAX - 1}},
        {"..-2147483648", {INT32_MIN}, {INT32_MIN + 1}},
        {"-5..+5", {-5, 0, 5}, {-6, 6}},
        {" 18 | 20 .. 21 ", {18, 20, 21}, {19, 22}}, // spaces around numbers do not count
        {"'18'|@7", {18, 7}, {1}},
        {"000000000000000018", {18}, {}},
        {">1&<4|9", {2, 3, 9}, {1, 4, 8}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Expression);
        const TFieldFilter Filter(TFilterField::ID, C.Expression);
        ASSERT_EQ("", Filter.Error());
        for (const std::int32_t N : C.Pass)
            EXPECT_TRUE(Filter.Matches(N)) << N;
        for (const std::int32_t N : C.Fail)
            EXPECT_FALSE(Filter.Matches(N)) << N;
    }
}

TEST(TypeFilter, ComparesKindNamesIgnoringCase)
{
    struct {
        const char* Expression;
        std::vector<TObjectType> Pass;
    } const Cases[] = {
        {"Table", {otTable}},
        {"TABLE", {otTable}},
        {"@table", {otTable}},
        {"t*", {otTable}},
        {"Codeunit|xmlport", {otCodeunit, otXMLport}},
        {" Table | Form ", {otTable, otForm}},
        {"<>Table&<>Form", {otUnknown, otReport, otDataport, otCodeunit, otXMLport, otMenuSuite, otPage, otQuery}},
        {"A..E", {otCodeunit, otDataport}},
        {"*port", {otReport, otDataport, otXMLport}},
        {"Unknown", {otUnknown}},
        {"Page", {otPage}},
        {"query", {otQuery}},
        {"P*|q*", {otPage, otQuery}},
        {"Pages", {}},
        {"M..Q", {otMenuSuite, otPage}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Expression);
        const TFieldFilter Filter(TFilterField::Type, C.Expression);
        ASSERT_EQ("", Filter.Error());
        for (int Kind = 0; Kind < ObjectTypeCount; ++Kind) {
            const bool Expected = std::find(C.Pass.begin(), C.Pass.end(), TObjectType(Kind)) != C.Pass.end();
            EXPECT_EQ(Expected, Filter.Matches(TObjectType(Kind))) << ObjectTypeNames[Kind];
            EXPECT_EQ(Expected, Filter.Matches(std::string_view(ObjectTypeNames[Kind]))) << ObjectTypeNames[Kind];
        }
    }
}

TEST(FieldFilter, EmptyFiltersNothing)
{
    for (const auto& [Field, Expression] : {std::make_pair(TFilterField::Name, ""), std::make_pair(TFilterField::ID, "  "),
                                            std::make_pair(TFilterField::Type, "")}) {
        const TFieldFilter Filter(Field, Expression);
        EXPECT_FALSE(Filter.Active());
        EXPECT_EQ("", Filter.Error());
        EXPECT_TRUE(Filter.Matches("anything"));
        EXPECT_TRUE(Filter.Matches(std::int32_t(7)));
        EXPECT_TRUE(Filter.Matches(otForm));
    }
}

TEST(FieldFilter, MalformedSaysWhyAndFiltersNothing)
{
    const std::pair<TFilterField, std::pair<const char*, const char*>> Cases[] = {
        {TFilterField::Name, {"'abc", "A quote is not closed"}},
        {TFilterField::Name, {"'It''s", "A quote is not closed"}},
        {TFilterField::Name, {"a|", "A value is missing at the end"}},
        {TFilterField::Name, {"@", "A value is missing at the end"}},
        {TFilterField::Name, {"|a", "A value is missing before \"|\""}},
        {TFilterField::Name, {"a||b", "A value is missing before \"|\""}},
        {TFilterField::Name, {"a&&b", "A value is missing before \"&\""}},
        {TFilterField::Name, {"<>", "A value is missing after \"<>\""}},
        {TFilterField::Name, {"<=|a", "A value is missing after \"<=\""}},
        {TFilterField::Name, {"..", "A value is missing after \"..\""}},
        {TFilterField::Type, {"  ..  ", "A value is missing after \"..\""}},
        {TFilterField::Name, {"a..b..c", "Unexpected \"..\": '..' looks for it"}},
        {TFilterField::Name, {"<a..b", "Unexpected \"..\": '..' looks for it"}},
        {TFilterField::Name, {"a<b", "\"<\" only begins a condition: '<' looks for it"}},
        {TFilterField::Name, {"a=b", "\"=\" only begins a condition: '=' looks for it"}},
        {TFilterField::Name, {"x@y.com", "\"@\" only begins a condition: '@' looks for it"}},
        {TFilterField::Name, {"<a*", "Wildcards do not go with \"<\""}},
        {TFilterField::Name, {"a*..b", "Wildcards do not go with \"..\""}},
        {TFilterField::Name, {"..?", "Wildcards do not go with \"..\""}},
        {TFilterField::ID, {"x", "'x' is not a number"}},
        {TFilterField::ID, {"1..x", "'x' is not a number"}},
        {TFilterField::ID, {"5*", "'5*' is not a number"}},
        {TFilterField::ID, {"1.5", "'1.5' is not a number"}},
        {TFilterField::ID, {"''", "'' is not a number"}},
        {TFilterField::ID, {"-", "'-' is not a number"}},
        {TFilterField::ID, {"1234567890123456789", "'1234567890123456789' is not a number"}},
    };
    for (const auto& [Field, Case] : Cases) {
        SCOPED_TRACE(Case.first);
        const TFieldFilter Filter(Field, Case.first);
        EXPECT_EQ(Case.second, Filter.Error());
        EXPECT_FALSE(Filter.Active());
        EXPECT_TRUE(Filter.Matches("a"));
        EXPECT_TRUE(Filter.Matches(std::int32_t(1)));
    }
}

// --- a whole file ------------------------------------------------------------

std::string ObjectText(const std::string& Header, const std::string& Entries)
{
    return "OBJECT " + Header + "\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n" + Entries + "  }\r\n}\r\n";
}

class FilteredFile : public testing::Test {
protected:
    void SetUp() override
    {
        WriteFileBytes(Dir.File("f.txt"),
                       ObjectText("Table 18 Customer", "    Date=14.03.11;\r\n    Modified=Yes;\r\n"
                                                       "    Version List=ORV6.00,ORV-DE;\r\n") +
                           ObjectText("Table 27 Item", "    Date=01.07.10;\r\n    Version List=ORV6.00;\r\n") +
                           ObjectText("Form 21 Customer Card", "    Modified=Yes;\r\n") +
                           "OBJECT Codeunit 80 Sales-Post\r\n{\r\n}\r\n" +
                           ObjectText("Report 50000 Sales Stats", "    Time=12:00:00;\r\n    Modified=Yes;\r\n"));
        File.LoadFromFile(Dir.File("f.txt"));
        ASSERT_EQ(5, File.Count());
    }
    TTempDir Dir;
    TObjectTextFile File;
};

TEST_F(FilteredFile, IndexesOfTheObjectsThatPassEveryField)
{
    struct {
        std::vector<std::pair<TFilterField, const char*>> Filters;
        std::vector<std::int32_t> Expected;
    } const Cases[] = {
        {{}, {0, 1, 2, 3, 4}},
        {{{TFilterField::Type, "Table"}}, {0, 1}},
        {{{TFilterField::ID, "<50"}, {TFilterField::Name, "@*CUSTOMER*"}}, {0, 2}},
        {{{TFilterField::Modified, "Yes"}}, {0, 2, 4}},
        {{{TFilterField::Modified, "<>Yes"}}, {1, 3}},
        {{{TFilterField::VersionList, "*DE*"}}, {0}},
        {{{TFilterField::VersionList, "''"}}, {2, 3, 4}},
        {{{TFilterField::Date, "01.07.10|14.03.11"}, {TFilterField::Modified, "Yes"}}, {0}},
        {{{TFilterField::Time, "12:00:00"}, {TFilterField::Type, "Report"}}, {4}},
        {{{TFilterField::Name, "*Sales*"}, {TFilterField::ID, "x"}}, {3, 4}}, // the malformed one filters nothing
    };
    for (const auto& C : Cases) {
        TObjectFilter Filter;
        std::string Label;
        for (const auto& [Field, Expression] : C.Filters) {
            Filter.Set(Field, Expression);
            Label += std::string(FilterFieldName(Field)) + "=" + Expression + " ";
        }
        SCOPED_TRACE(Label);
        EXPECT_EQ(C.Expected, Filter.Apply(File));
    }
}

TEST_F(FilteredFile, SetReplacesAFieldsExpressionAndAddJoinsIt)
{
    TObjectFilter Filter;
    EXPECT_EQ("", Filter.Set(TFilterField::Name, "Item"));
    EXPECT_EQ("", Filter.Set(TFilterField::Name, "*Customer*"));
    EXPECT_EQ((std::vector<std::int32_t>{0, 2}), Filter.Apply(File));
    EXPECT_EQ("", Filter.Add(TFilterField::Name, "*Card"));
    EXPECT_EQ((std::vector<std::int32_t>{2}), Filter.Apply(File));
    EXPECT_EQ("'x' is not a number", Filter.Set(TFilterField::ID, "x"));
    EXPECT_EQ("'x' is not a number", Filter.Filter(TFilterField::ID).Error());
    EXPECT_FALSE(Filter.Filter(TFilterField::Date).Active());
    EXPECT_TRUE(Filter.Active());
    EXPECT_FALSE(Filter.ReadsProperties());
    Filter.Set(TFilterField::Date, "<>''");
    EXPECT_TRUE(Filter.ReadsProperties());
    Filter.Clear();
    EXPECT_FALSE(Filter.Active());
}

// Reads go through the I/O seam: count them.
int Reads = 0;
std::int64_t CountingRead(platform::NativeHandle Handle, void* Buffer, std::int64_t Count, std::int64_t Offset,
                          int* Error)
{
    ++Reads;
    return platform::SystemFileIo().Read(Handle, Buffer, Count, Offset, Error);
}

TEST_F(FilteredFile, ValuesAreReadOnlyForObjectsThatPassTheEntrysFields)
{
    platform::TFileIo Io = platform::SystemFileIo();
    Io.Read = CountingRead;
    const platform::TFileIoOverride Override(Io);
    struct {
        std::vector<std::pair<TFilterField, const char*>> Filters;
        int Reads;
    } const Cases[] = {
        {{{TFilterField::Name, "*"}, {TFilterField::ID, "1..99"}}, 0},
        {{{TFilterField::Modified, "Yes"}, {TFilterField::Type, "Table"}}, 2}, // whatever the order given
        {{{TFilterField::Modified, "Yes"}, {TFilterField::Date, "*"}}, 4},     // one read an object with values
        {{{TFilterField::Modified, "Yes"}, {TFilterField::ID, "x"}}, 4},
        {{{TFilterField::Modified, "'"}, {TFilterField::ID, "18"}}, 0}, // a malformed one reads nothing
    };
    for (const auto& C : Cases) {
        TObjectFilter Filter;
        for (const auto& [Field, Expression] : C.Filters)
            Filter.Add(Field, Expression);
        Reads = 0;
        Filter.Apply(File);
        EXPECT_EQ(C.Reads, Reads) << C.Filters.front().second;
    }
}

} // namespace
