// The three-way merge: the line merge, the Version List, one object's
// versions merged by structure, and three files merged object by object.
#include "core/merge/filemerge.h"
#include "core/merge/mergeoutput.h"
#include "core/merge/objectparts.h"
#include "platform/filestream.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace merge;

namespace {

std::string Lines(const std::string& Base, const std::string& Ours, const std::string& Theirs,
                  std::size_t* Conflicts = nullptr, bool Diff3 = false)
{
    TMergedText Merged;
    TMarkerStyle Style;
    Style.Diff3 = Diff3;
    TMergeWriter Out(Merged, Style, FirstBreak(Ours));
    const std::size_t N = MergeLines(Base, Ours, Theirs, Out);
    if (Conflicts)
        *Conflicts = N;
    EXPECT_EQ(N, Merged.Conflicts.size());
    return Merged.Text;
}

struct TLineCase {
    const char* Name;
    std::string Base, Ours, Theirs, Merged;
    std::size_t Conflicts;
};

const TLineCase SLineCases[] = {
    {"OursOnly", "a\nb\nc\n", "a\nB\nc\n", "a\nb\nc\n", "a\nB\nc\n", 0},
    {"TheirsOnly", "a\nb\nc\n", "a\nb\nc\n", "a\nb\nC\n", "a\nb\nC\n", 0},
    {"ApartOnBothSides", "a\nb\nc\nd\ne\n", "A\nb\nc\nd\ne\n", "a\nb\nc\nd\nE\n", "A\nb\nc\nd\nE\n", 0},
    {"AlikeOnBothSides", "a\nb\n", "a\nX\n", "a\nX\n", "a\nX\n", 0},
    {"SameLineDifferently", "a\nb\nc\n", "a\nB1\nc\n", "a\nB2\nc\n",
     "a\n<<<<<<< OURS\nB1\n=======\nB2\n>>>>>>> THEIRS\nc\n", 1},
    {"DeletedAgainstChanged", "a\nb\nc\n", "a\nc\n", "a\nB\nc\n", "a\n<<<<<<< OURS\n=======\nB\n>>>>>>> THEIRS\nc\n",
     1},
    {"EmptyBase", "", "x\n", "y\n", "<<<<<<< OURS\nx\n=======\ny\n>>>>>>> THEIRS\n", 1},
    // THEIRS' LF lines come out in OURS' CR LF.
    {"OursLineBreaks", "a\r\nb\r\n", "a\r\nb\r\nc\r\n", "A\nb\n", "A\r\nb\r\nc\r\n", 0},
};

class LineMerge : public testing::TestWithParam<TLineCase> {};

TEST_P(LineMerge, MergesAsDiff3)
{
    const TLineCase& Case = GetParam();
    std::size_t Conflicts = 0;
    EXPECT_EQ(Lines(Case.Base, Case.Ours, Case.Theirs, &Conflicts), Case.Merged);
    EXPECT_EQ(Conflicts, Case.Conflicts);
}

INSTANTIATE_TEST_SUITE_P(Cases, LineMerge, testing::ValuesIn(SLineCases),
                         [](const testing::TestParamInfo<TLineCase>& Info) { return std::string(Info.param.Name); });

TEST(LineMerge, Diff3MarkersShowTheBase)
{
    EXPECT_EQ(Lines("b\n", "B1\n", "B2\n", nullptr, true), "<<<<<<< OURS\nB1\n||||||| BASE\nb\n=======\nB2\n>>>>>>> THEIRS\n");
}

TEST(LineMerge, ResolvingMovesTheConflictsAfter)
{
    TMergedText Merged;
    TMarkerStyle Style;
    TMergeWriter Out(Merged, Style, "\n");
    MergeLines("a\nb\nc\nd\ne\n", "A1\nb\nc\nd\nE1\n", "A2\nb\nc\nd\nE2\n", Out);
    ASSERT_EQ(Merged.Conflicts.size(), 2u);
    Resolve(Merged, 0, TResolution::TheirsThenOurs);
    EXPECT_EQ(Merged.Text.substr(0, 6), "A2\nA1\n");
    Resolve(Merged, 0, TResolution::Base);
    EXPECT_EQ(Merged.Text, "A2\nA1\nb\nc\nd\ne\n");
    EXPECT_THROW(Resolve(Merged, 0, TResolution::Ours), std::out_of_range);
}

struct TVersionCase {
    const char* Name;
    const char *Base, *Ours, *Theirs, *Merged;
};

const TVersionCase SVersionCases[] = {
    {"TheirsReplacesItsProduct", "ABC11.00.00.20348", "ABC11.00.00.20348,PTR1.00", "ABC11.00.00.21836",
     "ABC11.00.00.21836,PTR1.00"},
    {"BothAddTags", "ABC6.00", "ABC6.00,PTR1", "ABC6.00.01,XYZ2", "ABC6.00.01,PTR1,XYZ2"},
    {"TheirsDropsATag", "ABC6.00,OLD1", "ABC6.00,OLD1,PTR1", "ABC6.00", "ABC6.00,PTR1"},
    {"Unchanged", "ABC6.00", "ABC6.00", "ABC6.00", "ABC6.00"},
};

class VersionList : public testing::TestWithParam<TVersionCase> {};

TEST_P(VersionList, MergesTagsByProduct)
{
    const TVersionCase& Case = GetParam();
    EXPECT_EQ(MergeVersionList(Case.Base, Case.Ours, Case.Theirs, TVersionListPolicy::Union), Case.Merged);
}

INSTANTIATE_TEST_SUITE_P(Cases, VersionList, testing::ValuesIn(SVersionCases),
                         [](const testing::TestParamInfo<TVersionCase>& Info) { return std::string(Info.param.Name); });

// An object with a section of each layout the merge knows.
const std::string SBase = R"(OBJECT Table 50000 Merge Sample
{
  OBJECT-PROPERTIES
  {
    Date=01.07.10;
    Time=12:00:00;
    Version List=ABC6.00;
  }
  PROPERTIES
  {
    DataCaptionFields=No.,Name;
    OnInsert=BEGIN
               TestNo;
             END;

    CaptionML=ENU=Merge Sample;
  }
  FIELDS
  {
    { 1   ;   ;No.                 ;Code20        }
    { 2   ;   ;Name                ;Text50        ;CaptionML=ENU=Name }
    { 3   ;   ;City                ;Text30        }
  }
  KEYS
  {
    {    ;No.                                     ;Clustered=Yes }
  }
  CODE
  {
    VAR
      Setup@1000 : Record 311;
      Text000@1001 : TextConst 'ENU=Done';

    PROCEDURE TestNo@1();
    BEGIN
      IF "No." = '' THEN
        ERROR(Text000);
    END;

    PROCEDURE Other@2();
    BEGIN
      Setup.GET;
      Setup.TESTFIELD(Name);
      MESSAGE(Text000);
    END;

    BEGIN
    {
      ABC6.00 first release
    }
    END.
  }
}

)";

