// The values of the OBJECT-PROPERTIES block: the reading rules, the reading
// while the file is split (through every load window), and the values read
// back from the held file.
#include "core/objectproperties.h"
#include "core/quibfile.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace std::string_literals;
using TValues = std::array<std::string, ObjectPropertyCount>; // Modified, Version List, Date, Time

TValues ValuesIn(std::string_view Text, std::int64_t Start, const TPropertySpans& Spans)
{
    TValues Values;
    for (std::size_t I = 0; I < Spans.size(); ++I)
        Values[I] = std::string(Text.substr(std::size_t(Start) + Spans[I].Start, Spans[I].Length));
    return Values;
}

// The values where the entry says they lie in Text.
TValues ValuesAt(const std::string& Text, const TObjectTextObject& Object)
{
    TValues Values;
    for (int P = 0; P < ObjectPropertyCount; ++P) {
        const TByteRange R = Object.PropertyRange(TObjectProperty(P));
        Values[std::size_t(P)] = Text.substr(std::size_t(R.Offset), std::size_t(R.Length));
    }
    return Values;
}

std::string Printable(const std::string& Text)
{
    std::string Out;
    for (char C : Text)
        Out += C == '\r' ? "\\r"s : C == '\n' ? "\\n"s : C == '\0' ? "\\0"s : std::string(1, C);
    return Out;
}

const std::string SBlock = "OBJECT Table 3 Payment Terms\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=01.07.10;\r\n"
                           "    Time=12:00:00;\r\n    Modified=Yes;\r\n    Version List=ORV6.00;\r\n  }\r\n"
                           "  PROPERTIES\r\n  {\r\n  }\r\n}\r\n";

std::string WithBreaks(const std::string& Text, const std::string& Break)
{
    std::string Result;
    for (std::size_t I = 0; I < Text.size(); ++I)
        if (Text.compare(I, 2, "\r\n") == 0) {
            Result += Break;
            ++I;
        } else {
            Result += Text[I];
        }
    return Result;
}

// An object whose block holds the given entry lines.
std::string ObjectWith(const std::string& Entries)
{
    return "OBJECT Codeunit 1 C\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n" + Entries + "  }\r\n  CODE\r\n  {\r\n  }\r\n}\r\n";
}

struct TBlockCase {
    const char* Name;
    std::string Text;
    TValues Expected;
};

class Block : public testing::TestWithParam<TBlockCase> {};

TEST_P(Block, ReadsTheValuesAsTheyStand)
{
    const TBlockCase& C = GetParam();
    EXPECT_EQ(C.Expected, ValuesIn(C.Text, 0, ReadPropertySpans(C.Text))) << Printable(C.Text);
}

const TValues SAll = {"Yes", "ORV6.00", "01.07.10", "12:00:00"};

