// The search behind Find Next, Find All and the companion's find: each
// object's occurrences one after another from the end of the one before, with
// the line each lies on, whatever the blocks the file is read in.
#include "core/search/occurrences.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Object(const std::string& Header, const std::string& Body)
{
    return "OBJECT " + Header + "\r\n{\r\n" + Body + "}\r\n";
}

struct TFound {
    std::int32_t Object, Position, Length, Line;
    std::string LineText;
    bool operator==(const TFound& Other) const
    {
        return Object == Other.Object && Position == Other.Position && Length == Other.Length &&
               Line == Other.Line && LineText == Other.LineText;
    }
};

std::ostream& operator<<(std::ostream& Out, const TFound& Found)
{
    return Out << Found.Object << '@' << Found.Position << '+' << Found.Length << " line " << Found.Line << " \""
               << Found.LineText << '"';
}

// The objects as they lie one after another in a file.
struct TFile {
    std::string Bytes;
    std::vector<search::TObjectBytes> Objects;

    void Add(const std::string& Header, const std::string& Body, bool Report = false)
    {
        const std::string Text = Object(Header, Body);
        Objects.push_back({std::int64_t(Bytes.size()), std::int32_t(Text.size()), Report});
        Bytes += Text;
    }
    std::string TextOf(std::size_t Index) const
    {
        return Bytes.substr(std::size_t(Objects[Index].Offset), std::size_t(Objects[Index].Size));
    }
};

// Lower case of ASCII letters: the find text below is ASCII.
std::string Lower(std::string Text)
{
    for (char& C : Text)
        if (C >= 'A' && C <= 'Z')
            C = char(C - 'A' + 'a');
    return Text;
}

// Each object searched naively, without regard to case, from the end of the
// occurrence before; lines counted byte by byte.
std::vector<TFound> Reference(const TFile& File, const std::string& Text)
{
    std::vector<TFound> Found;
    for (std::size_t I = 0; I < File.Objects.size(); ++I) {
        const std::string Object = File.TextOf(I), Folded = Lower(Object);
        for (std::size_t At = Folded.find(Lower(Text)); At != std::string::npos;
             At = Folded.find(Lower(Text), At + Text.size())) {
            std::int32_t Line = 1;
            std::size_t Start = 0;
            for (std::size_t P = 0; P < At; ++P)
                if (Object[P] == '\n' || (Object[P] == '\r' && Object[P + 1] != '\n')) {
                    ++Line;
                    Start = P + 1;
                }
            const std::size_t End = Object.find_first_of("\r\n", Start);
            Found.push_back({std::int32_t(I), std::int32_t(At), std::int32_t(Text.size()), Line,
                             Object.substr(Start, End - Start)});
        }
    }
    return Found;
}

std::vector<TFound> Search(const TFile& File, const TFindText& Find, TEncodingChoice& Encodings,
                           bool SkipLayouts = false, std::int32_t FromObject = 0, std::int32_t FromPosition = 0)
{
    platform::TMemoryStream Stream(File.Bytes);
    const search::TObjectList List{std::int32_t(File.Objects.size()),
                                   [&File](std::int32_t Index) { return File.Objects[std::size_t(Index)]; }};
    search::TOccurrenceSearch Engine(Stream, List, Find, Encodings);
    Engine.SetSkipLayouts(SkipLayouts);
    std::vector<TFound> Found;
    Engine.Run(FromObject, FromPosition, {[&Found](const search::TOccurrence& Occurrence) {
                   const std::string_view Rest = Occurrence.Text.substr(std::size_t(Occurrence.LineStart));
                   Found.push_back({Occurrence.Object, Occurrence.Position, Occurrence.Length, Occurrence.Line,
                                    std::string(Rest.substr(0, Rest.find_first_of("\r\n")))});
                   return true;
               }});
    return Found;
}

struct TRuleCase {
    const char* Name;
    TFile File;
    std::string Text;
    std::int64_t BlockSize;  // bytes read at a time
};

TFile Made(std::initializer_list<std::pair<std::string, std::string>> Objects)
{
    TFile File;
    for (const auto& [Header, Body] : Objects)
        File.Add(Header, Body);
    return File;
}

TFile ManySmallObjects()
{
    TFile File;
    for (int I = 1; I <= 40; ++I)
        File.Add("Codeunit " + std::to_string(I) + " C", I % 7 == 0 ? "  x := Amount;\r\n  amountamount\r\n" : "  y;\r\n");
    return File;
}

class OccurrenceRules : public testing::TestWithParam<TRuleCase> {};