std::string Edited(std::string Text, const std::vector<std::pair<std::string, std::string>>& Edits)
{
    for (const auto& [From, To] : Edits) {
        const std::size_t At = Text.find(From);
        EXPECT_NE(At, std::string::npos) << From;
        if (At != std::string::npos)
            Text.replace(At, From.size(), To);
    }
    return Text;
}

struct TObjectCase {
    const char* Name;
    std::vector<std::pair<std::string, std::string>> Ours, Theirs;
    std::vector<std::string> Present; // each once in the merge
    std::size_t Conflicts;
};

const std::string SField4 = "    { 4   ;   ;Phone No.           ;Text30        }\n";
const std::string SField5 = "    { 5   ;   ;Blocked             ;Boolean       }\n";
const std::string SProc3 = "    PROCEDURE Ours@3();\n    BEGIN\n    END;\n\n";
const std::string SProc4 = "    PROCEDURE Theirs@4();\n    BEGIN\n    END;\n\n";

const TObjectCase SObjectCases[] = {
    {"BothAppendFields",
     {{"    { 3   ;   ;City                ;Text30        }\n", "    { 3   ;   ;City                ;Text30        }\n" + SField4},
      {"Date=01.07.10", "Date=03.02.15"}, {"ABC6.00;", "ABC6.00,PTR1;"}},
     {{"    { 3   ;   ;City                ;Text30        }\n", "    { 3   ;   ;City                ;Text30        }\n" + SField5},
      {"Date=01.07.10", "Date=20.11.14"}, {"Time=12:00:00", "Time=08:00:00"}, {"ABC6.00;", "ABC6.01;"}},
     {SField4, SField5, "Date=03.02.15;\n    Time=12:00:00;", "Version List=ABC6.01,PTR1;"},
     0},
    {"BothAddProcedures",
     {{"    BEGIN\n    {\n", SProc3 + "    BEGIN\n    {\n"}},
     {{"    BEGIN\n    {\n", SProc4 + "    BEGIN\n    {\n"}, {"Time=12:00:00", "Time=13:00:00"}},
     {SProc3, SProc4, "Time=13:00:00"},
     0},
    {"BothChangeOneProcedureApart",
     {{"      Setup.GET;\n", "      Setup.GET; // ours\n"}},
     {{"      MESSAGE(Text000);\n", "      MESSAGE(Text000); // theirs\n"}},
     {"Setup.GET; // ours", "MESSAGE(Text000); // theirs"},
     0},
    {"PropertiesAndVariables",
     {{"    CaptionML=ENU=Merge Sample;\n", "    CaptionML=ENU=Merge Sample;\n    Permissions=TableData 17=r;\n"},
      {"      Setup@1000 : Record 311;\n", "      Setup@1000 : Record 311;\n      Cust@1002 : Record 18;\n"}},
     {{"    DataCaptionFields=No.,Name;\n", "    DataCaptionFields=No.,Name,City;\n"},
      {"      Text000@1001 : TextConst 'ENU=Done';\n",
       "      Text000@1001 : TextConst 'ENU=Done';\n      Item@1003 : Record 27;\n"}},
     {"Permissions=TableData 17=r;", "DataCaptionFields=No.,Name,City;", "Cust@1002", "Item@1003"},
     0},
    {"DocumentationLines",
     {{"      ABC6.00 first release\n", "      ABC6.00 first release\n      PTR1 our change\n"}},
     {{"      ABC6.00 first release\n", "      ABC6.00 first release\n      ABC6.01 their fix\n"}},
     {"PTR1 our change\n      ABC6.01 their fix\n"},
     0},
    {"SameLineDifferently",
     {{"        ERROR(Text000);", "        ERROR('ours');"}},
     {{"        ERROR(Text000);", "        ERROR('theirs');"}, {"    { 3   ;   ;City  ", "    { 3   ;   ;Town  "}},
     {"<<<<<<< OURS\n        ERROR('ours');\n=======\n        ERROR('theirs');\n>>>>>>> THEIRS\n", ";Town  "},
     1},
    {"FieldDeletedAgainstChanged",
     {{"    { 2   ;   ;Name                ;Text50        ;CaptionML=ENU=Name }\n", ""}},
     {{";CaptionML=ENU=Name }", ";CaptionML=ENU=Full Name }"}},
     {"<<<<<<< OURS\n=======\n    { 2   ;   ;Name                ;Text50        ;CaptionML=ENU=Full Name }\n>>>>>>> THEIRS\n"},
     1},
    {"BothAddTheSameFieldNumber",
     {{"    { 3   ;   ;City  ", SField4 + "    { 3   ;   ;City  "}},
     {{"    { 3   ;   ;City  ", "    { 4   ;   ;Mobile No.          ;Text30        }\n    { 3   ;   ;City  "}},
     {"<<<<<<< OURS\n" + SField4 + "=======\n"},
     1},
};

