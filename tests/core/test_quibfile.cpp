#include "core/quibfile.h"
#include "core/search/occurrences.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <tuple>
#include <vector>

namespace {

struct TEntry {
    int Offset, Size;
    TObjectType Type;
    int ID;
    std::string Name;
    bool operator==(const TEntry& O) const
    {
        return std::tie(Offset, Size, Type, ID, Name) == std::tie(O.Offset, O.Size, O.Type, O.ID, O.Name);
    }
};
std::ostream& operator<<(std::ostream& Out, const TEntry& E)
{
    return Out << "{" << E.Offset << "," << E.Size << "," << int(E.Type) << "," << E.ID << ",'" << E.Name << "'}";
}

struct TLoad {
    std::vector<TEntry> Entries;
    std::vector<std::pair<int, int>> Progress; // kind, percent
    std::string Error;
};

std::vector<TEntry> EntriesOf(TObjectTextFile& File)
{
    std::vector<TEntry> Result;
    for (int I = 0; I < File.Count(); ++I) {
        const auto& O = File.Objects(I);
        Result.push_back({O.Offset(), O.Size(), O.ObjectType(), O.ID(), std::string(O.Name())});
    }
    return Result;
}

void Record(TObjectTextFile& File, TLoad& Load)
{
    File.SetOnProgress([&Load](TObjectTextFile&, TProgressKind Kind, std::uint8_t Percent) {
        Load.Progress.emplace_back(int(Kind), int(Percent));
    });
}

TLoad ParseWithModel(const std::string& Text)
{
    TLoad Load;
    TObjectTextFile File;
    Record(File, Load);
    try {
        File.ParseText(Text);
    } catch (const std::exception& E) {
        Load.Error = E.what();
    }
    Load.Entries = EntriesOf(File);
    return Load;
}

TLoad LoadWithWindow(const std::string& Text, std::int64_t Window)
{
    const std::int64_t Saved = TObjectTextFile::LoadWindowSize;
    TObjectTextFile::LoadWindowSize = Window;
    TLoad Load;
    TObjectTextFile File;
    Record(File, Load);
    platform::TMemoryStream Stream(Text);
    try {
        File.LoadFromStream(Stream);
    } catch (const std::exception& E) {
        Load.Error = E.what();
    }
    TObjectTextFile::LoadWindowSize = Saved;
    Load.Entries = EntriesOf(File);
    return Load;
}

// The split written out line by line, as plainly as it can be said, to check
// the fast one against.
TLoad ParseReference(const std::string& Text)
{
    TLoad Load;
    TObjectTextFile Owner; // only for constructing entries
    std::vector<TObjectTextObject> Objects;
    Load.Progress.emplace_back(pkStart, 0);
    const long long Length = (long long)Text.size();
    long long P = 0;
    int Last = 0;
    try {
        while (P < Length) {
            const long long LineStart = P;
            while (P < Length && Text[P] != '\r' && Text[P] != '\n' && Text[P] != '\0')
                ++P;
            if (P - LineStart >= 7 && Text.compare(LineStart, 7, "OBJECT ") == 0) {
                if (!Objects.empty())
                    Objects.back().SetEndOffset(int(LineStart));
                Objects.emplace_back(&Owner, int(LineStart), Text.substr(LineStart + 7, P - LineStart - 7));
            } else {
                // Exact rounding, halves to even.
                const long double Exact = (long double)P * 100 / Length;
                long long Percent = (long long)Exact;
                const long double Fraction = Exact - Percent;
                if (Fraction > 0.5L || (Fraction == 0.5L && Percent % 2))
                    ++Percent;
                if (Percent != Last) {
                    Load.Progress.emplace_back(pkProgress, int(Percent));
                    Last = int(Percent);
                }
            }
            if (P < Length && Text[P] == '\0') {
                ++P;
                continue;
            }
            if (P < Length && Text[P] == '\r')
                ++P;
            if (P < Length && Text[P] == '\n')
                ++P;
        }
        if (!Objects.empty())
            Objects.back().SetEndOffset(int(P));
        Load.Progress.emplace_back(pkDone, 100);
    } catch (const std::exception& E) {
        Load.Error = E.what();
    }
    for (const auto& O : Objects)
        Load.Entries.push_back({O.Offset(), O.Size(), O.ObjectType(), O.ID(), std::string(O.Name())});
    return Load;
}

void ExpectSameLoad(const TLoad& Expected, const TLoad& Actual, const std::string& What)
{
    EXPECT_EQ(Expected.Entries, Actual.Entries) << What;
    EXPECT_EQ(Expected.Progress, Actual.Progress) << What;
    EXPECT_EQ(Expected.Error, Actual.Error) << What;
}

std::string Printable(const std::string& Text)
{
    std::string Out;
    for (char C : Text)
        Out += C == '\r' ? std::string("\\r") : C == '\n' ? std::string("\\n") : C == '\0' ? std::string("\\0") : std::string(1, C);
    return Out;
}

// --- splitting -------------------------------------------------------------

struct TSplitCase {
    const char* Name;
    std::string Text;
};

class Split : public testing::TestWithParam<TSplitCase> {};

TEST_P(Split, MatchesLineByLineReadingInEveryWindowSize)
{
    const std::string& Text = GetParam().Text;
    const TLoad Expected = ParseReference(Text);
    ExpectSameLoad(Expected, ParseWithModel(Text), "ParseText");
    for (std::int64_t Window : {1, 2, 3, 7, 8, 9, 16, 17, 64, 1 << 20})
        ExpectSameLoad(Expected, LoadWithWindow(Text, Window), "window " + std::to_string(Window));
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(
    Texts, Split,
    testing::Values(
        TSplitCase{"Empty", ""},
        TSplitCase{"NoObjects", "just text\r\nand more\r\n"},
        TSplitCase{"OnlyObjectLine", "OBJECT Table 1 A"},
        TSplitCase{"ObjectAtStart", "OBJECT Table 1 A\r\nx\r\nOBJECT Form 2 B\r\ny\r\n"},
        TSplitCase{"TextBeforeFirst", "header\r\nOBJECT Report 42 Weekly Totals\r\nBEGIN\r\nEND.\r\n"},
        TSplitCase{"LfOnly", "h\nOBJECT Table 1 A\nx\nOBJECT Form 2 B\ny\n"},
        TSplitCase{"CrOnly", "h\rOBJECT Table 1 A\rx\rOBJECT Form 2 B\ry\r"},
        TSplitCase{"LfCrIsTwoBreaks", "OBJECT Table 1 A\n\rOBJECT Form 2 B\n\r"},
        TSplitCase{"CrCrLf", "OBJECT Table 1 A\r\r\nOBJECT Form 2 B\r\r\n"},
        TSplitCase{"NoFinalBreak", "OBJECT Table 1 A\r\nlast line"},
        TSplitCase{"TrailingEmptyLines", "OBJECT Table 1 A\r\n\r\n\r\n\r\n"},
        TSplitCase{"MarkerInOtherCaseOrIndented",
                   "OBJECT Table 1 A\r\nobject Form 2 B\r\n OBJECT Form 3 C\r\n\tOBJECT Form 4 D\r\nOBJECTX\r\n"},
        TSplitCase{"ShortLines", "OBJEC\r\nOBJECT\r\nOBJECT \r\n"s},
        TSplitCase{"NulEndsALine", "OBJECT Table 1 A\0OBJECT Form 2 B\0\nx\0"s},
        TSplitCase{"NulInsideHeader", "junk\0OBJECT Codeunit 5 Post\0Name\r\n"s},
        TSplitCase{"MarkerAfterCrNotLf", "x\rOBJECT Table 1 A\r\n"},
        TSplitCase{"BadNumberEndsLoad", "OBJECT Table 1 A\r\nx\r\nOBJECT Form 1x B\r\nOBJECT Table 3 C\r\n"},
        TSplitCase{"EmptyNumber", "OBJECT Table 1 A\r\nOBJECT Form  B\r\n"},
        TSplitCase{"HalfwayPercents", std::string(199, 'a') + "\n" + std::string(199, 'b') + "\n"},
        TSplitCase{"ManyShortLines", [] {
                       std::string S;
                       for (int I = 0; I < 300; ++I)
                           S += I % 37 == 0 ? "OBJECT Table " + std::to_string(I) + " T\r\n" : "l\r\n";
                       return S;
                   }()}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST(Split, RandomTextsMatchLineByLineReading)
{
    const char* Pieces[] = {"OBJECT ", "OBJECT Table 7 Name", "OBJECT Codeunit -3 X", "OBJECT Form 0x1F A B ",
                            "\r", "\n", "\r\n", "\0", "O", "x", "  ", "OBJ", "OBJECT Report 12345678901 Q"};
    std::mt19937 Random(1234);
    for (int Round = 0; Round < 1500; ++Round) {
        std::string Text;
        const int Count = int(Random() % 40);
        for (int I = 0; I < Count; ++I) {
            const int Pick = int(Random() % std::size(Pieces));
            Text += Pick == 7 ? std::string(1, '\0') : std::string(Pieces[Pick]);
        }
        const TLoad Expected = ParseReference(Text);
        ExpectSameLoad(Expected, ParseWithModel(Text), Printable(Text));
        const std::int64_t Window = 1 + Random() % 24;
        ExpectSameLoad(Expected, LoadWithWindow(Text, Window), Printable(Text) + " window " + std::to_string(Window));
    }
}

TEST(Split, ProgressOfOneObjectLineIsStartAndDoneOnly)
{
    const TLoad Load = ParseWithModel("OBJECT Table 1 A\r\n");
    EXPECT_EQ((std::vector<std::pair<int, int>>{{pkStart, 0}, {pkDone, 100}}), Load.Progress);
}

TEST(Split, ProgressPercentsStrictlyIncreaseAndStayBelowOneHundredAndOne)
{
    std::string Text;
    for (int I = 0; I < 5000; ++I)
        Text += I % 50 == 0 ? "OBJECT Codeunit " + std::to_string(I) + " C\r\n" : "  code line\r\n";
    const TLoad Load = ParseWithModel(Text);
    ASSERT_GE(Load.Progress.size(), 3u);
    EXPECT_EQ(std::make_pair(int(pkStart), 0), Load.Progress.front());
    EXPECT_EQ(std::make_pair(int(pkDone), 100), Load.Progress.back());
    int Last = 0;
    for (std::size_t I = 1; I + 1 < Load.Progress.size(); ++I) {
        EXPECT_EQ(pkProgress, Load.Progress[I].first);
        EXPECT_GT(Load.Progress[I].second, Last);
        EXPECT_LE(Load.Progress[I].second, 100);
        Last = Load.Progress[I].second;
    }
}

TEST(Split, SameObjectsWhateverTheLineBreaks)
{
    const std::string Crlf = "pre\r\nOBJECT Table 18 Customer\r\n{\r\n}\r\nOBJECT Form 21 Card\r\nx\r\n";
    auto With = [&](const std::string& Break) {
        std::string S;
        for (std::size_t I = 0; I < Crlf.size(); ++I)
            if (Crlf.compare(I, 2, "\r\n") == 0) {
                S += Break;
                ++I;
            } else
                S += Crlf[I];
        return S;
    };
    for (const std::string& Break : {std::string("\r\n"), std::string("\n"), std::string("\r")}) {
        TObjectTextFile File;
        File.ParseText(With(Break));
        ASSERT_EQ(2, File.Count());
        EXPECT_EQ("Table 18 Customer", File.Objects(0).GetDisplayText());
        EXPECT_EQ("Form 21 Card", File.Objects(1).GetDisplayText());
        EXPECT_EQ(int(3 + Break.size()), File.Objects(0).Offset());
    }
}

// --- headers ---------------------------------------------------------------

struct THeaderCase {
    const char* Header;
    TObjectType Type;
    int ID;
    const char* Name;
};

class Header : public testing::TestWithParam<THeaderCase> {};

TEST_P(Header, Parses)
{
    const THeaderCase& C = GetParam();
    TObjectTextObject Object(nullptr, 0, C.Header);
    EXPECT_EQ(C.Type, Object.ObjectType());
    EXPECT_EQ(C.ID, Object.ID());
    EXPECT_EQ(std::string(C.Name), Object.Name());
}

INSTANTIATE_TEST_SUITE_P(
    Headers, Header,
    testing::Values(THeaderCase{"Report 42 Weekly Totals", otReport, 42, "Weekly Totals"},
                    THeaderCase{"Table 18 Customer", otTable, 18, "Customer"},
                    THeaderCase{"Form 1 A", otForm, 1, "A"}, THeaderCase{"Dataport 1 A", otDataport, 1, "A"},
                    THeaderCase{"Codeunit 1 A", otCodeunit, 1, "A"}, THeaderCase{"XMLport 1 A", otXMLport, 1, "A"},
                    THeaderCase{"MenuSuite 1 A", otMenuSuite, 1, "A"},
                    THeaderCase{"Page 21 Customer Card", otPage, 21, "Customer Card"},
                    THeaderCase{"Query 21 Cust. Ledg. Entry", otQuery, 21, "Cust. Ledg. Entry"},
                    THeaderCase{"table 1 lower", otUnknown, 1, "lower"},
                    THeaderCase{"page 2 lower", otUnknown, 2, "lower"},
                    THeaderCase{"query 3 lower", otUnknown, 3, "lower"},
                    THeaderCase{"Unknown 4 U", otUnknown, 4, "U"},
                    THeaderCase{"Bogus 6 B", otUnknown, 6, "B"},
                    THeaderCase{"?Page 7 P", otUnknown, 7, "P"},
                    THeaderCase{"Tabel 5 Misspelt", otTable, 5, "Misspelt"},
                    THeaderCase{"Pgae 5 Misspelt", otPage, 5, "Misspelt"},
                    THeaderCase{"Qery 5 Misspelt", otQuery, 5, "Misspelt"},
                    THeaderCase{"Table -7 Negative", otTable, -7, "Negative"},
                    THeaderCase{"Table 1 Name With  Trailing  ", otTable, 1, "Name With  Trailing  "},
                    THeaderCase{"Table 1 123456789012345678901234567890XYZ", otTable, 1,
                                "123456789012345678901234567890"},
                    THeaderCase{"Table 99", otTable, 99, ""}, THeaderCase{"Table 1 ", otTable, 1, ""},
                    THeaderCase{"Table $1F x", otTable, 31, "x"}, THeaderCase{"Table 0x10 x", otTable, 16, "x"},
                    THeaderCase{"Table X10 x", otTable, 16, "x"}, THeaderCase{"Table -$1 x", otTable, -1, "x"},
                    THeaderCase{"Table $FFFFFFFF x", otTable, -1, "x"},
                    THeaderCase{"Table +5 x", otTable, 5, "x"},
                    THeaderCase{"Table 2147483647 x", otTable, 2147483647, "x"},
                    THeaderCase{"Table -2147483648 x", otTable, INT32_MIN, "x"}),
    [](const auto& Info) { return "Case" + std::to_string(Info.index); });

class BadHeader : public testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(BadHeader, RaisesConversionError)
{
    try {
        TObjectTextObject Object(nullptr, 0, GetParam().first);
        FAIL() << "no error";
    } catch (const EConvertError& E) {
        EXPECT_STREQ(GetParam().second, E.what());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BadHeader,
    testing::Values(std::make_pair("Table 1x A", "'1x' is not a valid integer value"),
                    std::make_pair("Table  A", "'' is not a valid integer value"),
                    std::make_pair("", "'' is not a valid integer value"),
                    std::make_pair("Table", "'' is not a valid integer value"),
                    std::make_pair("Table 2147483648 A", "'2147483648' is not a valid integer value"),
                    std::make_pair("Table -2147483649 A", "'-2147483649' is not a valid integer value"),
                    std::make_pair("Table $100000000 A", "'$100000000' is not a valid integer value"),
                    std::make_pair("Table $ A", "'$' is not a valid integer value"),
                    std::make_pair("Table 0x A", "'0x' is not a valid integer value"),
                    std::make_pair("Table - A", "'-' is not a valid integer value"),
                    std::make_pair("Table 1\t2 A", "'1\t2' is not a valid integer value"),
                    std::make_pair("Table $G A", "'$G' is not a valid integer value")));

TEST(ObjectEntry, DisplayTextAndExportName)
{
    const std::pair<const char*, std::pair<const char*, const char*>> Cases[] = {
        {"Report 42 Weekly Totals", {"Report 42 Weekly Totals", "rep42.txt"}},
        {"Table -5 Neg", {"Table -5 Neg", "tab-5.txt"}},
        {"page 7 P", {"Unknown 7 P", "unk7.txt"}},
        {"Page 21 Cust. Ledg. Entry", {"Page 21 Cust. Ledg. Entry", "pag21.txt"}},
        {"Query 21 Cust. Ledg. Entry", {"Query 21 Cust. Ledg. Entry", "que21.txt"}},
        {"XMLport 9 X", {"XMLport 9 X", "xml9.txt"}},
        {"MenuSuite 10 M", {"MenuSuite 10 M", "men10.txt"}},
        {"Dataport $A D", {"Dataport 10 D", "dat10.txt"}},
    };
    for (const auto& [Header, Expected] : Cases) {
        TObjectTextObject Object(nullptr, 0, Header);
        EXPECT_EQ(Expected.first, Object.GetDisplayText());
        EXPECT_EQ(Expected.second, Object.GetExportFileName());
    }
}

// Duplicated objects in one file would overwrite each other's export file.
TEST(ObjectEntry, SharedExportNames)
{
    struct {
        const char* Name;
        std::vector<const char*> Headers;
        std::vector<int> Chosen; // indexes into Headers
        std::vector<std::string> Shared;
    } const Cases[] = {
        {"Distinct", {"Table 18 A", "Table 19 B", "Form 18 C"}, {0, 1, 2}, {}},
        {"PageAndQueryOfOneNumber", {"Page 21 A", "Query 21 B"}, {0, 1}, {}},
        {"DuplicatedTable", {"Table 18 A", "Table 18 B"}, {0, 1}, {"tab18.txt"}},
        {"MisspeltKindWord", {"Table 18 A", "Tabel 18 B"}, {0, 1}, {"tab18.txt"}},
        {"UnknownKindsShareTheirPrefix", {"Bogus 3 A", "Other 3 B"}, {0, 1}, {"unk3.txt"}},
        {"OneObjectTwice", {"Table 18 A"}, {0, 0}, {}},
        {"ThreeHoldersNamedOnce", {"Table 1 A", "Table 1 B", "Table 1 C"}, {0, 1, 2}, {"tab1.txt"}},
        {"InTheOrderFound", {"Table 2 A", "Form 1 B", "Form 1 C", "Table 2 D"}, {0, 1, 2, 3}, {"for1.txt", "tab2.txt"}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(C.Name);
        std::deque<TObjectTextObject> Objects;
        for (const char* Header : C.Headers)
            Objects.emplace_back(nullptr, 0, Header);
        std::vector<const TObjectTextObject*> Chosen;
        for (const int Index : C.Chosen)
            Chosen.push_back(&Objects[std::size_t(Index)]);
        EXPECT_EQ(C.Shared, SharedExportNames(Chosen));
    }
}

// Compare pairs objects of unknown kinds by this word.
TEST(ObjectEntry, KeepsTheWordOfAnUnknownKind)
{
    std::string Text =
        "OBJECT table 1 a\r\nOBJECT Bogus 2 b\r\nOBJECT Table 3 c\r\nOBJECT table 4 d\r\nOBJECT Page 5 e\r\n";
    std::vector<std::string> Expected = {"table", "Bogus", "", "table", ""};
    for (int I = 0; I < 300; ++I) { // enough distinct words for their store to grow many times
        const std::string Word = "Other" + std::string(std::size_t(I % 40), 'w') + std::to_string(I);
        Text += "OBJECT " + Word + " " + std::to_string(I) + " x\r\n";
        Expected.push_back(Word);
    }
    const auto Words = [](const TObjectTextFile& File) {
        std::vector<std::string> Result;
        for (std::int32_t I = 0; I < File.Count(); ++I)
            Result.emplace_back(File.Objects(I).UnknownKindWord());
        return Result;
    };
    TTempDir Dir;
    const std::string Path = Dir.File("objects.txt");
    WriteFileBytes(Path, Text);
    TObjectTextFile File;
    File.LoadFromFile(Path);
    EXPECT_EQ(Expected, Words(File));
    WriteFileBytes(Dir.File("other.txt"), "OBJECT Bogus 1 a\r\nOBJECT Form 2 b\r\nOBJECT Novel 3 c\r\n");
    File.LoadFromFile(Dir.File("other.txt"));
    EXPECT_EQ((std::vector<std::string>{"Bogus", "", "Novel"}), Words(File));
    EXPECT_EQ("", TObjectTextObject(nullptr, 0, "Bogus 1 A").UnknownKindWord()); // no file to keep it
}

TEST(ObjectEntry, IsSmall)
{
    // With the deque's blocks and their map, under 100 bytes an object.
    EXPECT_LE(sizeof(TObjectTextObject), 80u);
}

TEST(ObjectEntry, EndBeforeStartOverflowsNotWraps)
{
    TObjectTextObject Object(nullptr, INT32_MIN + 1, "Table 1 A");
    EXPECT_THROW(Object.SetEndOffset(INT32_MAX), EIntOverflow);
    try {
        CheckedAdd(INT32_MAX, 1);
        FAIL();
    } catch (const EIntOverflow& E) {
        EXPECT_STREQ("Integer overflow", E.what());
    }
}

// --- loaded files: text, search, states ------------------------------------

class LoadedFile : public testing::Test {
protected:
    void Load(const std::string& Text)
    {
        Path = Dir.File("objects.txt");
        WriteFileBytes(Path, Text);
        File.LoadFromFile(Path);
    }
    TTempDir Dir;
    std::string Path;
    TObjectTextFile File;
};

TEST_F(LoadedFile, TextIsTheObjectsBytesWithItsLineBreaks)
{
    Load("pre\r\nOBJECT Table 1 A\r\nx\r\n\r\nOBJECT Form 2 B\r\ny\r\n\r\n");
    ASSERT_EQ(2, File.Count());
    EXPECT_EQ("OBJECT Table 1 A\r\nx\r\n\r\n", File.Objects(0).GetText());
    EXPECT_EQ("OBJECT Form 2 B\r\ny\r\n\r\n", File.Objects(1).GetText());
    EXPECT_EQ(Path, File.FileName());
}

TEST_F(LoadedFile, EmptyFileLoadsWithoutEntriesButWithItsName)
{
    TLoad Progress;
    Record(File, Progress);
    Load("");
    EXPECT_EQ(0, File.Count());
    EXPECT_EQ(Path, File.FileName());
    EXPECT_EQ((std::vector<std::pair<int, int>>{{pkStart, 0}, {pkDone, 100}}), Progress.Progress);
}

TEST_F(LoadedFile, ObjectsOutsideTheListRaiseListError)
{
    Load("OBJECT Table 1 A\r\n");
    for (int Index : {-1, 1, 1000}) {
        try {
            File.Objects(Index);
            FAIL();
        } catch (const EListError& E) {
            EXPECT_EQ("List index out of bounds (" + std::to_string(Index) + ")", std::string(E.what()));
        }
    }
}

struct TSearchCase {
    const char* Name;
    std::string Text;
    int Start;
    bool MatchCase;
    int Expected;
};

class Search : public testing::TestWithParam<TSearchCase> {};

TEST_P(Search, FindsFirstOccurrenceAtOrAfterPosition)
{
    const TSearchCase& C = GetParam();
    TTempDir Dir;
    const std::string Text = "OBJECT Table 1 A\r\nalpha Beta beta BETA \xe4\xc4 aaaa end";
    WriteFileBytes(Dir.File("f.txt"), Text);
    TObjectTextFile File;
    File.LoadFromFile(Dir.File("f.txt"));
    std::int32_t Position = C.Start;
    EXPECT_EQ(C.Expected != 0, File.Objects(0).Search(Position, C.Text, C.MatchCase));
    EXPECT_EQ(C.Expected, Position);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Search,
    testing::Values(TSearchCase{"FromZero", "OBJECT", 0, true, 1}, TSearchCase{"FromOne", "OBJECT", 1, true, 1},
                    TSearchCase{"StartIsInclusive", "Beta", 25, true, 25},
                    TSearchCase{"OneAfterFindsNext", "eta", 27, false, 31},
                    TSearchCase{"MatchCaseSkipsOtherCase", "beta", 1, true, 30},
                    TSearchCase{"NoMatchCaseFindsUpper", "beta", 1, false, 25},
                    TSearchCase{"NoMatchCaseFindsLower", "ALPHA", 1, false, 19},
                    TSearchCase{"AccentedLettersKeepTheirCase", "\xe4\xe4", 1, false, 0},
                    TSearchCase{"AccentedExact", "\xe4\xc4", 1, false, 40},
                    TSearchCase{"Overlapping", "aa", 44, true, 44}, TSearchCase{"OverlappingNext", "aa", 45, true, 45},
                    TSearchCase{"AtTheVeryEnd", "end", 1, true, 48}, TSearchCase{"PastLastPlace", "end", 49, true, 0},
                    TSearchCase{"Empty", "", 1, true, 0}, TSearchCase{"LongerThanText", std::string(100, 'a'), 1, true, 0},
                    TSearchCase{"FarBeyond", "a", 100000, true, 0}),
    [](const auto& Info) { return std::string(Info.param.Name); });

TEST_F(LoadedFile, FindNextWalksObjectsWithoutWrapping)
{
    Load("OBJECT Table 1 A\r\nneedle\r\nOBJECT Form 2 B\r\nnothing\r\nOBJECT Form 3 C\r\nxneedle");
    std::int32_t Object = 0, Position = 1;
    ASSERT_TRUE(File.FindNext(Object, Position, "needle", true));
    EXPECT_EQ(0, Object);
    EXPECT_EQ(19, Position);
    Position += 6;
    ASSERT_TRUE(File.FindNext(Object, Position, "NEEDLE", false));
    EXPECT_EQ(2, Object);
    EXPECT_EQ(19, Position);
    Position += 6;
    EXPECT_FALSE(File.FindNext(Object, Position, "needle", true));
    EXPECT_EQ(3, Object);
    EXPECT_EQ(0, Position);
    // Already at the end: nothing examined, nothing changed.
    Object = 3;
    Position = 9;
    EXPECT_FALSE(File.FindNext(Object, Position, "needle", true));
    EXPECT_EQ(3, Object);
    EXPECT_EQ(9, Position);
}

TEST_F(LoadedFile, CloseForgetsObjectsAndNameButKeepsTheHold)
{
    Load("OBJECT Table 1 A\r\nx\r\n");
    File.Close();
    EXPECT_EQ(0, File.Count());
    EXPECT_EQ("", File.FileName());
    std::int32_t Object = 0, Position = 0;
    EXPECT_FALSE(File.FindNext(Object, Position, "x", true));
    EXPECT_TRUE(File.HoldsStream());
    EXPECT_THROW(platform::TFileStream::OpenExclusiveRead(Path), platform::EFOpenError);
}

TEST_F(LoadedFile, LoadingTheLoadedFileAgainSucceeds)
{
    Load("OBJECT Table 1 A\r\n");
    EXPECT_NO_THROW(File.LoadFromFile(Path));
    EXPECT_EQ(1, File.Count());
}

TEST_F(LoadedFile, FailedOpenKeepsEntriesAndNameButTheirTextCannotBeRead)
{
    Load("OBJECT Table 1 A\r\nx\r\n");
    try {
        File.LoadFromFile(Dir.File("missing.txt"));
        FAIL();
    } catch (const platform::EFOpenError& E) {
#ifdef _WIN32
        const std::string Reason = platform::SystemErrorText(2); // ERROR_FILE_NOT_FOUND
#else
        const std::string Reason = "No such file or directory";
#endif
        EXPECT_EQ("Cannot open file \"" + Dir.File("missing.txt") + "\". " + Reason, std::string(E.what()));
    }
    EXPECT_FALSE(File.HoldsStream());
    EXPECT_EQ(Path, File.FileName());
    ASSERT_EQ(1, File.Count());
    EXPECT_THROW(File.Objects(0).GetText(), platform::EReadError);
    std::int32_t Object = 0, Position = 0;
    EXPECT_THROW(File.FindNext(Object, Position, "x", true), platform::EReadError);
    EXPECT_THROW(File.Objects(0).SaveToFile(Dir.File("out.txt")), platform::EReadError);
}

TEST_F(LoadedFile, BadHeaderKeepsEntriesBeforeItUnderThePreviousName)
{
    Load("OBJECT Table 9 Old\r\n");
    const std::string Second = Dir.File("second.txt");
    WriteFileBytes(Second, "OBJECT Table 1 A\r\nx\r\nOBJECT Form B2 B\r\ny\r\n");
    TLoad Progress;
    Record(File, Progress);
    EXPECT_THROW(File.LoadFromFile(Second), EConvertError);
    EXPECT_EQ(Path, File.FileName());
    ASSERT_EQ(1, File.Count());
    EXPECT_EQ("OBJECT Table 1 A\r\nx\r\n", File.Objects(0).GetText()); // read from the new file
    EXPECT_NE(pkDone, Progress.Progress.back().first);
}

} // namespace

namespace {

// The search as plainly as it can be said: fold a copy of both, then look.
int NaiveSearch(std::string Text, std::string Needle, int Position, bool MatchCase)
{
    if (!MatchCase) {
        UpperCaseAscii(Text.data(), Text.size());
        UpperCaseAscii(Needle.data(), Needle.size());
    }
    if (Needle.empty())
        return 0;
    const std::size_t Hit = Text.find(Needle, Position > 1 ? std::size_t(Position - 1) : 0);
    return Hit == std::string::npos ? 0 : int(Hit) + 1;
}

TEST(SearchAgainstPlainFolding, RandomTextsAndNeedles)
{
    const char Alphabet[] = {'a', 'A', 'b', 'B', 'z', 'Z', '@', '`', '[', '{', '\xe4', '\xc4', ' ', '\r', '\n'};
    std::mt19937 Random(99);
    TTempDir Dir;
    std::vector<std::string> Bodies;
    std::string Text;
    for (int I = 0; I < 60; ++I) {
        std::string Body = "OBJECT Table " + std::to_string(I) + " T\r\n";
        const int Length = int(Random() % 90);
        for (int K = 0; K < Length; ++K)
            Body += Alphabet[Random() % sizeof Alphabet];
        Body += "\r\n";
        Bodies.push_back(Body);
        Text += Body;
    }
    WriteFileBytes(Dir.File("f.txt"), Text);
    TObjectTextFile File;
    File.LoadFromFile(Dir.File("f.txt"));
    ASSERT_EQ(60, File.Count());
    for (int Round = 0; Round < 20000; ++Round) {
        const int Object = int(Random() % 60);
        std::string Needle;
        const int Length = 1 + int(Random() % 5);
        for (int K = 0; K < Length; ++K)
            Needle += Alphabet[Random() % 12];
        const bool MatchCase = Random() % 2;
        const int Start = int(Random() % 40);
        std::int32_t Position = Start;
        // Small blocks put objects across the seams between them.
        search::TOccurrenceSearch::BlockSize = 1 + Random() % 20;
        File.Objects(Object).Search(Position, Needle, MatchCase);
        search::TOccurrenceSearch::BlockSize = 256 * 1024;
        ASSERT_EQ(NaiveSearch(Bodies[Object], Needle, Start, MatchCase), Position)
            << Printable(Bodies[Object]) << " / " << Needle << " from " << Start << (MatchCase ? " case" : "");
    }
}

} // namespace