TEST_P(OccurrenceRules, AreWhatANaiveSearchFindsOneAfterAnother)
{
    const TRuleCase& Case = GetParam();
    const auto Saved = search::TOccurrenceSearch::BlockSize;
    search::TOccurrenceSearch::BlockSize = Case.BlockSize;
    TEncodingChoice Encodings;
    Encodings.Reset(std::int32_t(Case.File.Objects.size()));
    const std::vector<TFound> Found = Search(Case.File, TFindText::OfUnicode(Case.Text, false), Encodings);
    search::TOccurrenceSearch::BlockSize = Saved;
    const std::vector<TFound> Want = Reference(Case.File, Case.Text);
    EXPECT_FALSE(Want.empty());
    EXPECT_EQ(Want, Found);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, OccurrenceRules,
    testing::Values(
        TRuleCase{"CRAlone", Made({{"Codeunit 1 A", "  a\r  Amount\r\r  b\n  AMOUNT\n"}}), "amount", 256 * 1024},
        TRuleCase{"CRLFAndLF", Made({{"Table 2 T", "  x\r\n\n  Amount\r\n"}, {"Table 3 T", "Amount\n"}}), "amount",
                  256 * 1024},
        TRuleCase{"RepeatedLettersNoneOverlapping", Made({{"Codeunit 1 A", "  aaaaa\r\n"}}), "aa", 256 * 1024},
        TRuleCase{"BlockBoundary", ManySmallObjects(), "amount", 61},
        TRuleCase{"BlockOfOneByte", ManySmallObjects(), "amount", 1},
        TRuleCase{"ObjectsLargerThanABlock", Made({{"Codeunit 1 A", std::string(3000, 'x') + "Amount\r\n"},
                                                   {"Codeunit 2 B", "Amount" + std::string(3000, 'y') + "\r\n"}}),
                  "amount", 1024},
        TRuleCase{"InTheHeader", Made({{"Table 18 Amount", "  x\r\n"}, {"Table 19 B", "  Amount\r\n"}}), "amount",
                  256 * 1024}),
    [](const testing::TestParamInfo<TRuleCase>& Info) { return std::string(Info.param.Name); });

// A report's layout lines (its RDLDATA) are left out when asked, its code not.
TEST(Occurrences, ReportLayoutLinesLeftOutOrNot)
{
    TFile File;
    File.Add("Report 111 Customer Amounts",
             "  PROPERTIES\r\n  {\r\n    CaptionML=ENU=Amount;\r\n  }\r\n  RDLDATA\r\n  {\r\n"
             "    <Report><Value>Amount</Value>\r\n    <Value>=Fields!Amount.Value</Value></Report>\r\n"
             "    END_OF_RDLDATA\r\n  }\r\n  CODE\r\n  {\r\n    BEGIN Amount := 0; END.\r\n  }\r\n",
             true);
    for (const bool Skip : {true, false}) {
        TEncodingChoice Encodings;
        std::vector<std::int32_t> Lines;
        for (const TFound& Found : Search(File, TFindText::OfUnicode("amount", false), Encodings, Skip))
            Lines.push_back(Found.Line);
        const std::vector<std::int32_t> Want = Skip ? std::vector<std::int32_t>{1, 5, 15}
                                                    : std::vector<std::int32_t>{1, 5, 9, 10, 15};
        EXPECT_EQ(Want, Lines) << (Skip ? "skipped" : "kept");
    }
}

// A text beyond ASCII is looked for in each object's own encoding; an object
// without its ASCII part is never detected.
TEST(Occurrences, EachObjectInItsOwnEncoding)
{
    TFile File;
    File.Add("Table 3 A", "  Bel\x9B" "b\r\n");                 // DOS 850
    File.Add("Table 4 B", "  Bel\xC3\xB8" "b\r\n");             // UTF-8
    File.Add("Table 5 C", "  Nothing here \xC3\xB8\xC3\xB8\r\n");  // no "bel"
    TEncodingChoice Encodings;
    Encodings.Reset(3);
    const std::vector<TFound> Found = Search(File, TFindText::OfUnicode("bel\xC3\xB8" "b", false), Encodings);
    ASSERT_EQ(2u, Found.size());
    EXPECT_EQ(5, Found[0].Length);
    EXPECT_EQ(6, Found[1].Length);
    EXPECT_EQ(std::nullopt, Encodings.KnownForText(2)) << "detected without need";
}

// Where the search before stopped: the rest of that object, then the others.
TEST(Occurrences, BeginsInsideAnObject)
{
    const TFile File = Made({{"Codeunit 1 A", "  Amount Amount\r\n"}, {"Codeunit 2 B", "  Amount\r\n"}});
    TEncodingChoice Encodings;
    const std::vector<TFound> All = Search(File, TFindText::OfBytes("amount", false), Encodings);
    ASSERT_EQ(3u, All.size());
    const std::vector<TFound> Rest =
        Search(File, TFindText::OfBytes("amount", false), Encodings, false, 0, All[0].Position + 1);
    EXPECT_EQ(std::vector<TFound>(All.begin() + 1, All.end()), Rest);
}

} // namespace