std::size_t Occurrences(const std::string& Text, const std::string& Part)
{
    std::size_t N = 0;
    for (std::size_t At = Text.find(Part); At != std::string::npos; At = Text.find(Part, At + 1))
        ++N;
    return N;
}

class ObjectMerge : public testing::TestWithParam<TObjectCase> {};

TEST_P(ObjectMerge, MergesByStructure)
{
    const TObjectCase& Case = GetParam();
    const TObjectMergeResult Result =
        MergeObjectTexts(SBase, Edited(SBase, Case.Ours), Edited(SBase, Case.Theirs));
    EXPECT_TRUE(Result.Structured);
    EXPECT_EQ(Result.Merged.Conflicts.size(), Case.Conflicts) << Result.Merged.Text;
    for (const std::string& Part : Case.Present)
        EXPECT_EQ(Occurrences(Result.Merged.Text, Part), 1u) << Part << "\n" << Result.Merged.Text;
}

INSTANTIATE_TEST_SUITE_P(Cases, ObjectMerge, testing::ValuesIn(SObjectCases),
                         [](const testing::TestParamInfo<TObjectCase>& Info) { return std::string(Info.param.Name); });

// Where an element's properties after its first line start.
const std::string SColumn(51, ' ');

const TObjectCase SElementCases[] = {
    {"DifferentPropertiesOfOneField",
     {{";CaptionML=ENU=Name }", ";CaptionML=ENU=Name;\n" + SColumn + "Description=Ours }"}},
     {{";CaptionML=ENU=Name }", ";CaptionML=ENU=Full Name }"}},
     {";CaptionML=ENU=Full Name;\n" + SColumn + "Description=Ours }\n"},
     0},
    {"OnePropertyOfOneFieldDifferently",
     {{";CaptionML=ENU=Name }", ";CaptionML=ENU=Ours }"}},
     {{";CaptionML=ENU=Name }", ";CaptionML=ENU=Theirs }"}},
     {"<<<<<<< OURS\n    { 2   ;   ;Name                ;Text50        ;CaptionML=ENU=Ours }\n"},
     1},
    {"KeyPropertiesOnBothSides",
     {{";Clustered=Yes }", ";SumIndexFields=Amount;\n" + SColumn + "Clustered=Yes }"}},
     {{";Clustered=Yes }", ";Clustered=No }"}},
     {"    {    ;No.                                     ;SumIndexFields=Amount;\n" + SColumn + "Clustered=No }\n"},
     0},
    {"PropertyRemovedAgainstChanged",
     {{";CaptionML=ENU=Name }", ";CaptionML=ENU=Name;\n" + SColumn + "Description=Ours }"}},
     {{";CaptionML=ENU=Name }", " }"}},
     {"<<<<<<< OURS\n"},
     1},
};