INSTANTIATE_TEST_SUITE_P(
    Texts, Block,
    testing::Values(
        TBlockCase{"CrLf", SBlock, SAll},
        TBlockCase{"Lf", WithBreaks(SBlock, "\n"), SAll},
        TBlockCase{"Cr", WithBreaks(SBlock, "\r"), SAll},
        TBlockCase{"LfCr", WithBreaks(SBlock, "\n\r"), SAll},
        TBlockCase{"NulEndsALine", WithBreaks(SBlock, "\0"s), SAll},
        TBlockCase{"NotModified", ObjectWith("    Date=01.07.10;\r\n    Time=12:00:00;\r\n    Version List=;\r\n"),
                   {"", "", "01.07.10", "12:00:00"}},
        TBlockCase{"KeysInAnyCase",
                   "OBJECT Table 1 A\n{\n object-properties\n {\n DATE=1;\n version LIST=2;\n modified=3;\n tIME=4;\n",
                   {"3", "2", "1", "4"}},
        TBlockCase{"SpacesAndTabsAroundTheLine",
                   ObjectWith("\t Date =  01.07.10 ;\t \r\n\tTime=12:00:00\r\n  Version List=A;B;;\r\n"),
                   {"", "A;B;", "  01.07.10 ", "12:00:00"}},
        TBlockCase{"ValueHoldsEqualsSign", ObjectWith("    Version List=A=B,C;\r\n"), {"", "A=B,C", "", ""}},
        TBlockCase{"FirstEntryCounts", ObjectWith("    Date=1;\r\n    Date=2;\r\n    date=3;\r\n"), {"", "", "1", ""}},
        TBlockCase{"OtherKeysPassedOver",
                   ObjectWith("    Dates=x;\r\n    VersionList=x;\r\n    Version  List=x;\r\n    Time=9;\r\n"),
                   {"", "", "", "9"}},
        TBlockCase{"BlankLinesPassedOver",
                   "OBJECT Table 1 A\r\n\r\n{\r\n \t\r\n  OBJECT-PROPERTIES\r\n\r\n  {\r\n\r\n    Time=1;\r\n",
                   {"", "", "", "1"}},
        TBlockCase{"LastLineWithoutBreak", "OBJECT Table 1 A\n{\nOBJECT-PROPERTIES\n{\nDate=01.07.10;\nTime=12:00",
                   {"", "", "01.07.10", "12:00"}},
        TBlockCase{"HeaderOnly", "OBJECT Table 1 A", {}},
        TBlockCase{"NoBlock", "OBJECT Table 1 A\r\n{\r\n  PROPERTIES\r\n  {\r\n    Date=01.07.10;\r\n  }\r\n}\r\n", {}},
        TBlockCase{"BlockNotFirst",
                   "OBJECT Table 1 A\r\n{\r\n  PROPERTIES\r\n  {\r\n  }\r\n  OBJECT-PROPERTIES\r\n  {\r\n"
                   "    Date=01.07.10;\r\n",
                   {}},
        TBlockCase{"NoOpeningBrace", "OBJECT Table 1 A\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=01.07.10;\r\n", {}},
        TBlockCase{"NoBlockBrace", "OBJECT Table 1 A\r\n{\r\n  OBJECT-PROPERTIES\r\n    Date=01.07.10;\r\n", {}},
        TBlockCase{"KeywordWithMore", "OBJECT Table 1 A\r\n{\r\n  OBJECT-PROPERTIES X\r\n  {\r\n    Date=1;\r\n", {}},
        TBlockCase{"ClosingBraceEndsIt", ObjectWith("    Date=1;\r\n  }\r\n    Time=2;\r\n"), {"", "", "1", ""}},
        TBlockCase{"UnclosedBlockEndsAtALineWithoutEquals",
                   "OBJECT Table 1 A\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=1;\r\n  PROPERTIES\r\n  {\r\n"
                   "    Time=2;\r\n",
                   {"", "", "1", ""}}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Block, NothingBeyondTheFirst64KiBOfTheObject)
{
    const std::string Head = "OBJECT Table 1 A\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Date=01.07.10;\r\n";
    const std::string Key = "    Version List=";
    const std::size_t Room = std::size_t(TPropertyReader::MaxEnd) - Head.size() - Key.size();
    for (const std::size_t Length : {Room - 1, Room, Room + 1}) {
        SCOPED_TRACE(Length);
        const std::string Text = Head + Key + std::string(Length, 'v') + "\r\n";
        const TValues Values = ValuesIn(Text, 0, ReadPropertySpans(Text));
        EXPECT_EQ("01.07.10", Values[2]);
        EXPECT_EQ(Length <= Room ? Length : 0u, Values[1].size()); // its line ends beyond: not read
    }
}

// --- read while splitting ----------------------------------------------------

struct TLoaded {
    std::vector<std::pair<std::int32_t, std::int32_t>> Ranges; // each object's offset and size
    std::vector<TPropertySpans> Spans;
    std::string Error;
};

TLoaded Spans(TObjectTextFile& File)
{
    TLoaded L;
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const TObjectTextObject& O = File.Objects(I);
        L.Ranges.emplace_back(O.Offset(), O.Size());
        TPropertySpans S;
        for (int P = 0; P < ObjectPropertyCount; ++P) {
            const TByteRange R = O.PropertyRange(TObjectProperty(P));
            S[std::size_t(P)] = {std::uint16_t(R.Length ? R.Offset - O.Offset() : 0), std::uint16_t(R.Length)};
        }
        L.Spans.push_back(S);
    }
    return L;
}

TLoaded LoadWithWindow(const std::string& Text, std::int64_t Window)
{
    const std::int64_t Saved = TObjectTextFile::LoadWindowSize;
    TObjectTextFile::LoadWindowSize = Window;
    TObjectTextFile File;
    platform::TMemoryStream Stream(Text);
    std::string Error;
    try {
        File.LoadFromStream(Stream);
    } catch (const std::exception& E) {
        Error = E.what();
    }
    TObjectTextFile::LoadWindowSize = Saved;
    TLoaded L = Spans(File);
    L.Error = Error;
    return L;
}

// Each object's block read from its own text alone, in one piece.
std::vector<TPropertySpans> EachOnItsOwn(const std::string& Text, const TLoaded& Loaded)
{
    std::vector<TPropertySpans> Result;
    for (const auto& [Offset, Size] : Loaded.Ranges)
        Result.push_back(ReadPropertySpans(std::string_view(Text).substr(std::size_t(Offset), std::size_t(Size))));
    return Result;
}

void ExpectSameInEveryWindow(const std::string& Text)
{
    TObjectTextFile File;
    std::string Error;
    try {
        File.ParseText(Text);
    } catch (const std::exception& E) {
        Error = E.what();
    }
    const TLoaded Parsed = Spans(File);
    EXPECT_EQ(EachOnItsOwn(Text, Parsed), Parsed.Spans) << Printable(Text);
    for (const std::int64_t Window : {1, 2, 3, 5, 7, 8, 9, 13, 16, 64, 1 << 20}) {
        const TLoaded Loaded = LoadWithWindow(Text, Window);
        EXPECT_EQ(Parsed.Ranges, Loaded.Ranges) << "window " << Window;
        EXPECT_EQ(Parsed.Spans, Loaded.Spans) << Printable(Text) << " window " << Window;
        EXPECT_EQ(Error, Loaded.Error) << "window " << Window;
    }
}