INSTANTIATE_TEST_SUITE_P(Elements, ObjectMerge, testing::ValuesIn(SElementCases),
                         [](const testing::TestParamInfo<TObjectCase>& Info) { return std::string(Info.param.Name); });

// A trigger in a field's property changed on both sides, lines apart.
TEST(ObjectMerge, TriggerPropertyMergedAsLines)
{
    const std::string Base = Edited(SBase, {{";CaptionML=ENU=Name }", ";OnValidate=BEGIN\n" + SColumn +
                                                                          "  First;\n" + SColumn + "  Middle;\n" + SColumn + "  Second;\n" +
                                                                          SColumn + "END;\n\n" + SColumn +
                                                                          "CaptionML=ENU=Name }"}});
    const TObjectMergeResult Result = MergeObjectTexts(Base, Edited(Base, {{"First;", "First(Ours);"}}),
                                                       Edited(Base, {{"Second;", "Second(Theirs);"},
                                                                     {"ENU=Name }", "ENU=Full Name }"}}));
    EXPECT_TRUE(Result.Merged.Conflicts.empty()) << Result.Merged.Text;
    EXPECT_EQ(Result.Merged.Text, Edited(Base, {{"First;", "First(Ours);"},
                                                {"Second;", "Second(Theirs);"},
                                                {"ENU=Name }", "ENU=Full Name }"}}));
}

TEST(ObjectMerge, OneSideAloneComesThroughByteForByte)
{
    const std::string Ours = Edited(SBase, {{"      Setup.GET;\n", "      Setup.GET; // ours\n"}});
    for (const std::string& Base : {SBase, std::string()})
        EXPECT_EQ(MergeObjectTexts(SBase, Ours, Base.empty() ? SBase : Base).Merged.Text, Ours);
    EXPECT_EQ(MergeObjectTexts(SBase, SBase, SBase).Merged.Text, SBase);
}

TEST(ObjectMerge, SplitPartsCoverTheText)
{
    TPart Object;
    ASSERT_TRUE(SplitObject(SBase, Object));
    std::vector<std::string> Keys;
    std::string Joined(Object.Head);
    for (const TPart& Section : Object.Children) {
        Keys.push_back(Section.Key);
        Joined += Section.Text;
    }
    Joined += Object.Tail;
    EXPECT_EQ(Joined, SBase);
    EXPECT_EQ(Keys, (std::vector<std::string>{"OBJECT-PROPERTIES", "PROPERTIES", "FIELDS", "KEYS", "CODE"}));
    std::vector<std::string> Code;
    for (const TPart& Item : Object.Children.back().Children)
        Code.push_back(Item.Key);
    EXPECT_EQ(Code, (std::vector<std::string>{"var", "ptestno", "pother", "documentation"}));
}

// An object the parser cannot read is merged by its lines, nothing lost.
TEST(ObjectMerge, UnreadableObjectFallsBackToLines)
{
    const std::string Base = Edited(SBase, {{"  KEYS\n", "stray\n  KEYS\n"}});
    const std::string Ours = Edited(Base, {{"      Setup.GET;\n", "      Setup.GET; // ours\n"}});
    const std::string Theirs = Edited(Base, {{"    { 3   ;   ;City  ", "    { 3   ;   ;Town  "}});
    const TObjectMergeResult Result = MergeObjectTexts(Base, Ours, Theirs);
    EXPECT_FALSE(Result.Structured);
    EXPECT_EQ(Result.Merged.Text, Edited(Ours, {{"    { 3   ;   ;City  ", "    { 3   ;   ;Town  "}}));
}

// Versions in DOS 850 (a-umlaut 0x84) and Windows 1252 (0xE4, the euro sign
// 0x80, which DOS 850 lacks): merged as text, written in OURS' DOS 850.
TEST(ObjectMerge, VersionsInDifferentCodePages)
{
    using codepages::TEncoding;
    const std::string Base = Edited(SBase, {{"ENU=Name }", "ENU=N\x84me }"}});
    const std::string Ours = Edited(Base, {{"      Setup.GET;\n", "      Setup.GET; // \x84\n"}});
    const std::string Theirs = Edited(Base, {{"ENU=N\x84me }", "ENU=N\xE4me2 }"},
                                             {"      MESSAGE(Text000);\n", "      MESSAGE(Text000); // \x80\n"}});
    const TObjectMergeResult Result =
        MergeEncodedTexts(Base, Ours, Theirs, {TEncoding::Cp850, TEncoding::Cp850, TEncoding::Cp1252, TEncoding::Cp850});
    EXPECT_EQ(Result.Merged.Text,
              Edited(Ours, {{"ENU=N\x84me }", "ENU=N\x84me2 }"},
                            {"      MESSAGE(Text000);\n",
                             "<<<<<<< OURS\n=======\n      MESSAGE(Text000); // ?\n>>>>>>> THEIRS\n"}}));
    ASSERT_EQ(Result.Merged.Conflicts.size(), 1u);
}