TEST(SplitProperties, EveryObjectsBlockInEveryWindowSize)
{
    const std::string Text = "// export\r\n" + SBlock + ObjectWith("    Date=02.02.11;\r\n    Modified=Yes;\r\n") +
                             "OBJECT Form 2 No Block\r\n{\r\n  PROPERTIES\r\n  {\r\n    Date=x;\r\n  }\r\n}\r\n" +
                             // cut short by the next object line
                             "OBJECT Report 3 Cut\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Time=1;\r\n" +
                             "OBJECT Table 4 Last\n{\n  OBJECT-PROPERTIES\n  {\n    Version List=V;\n    Time=2";
    ExpectSameInEveryWindow(Text);
    ExpectSameInEveryWindow(WithBreaks(Text, "\n"));
    ExpectSameInEveryWindow(WithBreaks(Text, "\r"));

    TObjectTextFile File;
    File.ParseText(Text);
    ASSERT_EQ(5, File.Count());
    const TValues Expected[] = {SAll, {"Yes", "", "02.02.11", ""}, {}, {"", "", "", "1"}, {"", "V", "", "2"}};
    for (std::int32_t I = 0; I < File.Count(); ++I)
        EXPECT_EQ(Expected[I], ValuesAt(Text, File.Objects(I))) << I;
}

TEST(SplitProperties, ABadHeaderKeepsTheBlocksBeforeIt)
{
    ExpectSameInEveryWindow(SBlock + "OBJECT Table x Bad\r\n{\r\n  OBJECT-PROPERTIES\r\n  {\r\n    Time=1;\r\n");
}

TEST(SplitProperties, RandomTextsInRandomWindows)
{
    // Objects built line by line, mostly as the files have them, with now and
    // then a line left out, doubled or taken from elsewhere.
    const char* Lines[] = {"OBJECT Table 1 A", "{", "  OBJECT-PROPERTIES", "  {", "    Date=01.07.10;",
                           "    Time=12:00:00", "   modified = Yes ;", "    Version List=V1;V2;;", "  }",
                           "  PROPERTIES", "", "\t", "=", "OBJ", "Date="};
    const char* Breaks[] = {"\r\n", "\n", "\r", "\n\r", "\r\r\n"};
    std::mt19937 Random(4321);
    for (int Round = 0; Round < 800; ++Round) {
        std::string Text;
        const int Count = int(Random() % 30);
        for (int I = 0, Line = 0; I < Count; ++I) {
            const unsigned Pick = Random() % 16;
            Line = Pick < 12 ? (Line + 1) % 10 : Pick < 14 ? Line : int(Random() % std::size(Lines));
            Text += Lines[Line];
            Text += Pick == 15 ? "\0"s : std::string(Breaks[Random() % std::size(Breaks)]);
        }
        TObjectTextFile File;
        File.ParseText(Text);
        const TLoaded Parsed = Spans(File);
        ASSERT_EQ(EachOnItsOwn(Text, Parsed), Parsed.Spans) << Printable(Text);
        const std::int64_t Window = 1 + Random() % 20;
        ASSERT_EQ(Parsed.Spans, LoadWithWindow(Text, Window).Spans) << Printable(Text) << " window " << Window;
    }
}

// --- read back from the held file ---------------------------------------------

TEST(HeldFile, ValuesAreReadFromTheFile)
{
    TTempDir Dir;
    const std::string Text = "pre\r\n" + SBlock + "OBJECT Table 9 Bare\r\n{\r\n}\r\n";
    WriteFileBytes(Dir.File("f.txt"), Text);
    TObjectTextFile File;
    File.LoadFromFile(Dir.File("f.txt"));
    ASSERT_EQ(2, File.Count());
    const TObjectTextObject& Object = File.Objects(0);
    std::string Buffer = "old contents";
    const TPropertyValues Values = Object.ReadProperties(Buffer);
    for (int P = 0; P < ObjectPropertyCount; ++P) {
        const TObjectProperty Property = TObjectProperty(P);
        SCOPED_TRACE(ObjectPropertyKey(Property));
        EXPECT_EQ(SAll[std::size_t(P)], Object.Property(Property));
        EXPECT_EQ(SAll[std::size_t(P)], Values[std::size_t(P)]);
    }
    EXPECT_EQ(SAll, ValuesAt(Text, Object));
    EXPECT_EQ(TPropertyValues{}, File.Objects(1).ReadProperties(Buffer));
    EXPECT_EQ("", File.Objects(1).Property(TObjectProperty::Date));
}

TEST(HeldFile, WithoutTheFileOnlyEmptyValuesCanBeHad)
{
    TObjectTextFile File;
    File.ParseText(SBlock + "OBJECT Table 9 Bare\r\n");
    std::string Buffer;
    EXPECT_THROW(File.Objects(0).Property(TObjectProperty::Date), platform::EReadError);
    EXPECT_THROW(File.Objects(0).ReadProperties(Buffer), platform::EReadError);
    EXPECT_EQ(TPropertyValues{}, File.Objects(1).ReadProperties(Buffer)); // nothing to read
}

} // namespace