// Three small exports merged object by object.
TEST(FileMerge, StatusesAndOrder)
{
    const auto Object = [](const std::string& Kind, int ID, const std::string& Line) {
        return "OBJECT " + Kind + " " + std::to_string(ID) + " X\n{\n  CODE\n  {\n    BEGIN\n    {\n      " + Line +
               "\n    }\n    END.\n  }\n}\n\n";
    };
    TTempDir Dir;
    WriteFileBytes(Dir.File("base.txt"), Object("Table", 1, "a") + Object("Table", 2, "a") + Object("Table", 3, "a") +
                                             Object("Table", 4, "a") + Object("Table", 5, "a"));
    WriteFileBytes(Dir.File("ours.txt"), Object("Table", 1, "ours") + Object("Table", 2, "a") +
                                             Object("Table", 3, "ours") + Object("Table", 5, "ours") +
                                             Object("Codeunit", 9, "new"));
    WriteFileBytes(Dir.File("theirs.txt"), Object("Table", 1, "a") + Object("Table", 2, "theirs") +
                                               Object("Table", 3, "theirs") + Object("Table", 4, "a") +
                                               Object("Report", 7, "new"));
    TObjectTextFile Base, Ours, Theirs;
    Base.LoadFromFile(Dir.File("base.txt"));
    Ours.LoadFromFile(Dir.File("ours.txt"));
    Theirs.LoadFromFile(Dir.File("theirs.txt"));
    std::string Merged;
    const std::vector<TMergeEntry> Entries =
        MergeFiles(Base, Ours, Theirs, {}, [&Merged](const TMergeEntry&, std::string_view Text) { Merged += Text; });
    std::vector<std::pair<std::int32_t, TMergeStatus>> Statuses;
    for (const TMergeEntry& Entry : Entries)
        Statuses.emplace_back(Entry.ID, Entry.Status);
    const std::vector<std::pair<std::int32_t, TMergeStatus>> Expected = {
        {1, TMergeStatus::Ours},     {2, TMergeStatus::Theirs},   {3, TMergeStatus::Conflict},
        {4, TMergeStatus::Deleted},  {5, TMergeStatus::Conflict}, {7, TMergeStatus::Added},
        {9, TMergeStatus::Added}};
    EXPECT_EQ(Statuses, Expected);
    EXPECT_EQ(Occurrences(Merged, "OBJECT "), 6u);
    EXPECT_EQ(Occurrences(Merged, "<<<<<<< "), 1u); // Table 5, deleted against changed, stays unmarked
}

// Writing a merge: the preamble and a break where an object lacks its last
// one; a cancelled write and a split whose names clash leave nothing behind.
TEST(MergeOutput, WritesSafelyOrNotAtAll)
{
    TTempDir Dir;
    const std::string One = "OBJECT Table 1 A\r\n{\r\n}\r\n", Two = "OBJECT Table 2 B\r\n{\r\n}";
    TObjectTextFile Base, Ours, Theirs;
    for (auto [File, Name] : {std::pair{&Base, "base.txt"}, {&Ours, "ours.txt"}, {&Theirs, "theirs.txt"}}) {
        WriteFileBytes(Dir.File(Name), "Exported\r\n" + One + Two);
        File->LoadFromFile(Dir.File(Name));
    }
    TFileMerger Merger(Base, Ours, Theirs);
    TMergeOutput Output(Merger);
    std::vector<TMergeEntry> Entries = MatchThree(Base, Ours, Theirs);

    // The user's text for the last object, without its final break.
    const auto Edited = [&](TMergeEntry& Entry) -> std::string_view {
        return Entry.ID == 1 ? std::string_view("OBJECT Table 1 A\r\n{\r\n}") : Merger.Merge(Entry);
    };
    Output.WriteFile(Dir.File("merged.txt"), Entries, Edited);
    EXPECT_EQ(ReadFileBytes(Dir.File("merged.txt")), "Exported\r\nOBJECT Table 1 A\r\n{\r\n}\r\n" + Two);

    Output.SetProgress([](std::int32_t Done, std::int32_t) { return Done < 1; });
    EXPECT_THROW(Output.WriteFile(Dir.File("cancelled.txt"), Entries), EMergeCancelled);
    Output.SetProgress({});
    // The same object twice: two files of one name.
    TObjectTextFile Twice[3];
    for (TObjectTextFile& File : Twice)
        File.LoadFromHeld(std::make_unique<platform::TMemoryStream>(One + One), "twice.txt");
    TFileMerger Doubled(Twice[0], Twice[1], Twice[2]);
    std::vector<TMergeEntry> Same = MatchThree(Twice[0], Twice[1], Twice[2]);
    EXPECT_THROW(TMergeOutput(Doubled).WriteSplit(Dir.File("split"), Same), std::runtime_error);
    std::vector<std::string> Left;
    for (const auto& Entry : std::filesystem::directory_iterator(Dir.Path()))
        Left.push_back(Entry.path().filename().string());
    std::sort(Left.begin(), Left.end());
    EXPECT_EQ(Left, (std::vector<std::string>{"base.txt", "merged.txt", "ours.txt", "theirs.txt"}));
}

} // namespace
