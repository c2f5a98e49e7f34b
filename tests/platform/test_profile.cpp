#include "platform/profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;
using platform::TProfile;

namespace {

std::string Slurp(const fs::path& Path)
{
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

void Spill(const fs::path& Path, const std::string& Bytes)
{
    std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
    Out << Bytes;
    ASSERT_TRUE(Out.good()) << Path;
}

// What a file without line breaks of its own is written with: the platform's.
std::string NativeBreaks(std::string Text)
{
#ifdef _WIN32
    for (std::size_t At = 0; (At = Text.find('\n', At)) != std::string::npos; At += 2)
        Text.insert(At, 1, '\r');
#endif
    return Text;
}

std::vector<std::string> FolderEntries(const fs::path& Folder)
{
    std::vector<std::string> Names;
    for (const auto& Entry : fs::directory_iterator(Folder))
        Names.push_back(Entry.path().filename().string());
    return Names;
}

const std::string WidthSetting = "[Window]\nWidth=800\n";

// A fresh folder per test, so a settings file never leaks from one test into the next.
class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string Pattern = (fs::temp_directory_path() / "profile-test-XXXXXX").string();
#ifdef _WIN32
        ASSERT_NE(::_mktemp(Pattern.data()), nullptr);
        ASSERT_TRUE(fs::create_directory(Pattern));
#else
        ASSERT_NE(::mkdtemp(Pattern.data()), nullptr);
#endif
        Folder = Pattern;
        File = Folder / "quib.zup";
    }
    void TearDown() override
    {
        std::error_code Ignored;
        fs::permissions(Folder, fs::perms::owner_all, fs::perm_options::add, Ignored);
        fs::remove_all(Folder, Ignored);
    }

    fs::path Folder;
    fs::path File;
};

// ---------------------------------------------------------------------------
// Writing: what the file looks like afterwards

TEST_F(ProfileTest, FirstWriteCreatesTheFileWithSectionAndKey)
{
    ASSERT_FALSE(fs::exists(File));
    TProfile Profile(File.string());
    ASSERT_TRUE(platform::WriteInteger(Profile, "Window", "Width", 960));
    EXPECT_EQ(Slurp(File), NativeBreaks("[Window]\nWidth=960\n"));
    EXPECT_EQ(FolderEntries(Folder), std::vector<std::string>{"quib.zup"});
}

TEST_F(ProfileTest, NewFileReceivesKeysInTheOrderWritten)
{
    {
        TProfile Profile(File.string());
        ASSERT_TRUE(platform::WriteInteger(Profile, "Window", "Width", 960));
        ASSERT_TRUE(platform::WriteInteger(Profile, "Window", "Height", 540));
        ASSERT_TRUE(Profile.WriteString("View", "CodeFontName", "Courier New"));
        ASSERT_TRUE(platform::WriteInteger(Profile, "View", "CodeFontSize", 9));
        ASSERT_TRUE(platform::WriteInteger(Profile, "Window", "Left", -138));
        ASSERT_TRUE(Profile.WriteString("Find", "FindText", ""));
        ASSERT_TRUE(platform::WriteInteger(Profile, "Find", "MatchCase", 0));
    }
    EXPECT_EQ(Slurp(File),
              NativeBreaks("[Window]\nWidth=960\nHeight=540\nLeft=-138\n"
                           "[View]\nCodeFontName=Courier New\nCodeFontSize=9\n"
                           "[Find]\nFindText=\nMatchCase=0\n"));
}

struct TEditCase {
    const char* Name;
    std::string Before;
    const char* Section;
    const char* Key;
    const char* Value;
    std::string After;
};

class ProfileEditTest : public ProfileTest, public ::testing::WithParamInterface<TEditCase> {};

TEST_P(ProfileEditTest, ChangesOnlyTheKeyLine)
{
    const TEditCase& Case = GetParam();
    Spill(File, Case.Before);
    TProfile Profile(File.string());
    ASSERT_TRUE(Profile.WriteString(Case.Section, Case.Key, Case.Value));
    const bool HasBreaks = Case.Before.find_first_of("\r\n") != std::string::npos;
    EXPECT_EQ(Slurp(File), HasBreaks ? Case.After : NativeBreaks(Case.After));

    // What was written reads back, through this object and through a fresh one.
    std::string Value;
    EXPECT_TRUE(Profile.ReadString(Case.Section, Case.Key, Value));
    EXPECT_EQ(Value, Case.Value);
    EXPECT_TRUE(TProfile(File.string()).ReadString(Case.Section, Case.Key, Value));
    EXPECT_EQ(Value, Case.Value);
}

const std::string HandEdited =
    "; Orvanta settings, edited by hand\r\n"
    "\r\n"
    "garbage without equals\r\n"
    "[Window]\r\n"
    "  Width = 800  \r\n"
    "Height=600\r\n"
    "; a comment inside\r\n"
    "=no key\r\n"
    "\r\n"
    "[Other]\r\n"
    "Width=1\r\n";

INSTANTIATE_TEST_SUITE_P(Edits, ProfileEditTest, ::testing::Values(
    TEditCase{"ReplacesValueKeepsEveryOtherLine", HandEdited, "Window", "Width", "960",
        "; Orvanta settings, edited by hand\r\n\r\ngarbage without equals\r\n[Window]\r\n"
        "Width=960\r\nHeight=600\r\n; a comment inside\r\n=no key\r\n\r\n[Other]\r\nWidth=1\r\n"},
    TEditCase{"NewKeyAfterLastKeyOfSection", HandEdited, "window", "Top", "270",
        "; Orvanta settings, edited by hand\r\n\r\ngarbage without equals\r\n[Window]\r\n"
        "  Width = 800  \r\nHeight=600\r\n; a comment inside\r\n=no key\r\nTop=270\r\n\r\n"
        "[Other]\r\nWidth=1\r\n"},
    TEditCase{"NewSectionAtEndInFilesLineBreak", HandEdited, "Find", "MatchCase", "1",
        HandEdited + "[Find]\r\nMatchCase=1\r\n"},
    TEditCase{"NamesCompareWithoutCase", "[wINDOW]\nWIDTH=1\n", "Window", "width", "2",
        "[wINDOW]\nWIDTH=2\n"},
    TEditCase{"NewKeyBeforeTrailingBlankLines", "[Window]\nWidth=1\n\n\n[View]\nA=1\n", "Window",
        "Height", "5", "[Window]\nWidth=1\nHeight=5\n\n\n[View]\nA=1\n"},
    TEditCase{"NewKeyRightAfterHeaderOfKeylessSection", "[Window]\n; Width=1\n\n", "Window",
        "Width", "3", "[Window]\nWidth=3\n; Width=1\n\n"},
    TEditCase{"LastLineWithoutBreakGetsOne", "[View]\nA=1", "Window", "Width", "960",
        "[View]\nA=1\n[Window]\nWidth=960\n"},
    TEditCase{"NewKeyAfterLastLineWithoutBreak", "[View]\r\nA=1", "View", "B", "2",
        "[View]\r\nA=1\r\nB=2\r\n"},
    TEditCase{"ReplacedLastLineKeepsHavingNoBreak", "[View]\nA=1", "View", "A", "22",
        "[View]\nA=22"},
    TEditCase{"LoneCarriageReturnsKept", "[View]\rA=1\r", "View", "B", "2",
        "[View]\rA=1\rB=2\r"},
    TEditCase{"FirstOfTwoSectionsWins", "[Window]\nWidth=1\n[Window]\nWidth=2\n", "Window",
        "Width", "3", "[Window]\nWidth=3\n[Window]\nWidth=2\n"},
    TEditCase{"FirstOfTwoKeysWins", "[Window]\nWidth=1\nWidth=2\n", "Window", "Width", "3",
        "[Window]\nWidth=3\nWidth=2\n"},
    TEditCase{"KeyAboveFirstSectionIsNotInAnySection", "Width=1\n[Other]\n", "Window", "Width",
        "3", "Width=1\n[Other]\n[Window]\nWidth=3\n"},
    TEditCase{"SameKeyInOtherSectionUntouched", "[View]\nWidth=1\n[Window]\nHeight=2\n", "Window",
        "Width", "3", "[View]\nWidth=1\n[Window]\nHeight=2\nWidth=3\n"},
    TEditCase{"HeaderWithBlanksAndTrailingText", "  [ Window ] main\t\nWidth=1\n", "Window",
        "Width", "3", "  [ Window ] main\t\nWidth=3\n"},
    TEditCase{"Utf8MarkBeforeFirstHeader", "\xEF\xBB\xBF[Window]\nWidth=1\n", "Window", "Width",
        "3", "\xEF\xBB\xBF[Window]\nWidth=3\n"},
    TEditCase{"EmptyValue", "[Find]\nFindText=old\n", "Find", "FindText", "", "[Find]\nFindText=\n"},
    TEditCase{"ValueWithEqualsAndQuotes", "", "Find", "FindText", "a=\"b\"",
        "[Find]\nFindText=a=\"b\"\n"},
    TEditCase{"EmptyFile", "", "Window", "Width", "1", "[Window]\nWidth=1\n"},
    // Values that reading would change go in quotes, so they read back as given.
    TEditCase{"QuotedValueQuotedAgain", "", "Find", "FindText", "\"x\"", "[Find]\nFindText=\"\"x\"\"\n"},
    TEditCase{"SingleQuotedValueQuoted", "", "Find", "FindText", "'1'", "[Find]\nFindText=\"'1'\"\n"},
    TEditCase{"EmptyQuotePairQuoted", "", "Find", "FindText", "''", "[Find]\nFindText=\"''\"\n"},
    TEditCase{"BlanksAtTheEndsKept", "[Find]\nFindText=x\n", "Find", "FindText", " a\tb ",
        "[Find]\nFindText=\" a\tb \"\n"},
    TEditCase{"LoneQuoteWrittenAsIs", "", "Find", "FindText", "\"x", "[Find]\nFindText=\"x\n"},
    TEditCase{"MismatchedQuotesWrittenAsIs", "", "Find", "FindText", "'x\"", "[Find]\nFindText='x\"\n"},
    TEditCase{"SingleQuoteCharacterWrittenAsIs", "", "Find", "FindText", "'", "[Find]\nFindText='\n"}),
    [](const ::testing::TestParamInfo<TEditCase>& Info) { return std::string(Info.param.Name); });

// The settings file sits beside the program, in a folder of any name: paths are UTF-8.
TEST_F(ProfileTest, FolderNamedOutsideTheAnsiCodePage)
{
    const fs::path Settings = Folder / fs::u8path("\xCE\xA1\xCF\x85\xCE\xB8\xE8\xA8\xAD\xE5\xAE\x9A");
    ASSERT_TRUE(fs::create_directory(Settings));
    const std::string Name = (Settings / "quib.zup").u8string();
    {
        TProfile Profile(Name);
        ASSERT_TRUE(Profile.WriteString("View", "CodeFontName", "Courier New"));
        ASSERT_TRUE(platform::WriteInteger(Profile, "View", "CodeFontSize", 9));
    }
    EXPECT_EQ(FolderEntries(Settings), std::vector<std::string>{"quib.zup"});
    EXPECT_EQ(Slurp(Settings / "quib.zup"), NativeBreaks("[View]\nCodeFontName=Courier New\nCodeFontSize=9\n"));
    EXPECT_EQ(platform::ReadInteger(TProfile(Name), "View", "CodeFontSize", 0), 9);
}

// ---------------------------------------------------------------------------
// Reading strings

struct TReadCase {
    const char* Name;
    std::string Content;
    const char* Section;
    const char* Key;
    bool Found;
    std::string Value;
};

class ProfileReadTest : public ProfileTest, public ::testing::WithParamInterface<TReadCase> {};

TEST_P(ProfileReadTest, FindsTheValue)
{
    const TReadCase& Case = GetParam();
    Spill(File, Case.Content);
    const TProfile Profile(File.string());
    std::string Value = "unchanged";
    EXPECT_EQ(Profile.ReadString(Case.Section, Case.Key, Value), Case.Found);
    EXPECT_EQ(Value, Case.Found ? Case.Value : "unchanged");
}

INSTANTIATE_TEST_SUITE_P(Reads, ProfileReadTest, ::testing::Values(
    TReadCase{"Plain", "[Window]\nWidth=960\n", "Window", "Width", true, "960"},
    TReadCase{"BlanksAroundEqualsTrimmed", "[Window]\n \tWidth \t= \t960 \t\n", "Window", "Width",
        true, "960"},
    TReadCase{"InnerBlanksKept", "[View]\nCodeFontName= Courier  New \n", "View", "CodeFontName",
        true, "Courier  New"},
    TReadCase{"NamesCompareWithoutCase", "[WINDOW]\nwidth=1\n", "Window", "WIDTH", true, "1"},
    TReadCase{"OnlyAsciiLettersFold", "[\xE9t\xE9]\nK=1\n", "\xC9T\xC9", "K", false, ""},
    TReadCase{"EmptyValueIsEmpty", "[View]\nCodeFontName=\n", "View", "CodeFontName", true, ""},
    TReadCase{"MissingKey", "[View]\nOther=1\n", "View", "CodeFontName", false, ""},
    TReadCase{"MissingSection", "[View]\nWidth=1\n", "Window", "Width", false, ""},
    TReadCase{"KeyOfNextSectionNotSeen", "[Window]\n[View]\nWidth=1\n", "Window", "Width", false, ""},
    TReadCase{"KeyAboveFirstSectionNotSeen", "Width=1\n[Window]\n", "Window", "Width", false, ""},
    TReadCase{"CommentIsNoKey", "[Window]\n;Width=1\n", "Window", "Width", false, ""},
    TReadCase{"LineWithoutEqualsIsNoKey", "[Window]\nWidth\n", "Window", "Width", false, ""},
    TReadCase{"EqualsInValue", "[Find]\nFindText=a=b\n", "Find", "FindText", true, "a=b"},
    TReadCase{"QuotesAndSemicolonsKept", "[Find]\nFindText=\"x\" ; y\n", "Find", "FindText", true,
        "\"x\" ; y"},
    // A matching pair of quotes at both ends of the trimmed value is taken off.
    TReadCase{"DoubleQuotesTakenOff", "[View]\nCodeFontName=\"DejaVu Sans Mono\"\n", "View", "CodeFontName",
        true, "DejaVu Sans Mono"},
    TReadCase{"SingleQuotesTakenOff", "[Find]\nMatchCase='1'\n", "Find", "MatchCase", true, "1"},
    TReadCase{"EmptyQuotesAreAnEmptyValue", "[View]\nCodeFontName=\"\"\n", "View", "CodeFontName", true, ""},
    TReadCase{"BlanksInsideQuotesKept", "[View]\nCodeFontSize=\" 13\"\n", "View", "CodeFontSize", true, " 13"},
    TReadCase{"QuotesInsideOuterBlanks", "[View]\nA= \t'x y' \n", "View", "A", true, "x y"},
    TReadCase{"OnlyTheOuterPairTaken", "[View]\nA=\"\"x\"\"\n", "View", "A", true, "\"x\""},
    TReadCase{"OtherQuoteInsideKept", "[View]\nA=\"it's\"\n", "View", "A", true, "it's"},
    TReadCase{"LoneLeadingQuoteKept", "[View]\nA=\"x\n", "View", "A", true, "\"x"},
    TReadCase{"LoneTrailingQuoteKept", "[View]\nA=x'\n", "View", "A", true, "x'"},
    TReadCase{"MismatchedQuotesKept", "[View]\nA=\"x'\n", "View", "A", true, "\"x'"},
    TReadCase{"OneQuoteCharacterKept", "[View]\nA=\"\n", "View", "A", true, "\""},
    TReadCase{"CrLfNotInValue", "[Window]\r\nWidth=5\r\n", "Window", "Width", true, "5"},
    TReadCase{"LoneCrNotInValue", "[Window]\rWidth=5\rHeight=6", "Window", "Height", true, "6"},
    TReadCase{"NoBreakAtEnd", "[Window]\nWidth=5", "Window", "Width", true, "5"},
    TReadCase{"FirstSectionWins", "[Window]\nA=1\n[Window]\nA=2\nB=3\n", "Window", "B", false, ""},
    TReadCase{"FirstKeyWins", "[Window]\nA=1\na=2\n", "Window", "A", true, "1"},
    TReadCase{"HeaderWithBlanks", " [ Window ] \nWidth=5\n", "Window", "Width", true, "5"},
    TReadCase{"UnclosedHeaderIsNoSection", "[Window\nWidth=5\n", "Window", "Width", false, ""},
    TReadCase{"Utf8Mark", "\xEF\xBB\xBF[Window]\nWidth=5\n", "Window", "Width", true, "5"}),
    [](const ::testing::TestParamInfo<TReadCase>& Info) { return std::string(Info.param.Name); });

TEST_F(ProfileTest, MissingFileReadsAsEmpty)
{
    const TProfile Profile(File.string());
    std::string Value;
    EXPECT_FALSE(Profile.ReadString("Window", "Width", Value));
    EXPECT_EQ(platform::ReadStringDefault(Profile, "View", "CodeFontName", "Courier New"), "Courier New");
    EXPECT_FALSE(fs::exists(File)) << "reading must not create the file";
    EXPECT_FALSE(Profile.Unusable());
}

TEST_F(ProfileTest, ReadStringDefaultKeepsAnEmptyValue)
{
    Spill(File, "[View]\nCodeFontName=\n");
    const TProfile Profile(File.string());
    EXPECT_EQ(platform::ReadStringDefault(Profile, "View", "CodeFontName", "Courier New"), "");
    EXPECT_EQ(platform::ReadStringDefault(Profile, "View", "ListFontName", "Tahoma"), "Tahoma");
}

TEST_F(ProfileTest, LongValueIsReadUpTo2047Characters)
{
    std::string Long;
    for (int I = 0; I < 3000; ++I)
        Long += static_cast<char>('a' + I % 26);
    {
        TProfile Profile(File.string());
        ASSERT_TRUE(Profile.WriteString("Find", "FindText", Long));
    }
    EXPECT_EQ(Slurp(File), NativeBreaks("[Find]\nFindText=" + Long + "\n")) << "the file keeps the whole value";

    const TProfile Profile(File.string());
    std::string Value;
    ASSERT_TRUE(Profile.ReadString("Find", "FindText", Value));
    EXPECT_EQ(Value, Long.substr(0, 2047));

    Spill(File, "[Find]\nFindText=" + Long.substr(0, 2047) + "\n");
    ASSERT_TRUE(TProfile(File.string()).ReadString("Find", "FindText", Value));
    EXPECT_EQ(Value.size(), 2047u);
}

// ---------------------------------------------------------------------------
// Integers and flags

struct TIntegerCase {
    const char* Stored;  // nullptr: the key is missing
    std::int32_t Expected;
};

class ProfileIntegerTest : public ProfileTest, public ::testing::WithParamInterface<TIntegerCase> {};

constexpr std::int32_t Default = -77;

TEST_P(ProfileIntegerTest, ReadsByTheIntegerRules)
{
    const TIntegerCase& Case = GetParam();
    Spill(File, Case.Stored ? std::string("[Window]\nWidth=") + Case.Stored + "\n" : "[Window]\n");
    const TProfile Profile(File.string());
    EXPECT_EQ(platform::ReadInteger(Profile, "Window", "Width", Default), Case.Expected)
        << (Case.Stored ? Case.Stored : "(missing)");
}

constexpr std::int32_t Min32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t Max32 = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(Integers, ProfileIntegerTest, ::testing::Values(
    TIntegerCase{nullptr, Default},
    TIntegerCase{"960", 960},
    TIntegerCase{" 960 ", 960},
    TIntegerCase{"0", 0},
    TIntegerCase{"-138", -138},
    TIntegerCase{"+7", 7},
    TIntegerCase{"007", 7},
    TIntegerCase{"0x3C0", 960},
    TIntegerCase{"0X3c0", 960},
    TIntegerCase{"$3C0", 960},
    TIntegerCase{"$ff", 255},
    TIntegerCase{"-$10", -16},
    TIntegerCase{"-0x10", -16},
    TIntegerCase{"0x", Default},
    TIntegerCase{"$", Default},
    TIntegerCase{"-", Default},
    TIntegerCase{"", Default},
    TIntegerCase{"abc", Default},
    TIntegerCase{"12abc", Default},
    TIntegerCase{"1 2", Default},
    TIntegerCase{"1.5", Default},
    TIntegerCase{"0x3G", Default},
    TIntegerCase{"3C0", Default},
    TIntegerCase{"--1", Default},
    TIntegerCase{"$-1", Default},
    // Decimal outside the 32-bit range gives the default, it never wraps.
    TIntegerCase{"2147483647", Max32},
    TIntegerCase{"2147483648", Default},
    TIntegerCase{"-2147483648", Min32},
    TIntegerCase{"-2147483649", Default},
    TIntegerCase{"4294967296", Default},
    TIntegerCase{"99999999999999999999999", Default},
    TIntegerCase{"00000000000000000000001", 1},
    // Hexadecimal is a 32-bit pattern; more than 32 bits give the default.
    TIntegerCase{"0x7FFFFFFF", Max32},
    TIntegerCase{"0x80000000", Min32},
    TIntegerCase{"0xFFFFFFFF", -1},
    TIntegerCase{"$FFFFFFFF", -1},
    TIntegerCase{"0x100000000", Default},
    TIntegerCase{"0x0000000000FF", 255},
    // Quotes come off first; what is inside follows the rules above.
    TIntegerCase{"\"960\"", 960},
    TIntegerCase{"'-0x10'", -16},
    TIntegerCase{"\" 13\"", Default},
    TIntegerCase{"\"13", Default},
    TIntegerCase{"\"13'", Default}));

struct TFlagCase {
    const char* Stored;  // nullptr: the key is missing
    bool Expected;
};

class ProfileFlagTest : public ProfileTest, public ::testing::WithParamInterface<TFlagCase> {};

TEST_P(ProfileFlagTest, CountsTheLowestEightBits)
{
    const TFlagCase& Case = GetParam();
    Spill(File, Case.Stored ? std::string("[Find]\nMatchCase=") + Case.Stored + "\n" : "");
    const TProfile Profile(File.string());
    EXPECT_EQ(platform::ReadFlag(Profile, "Find", "MatchCase"), Case.Expected)
        << (Case.Stored ? Case.Stored : "(missing)");
}

INSTANTIATE_TEST_SUITE_P(Flags, ProfileFlagTest, ::testing::Values(
    TFlagCase{nullptr, false},
    TFlagCase{"1", true},
    TFlagCase{"0", false},
    TFlagCase{"256", false},
    TFlagCase{"257", true},
    TFlagCase{"0x100", false},
    TFlagCase{"-1", true},
    TFlagCase{"-256", false},
    TFlagCase{"abc", false},
    TFlagCase{"", false},
    TFlagCase{"'1'", true},
    TFlagCase{"\"1\"", true},
    TFlagCase{"'0'", false},
    TFlagCase{"''", false}));

TEST_F(ProfileTest, FlagDefaultAppliesOnlyWhenNotANumber)
{
    Spill(File, "[Find]\nA=abc\nB=0\n");
    const TProfile Profile(File.string());
    EXPECT_TRUE(platform::ReadFlag(Profile, "Find", "Missing", true));
    EXPECT_TRUE(platform::ReadFlag(Profile, "Find", "A", true));
    EXPECT_FALSE(platform::ReadFlag(Profile, "Find", "B", true));
}

TEST_F(ProfileTest, WriteIntegerRoundTripsTheExtremes)
{
    TProfile Profile(File.string());
    ASSERT_TRUE(platform::WriteInteger(Profile, "Window", "Left", Min32));
    ASSERT_TRUE(platform::WriteInteger(Profile, "Window", "Top", Max32));
    ASSERT_TRUE(platform::WriteInteger(Profile, "Window", "Width", -1));
    EXPECT_EQ(Slurp(File), NativeBreaks("[Window]\nLeft=-2147483648\nTop=2147483647\nWidth=-1\n"));
    const TProfile Again(File.string());
    EXPECT_EQ(platform::ReadInteger(Again, "Window", "Left", 0), Min32);
    EXPECT_EQ(platform::ReadInteger(Again, "Window", "Top", 0), Max32);
    EXPECT_EQ(platform::ReadInteger(Again, "Window", "Width", 0), -1);
}

// ---------------------------------------------------------------------------
// Writes that must be refused, leaving everything as it was

TEST_F(ProfileTest, MissingFolderRefusesAndCreatesNothing)
{
    const fs::path Missing = Folder / "missing" / "quib.zup";
    TProfile Profile(Missing.string());
    EXPECT_FALSE(platform::WriteInteger(Profile, "Window", "Width", 960));
    std::string Value;
    EXPECT_FALSE(Profile.ReadString("Window", "Width", Value)) << "memory must not change either";
    EXPECT_TRUE(FolderEntries(Folder).empty());
}

TEST_F(ProfileTest, FileInPlaceOfFolderRefuses)
{
    Spill(Folder / "plain", "x");
    TProfile Profile((Folder / "plain" / "quib.zup").string());
    EXPECT_FALSE(Profile.WriteString("Window", "Width", "1"));
    EXPECT_EQ(Slurp(Folder / "plain"), "x");
}

TEST_F(ProfileTest, FolderInPlaceOfFileRefuses)
{
    fs::create_directory(File);
    TProfile Profile(File.string());
    EXPECT_FALSE(Profile.Unusable()) << "a folder in the way is reported, not passed over";
    EXPECT_FALSE(Profile.WriteString("Window", "Width", "1"));
    EXPECT_TRUE(fs::is_directory(File));
    EXPECT_EQ(FolderEntries(Folder), std::vector<std::string>{"quib.zup"});
}

#ifndef _WIN32
TEST_F(ProfileTest, ReadOnlyFileIsNotReplacedAndMemoryStaysAsBefore)
{
    const std::string Before = "[Window]\nWidth=800\n";
    Spill(File, Before);
    fs::permissions(File, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    TProfile Profile(File.string());

    EXPECT_FALSE(platform::WriteInteger(Profile, "Window", "Width", 960));
    EXPECT_FALSE(Profile.WriteString("View", "CodeFontName", "Courier New"));
    EXPECT_EQ(Slurp(File), Before);
    EXPECT_EQ(fs::status(File).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(FolderEntries(Folder), std::vector<std::string>{"quib.zup"}) << "no temporary left";
    EXPECT_EQ(platform::ReadInteger(Profile, "Window", "Width", 0), 800);
    EXPECT_EQ(platform::ReadStringDefault(Profile, "View", "CodeFontName", "none"), "none");

    // Once writable again, only later writes land: the refused ones are gone.
    fs::permissions(File, fs::perms::owner_write, fs::perm_options::add);
    ASSERT_TRUE(Profile.WriteString("Find", "FindText", "x"));
    EXPECT_EQ(Slurp(File), Before + "[Find]\nFindText=x\n");
}

// Where no temporary file can be made beside the settings file, an existing
// writable one is rewritten in place; nothing else changes.
struct TNoTemporaryCase {
    const char* Name;
    bool SuperuserMakesTemporaries;  // root writes into a read-only folder all the same
    std::string (*FileIn)(const fs::path& Folder);
    void (*Close)(const fs::path& Folder);  // once the file is there: no new file in the folder
};

class ProfileNoTemporaryTest : public ProfileTest, public ::testing::WithParamInterface<TNoTemporaryCase> {
protected:
    void SetUp() override
    {
        ProfileTest::SetUp();
        Name = GetParam().FileIn(Folder);
        if (Name.empty())
            GTEST_SKIP() << "the file system sets no limit on name length";
    }
    bool TemporaryRefused() const { return !(GetParam().SuperuserMakesTemporaries && ::geteuid() == 0); }
    std::string Name;
};

ino_t Inode(const std::string& Name)
{
    struct stat Info {};
    EXPECT_EQ(::stat(Name.c_str(), &Info), 0) << Name;
    return Info.st_ino;
}

TEST_P(ProfileNoTemporaryTest, ExistingFileIsRewrittenInPlace)
{
    Spill(Name, WidthSetting + "; kept\n");
    const ino_t Before = Inode(Name);
    TProfile Profile(Name);
    GetParam().Close(Folder);

    ASSERT_TRUE(platform::WriteInteger(Profile, "Window", "Width", 960));
    ASSERT_TRUE(Profile.WriteString("Find", "FindText", "x"));
    EXPECT_EQ(Slurp(Name), "[Window]\nWidth=960\n; kept\n[Find]\nFindText=x\n");
    if (TemporaryRefused()) {
        EXPECT_EQ(Inode(Name), Before) << "the same file, not a replacement";
    }
    EXPECT_EQ(FolderEntries(Folder), std::vector<std::string>{fs::path(Name).filename().string()})
        << "no temporary left";
    EXPECT_EQ(platform::ReadInteger(TProfile(Name), "Window", "Width", 0), 960);
}

TEST_P(ProfileNoTemporaryTest, ReadOnlyFileIsStillRefused)
{
    Spill(Name, WidthSetting);
    fs::permissions(Name, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    TProfile Profile(Name);
    GetParam().Close(Folder);
    EXPECT_FALSE(platform::WriteInteger(Profile, "Window", "Width", 960));
    EXPECT_EQ(Slurp(Name), WidthSetting);
    EXPECT_EQ(platform::ReadInteger(Profile, "Window", "Width", 0), 800);
}

TEST_P(ProfileNoTemporaryTest, MissingFileIsNotCreated)
{
    if (!TemporaryRefused())
        GTEST_SKIP() << "the superuser creates files in read-only folders";
    TProfile Profile(Name);
    GetParam().Close(Folder);
    EXPECT_FALSE(platform::WriteInteger(Profile, "Window", "Width", 960));
    EXPECT_TRUE(FolderEntries(Folder).empty());
    EXPECT_EQ(platform::ReadInteger(Profile, "Window", "Width", 0), 0);
}

INSTANTIATE_TEST_SUITE_P(Folders, ProfileNoTemporaryTest, ::testing::Values(
    TNoTemporaryCase{"ReadOnlyFolder", true,
        [](const fs::path& Folder) { return (Folder / "quib.zup").string(); },
        [](const fs::path& Folder) { fs::permissions(Folder, fs::perms::owner_read | fs::perms::owner_exec); }},
    // A name so long that the temporary's suffix does not fit: refused to anyone.
    TNoTemporaryCase{"NameTooLongForATemporary", false,
        [](const fs::path& Folder) {
            const long Longest = ::pathconf(Folder.c_str(), _PC_NAME_MAX);
            return Longest > 8 ? (Folder / std::string(std::size_t(Longest) - 3, 'q')).string() : std::string();
        },
        [](const fs::path&) {}}),
    [](const ::testing::TestParamInfo<TNoTemporaryCase>& Info) { return std::string(Info.param.Name); });

TEST_F(ProfileTest, UnreadableFileIsNeverWiped)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser reads any file";
    Spill(File, "[Window]\nWidth=800\n");
    fs::permissions(File, fs::perms::owner_write);
    TProfile Profile(File.string());
    EXPECT_EQ(platform::ReadInteger(Profile, "Window", "Width", 0), 0);
    EXPECT_FALSE(platform::WriteInteger(Profile, "Window", "Height", 600));
    fs::permissions(File, fs::perms::owner_read, fs::perm_options::add);
    EXPECT_EQ(Slurp(File), "[Window]\nWidth=800\n");
}

TEST_F(ProfileTest, ReplacementKeepsTheFilesMode)
{
    Spill(File, "[Window]\nWidth=800\n");
    fs::permissions(File, fs::perms::owner_read | fs::perms::owner_write);
    TProfile Profile(File.string());
    ASSERT_TRUE(platform::WriteInteger(Profile, "Window", "Width", 960));
    EXPECT_EQ(fs::status(File).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ProfileTest, NewFileGetsTheUsualMode)
{
    const mode_t Mask = ::umask(022);
    TProfile Profile(File.string());
    const bool Written = Profile.WriteString("Window", "Width", "1");
    ::umask(Mask);
    ASSERT_TRUE(Written);
    EXPECT_EQ(fs::status(File).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}
#endif

// ---------------------------------------------------------------------------
// Paths that hold no settings file: read as empty without waiting, never replaced

// Content of Size bytes that gives Width=800 to whoever reads it.
std::string SettingsOfSize(std::int64_t Size)
{
    return WidthSetting + ";" + std::string(std::size_t(Size) - WidthSetting.size() - 2, 'x') + "\n";
}

// What is at the path, the link itself rather than what it leads to.
std::string Snapshot(const fs::path& Path)
{
    const fs::file_status Status = fs::symlink_status(Path);
    std::string Shot = std::to_string(int(Status.type()));
    if (Status.type() == fs::file_type::symlink)
        Shot += " -> " + fs::read_symlink(Path).string();
    if (Status.type() == fs::file_type::regular)
        Shot += " " + Slurp(Path);
    return Shot;
}

std::vector<std::string> SortedEntries(const fs::path& Folder)
{
    std::vector<std::string> Names = FolderEntries(Folder);
    std::sort(Names.begin(), Names.end());
    return Names;
}

// Reads the profile on a thread of its own, so that a read that waits fails
// the test rather than hanging it; a pipe it waits on then gets a writer, which
// lets it go.
std::unique_ptr<TProfile> ReadWithin(const fs::path& File)
{
    auto Reading = std::async(std::launch::async, [Name = File.string()] { return std::make_unique<TProfile>(Name); });
    if (Reading.wait_for(std::chrono::seconds(30)) == std::future_status::ready)
        return Reading.get();
#ifndef _WIN32
    const int Writer = ::open(File.c_str(), O_WRONLY | O_NONBLOCK);
    if (Writer >= 0)
        ::close(Writer);
#endif
    ADD_FAILURE() << "reading " << File << " waited";
    return nullptr;
}

struct TNotSettingsCase {
    const char* Name;
    void (*Make)(const fs::path& Folder, const fs::path& File);
};

class ProfileNotSettingsTest : public ProfileTest, public ::testing::WithParamInterface<TNotSettingsCase> {};

TEST_P(ProfileNotSettingsTest, ReadsAsEmptyAndWritesLeaveItAlone)
{
    GetParam().Make(Folder, File);
    const std::string Before = Snapshot(File);
    const std::vector<std::string> Entries = SortedEntries(Folder);

    const std::unique_ptr<TProfile> Profile = ReadWithin(File);
    ASSERT_TRUE(Profile);
    EXPECT_TRUE(Profile->Unusable());
    EXPECT_EQ(platform::ReadInteger(*Profile, "Window", "Width", 7), 7);

    // The window saves at exit: each write succeeds, and nothing happens.
    EXPECT_TRUE(platform::WriteInteger(*Profile, "Window", "Width", 960));
    EXPECT_TRUE(Profile->WriteString("Find", "FindText", "x"));
    EXPECT_EQ(platform::ReadInteger(*Profile, "Window", "Width", 7), 7);
    EXPECT_FALSE(Profile->WriteString("Find", "FindText", "a\nb")) << "what cannot be stored is still refused";
    EXPECT_EQ(Snapshot(File), Before);
    EXPECT_EQ(SortedEntries(Folder), Entries) << "no temporary left";
}

INSTANTIATE_TEST_SUITE_P(Paths, ProfileNotSettingsTest, ::testing::Values(
    TNotSettingsCase{"FileOverTheLimit",
        [](const fs::path&, const fs::path& File) { Spill(File, SettingsOfSize(TProfile::MaxFileSize + 1)); }}
#ifndef _WIN32
    ,
    TNotSettingsCase{"LinkToFileOverTheLimit",
        [](const fs::path& Folder, const fs::path& File) {
            Spill(Folder / "big", SettingsOfSize(TProfile::MaxFileSize + 1));
            fs::create_symlink(Folder / "big", File);
        }},
    TNotSettingsCase{"Pipe",
        [](const fs::path&, const fs::path& File) { ASSERT_EQ(::mkfifo(File.c_str(), 0644), 0); }},
    TNotSettingsCase{"LinkToZeroDevice",
        [](const fs::path&, const fs::path& File) { fs::create_symlink("/dev/zero", File); }},
    TNotSettingsCase{"LinkToNullDevice",
        [](const fs::path&, const fs::path& File) { fs::create_symlink("/dev/null", File); }}
#endif
    ),
    [](const ::testing::TestParamInfo<TNotSettingsCase>& Info) { return std::string(Info.param.Name); });

TEST_F(ProfileTest, FileOfExactlyTheLimitIsASettingsFile)
{
    Spill(File, SettingsOfSize(TProfile::MaxFileSize));
    ASSERT_EQ(fs::file_size(File), std::uintmax_t(TProfile::MaxFileSize));
    TProfile Profile(File.string());
    EXPECT_FALSE(Profile.Unusable());
    EXPECT_EQ(platform::ReadInteger(Profile, "Window", "Width", 7), 800);
    ASSERT_TRUE(platform::WriteInteger(Profile, "Window", "Width", 960));
    EXPECT_EQ(platform::ReadInteger(TProfile(File.string()), "Window", "Width", 7), 960);
}

// Names and values that cannot be stored as one key line are refused, not mangled.
TEST_F(ProfileTest, UnstorableNamesAndValuesAreRefused)
{
    const std::string Before = "[Find]\nFindText=old\n";
    Spill(File, Before);
    TProfile Profile(File.string());
    EXPECT_FALSE(Profile.WriteString("Find", "FindText", "two\nlines"));
    EXPECT_FALSE(Profile.WriteString("Find", "FindText", "two\rlines"));
    EXPECT_FALSE(Profile.WriteString("Find", "Find=Text", "x"));
    EXPECT_FALSE(Profile.WriteString("Find", " ", "x"));
    EXPECT_FALSE(Profile.WriteString("Find", ";Text", "x"));
    EXPECT_FALSE(Profile.WriteString("Find", "[Text", "x"));
    EXPECT_FALSE(Profile.WriteString("Fi]nd", "FindText", "x"));
    EXPECT_FALSE(Profile.WriteString("", "FindText", "x"));
    EXPECT_FALSE(Profile.WriteString("Fi\nnd", "FindText", "x"));
    EXPECT_EQ(Slurp(File), Before);
    EXPECT_EQ(platform::ReadStringDefault(Profile, "Find", "FindText", ""), "old");
}

// The file has no encoding of its own: bytes above ASCII go through untouched,
// a no-break space (0xA0) at an end included.
TEST_F(ProfileTest, BytesAboveAsciiRoundTripUnchanged)
{
    std::string High;
    for (int Byte = 0x80; Byte <= 0xFF; ++Byte)
        High += static_cast<char>(Byte);
    for (const std::string& Value : {High, "\xA0" + High + "\xA0", std::string("Sales Header \xE9")}) {
        {
            TProfile Profile(File.string());
            ASSERT_TRUE(Profile.WriteString("Find", "FindText", Value));
        }
        EXPECT_EQ(Slurp(File), NativeBreaks("[Find]\nFindText=" + Value + "\n"));
        std::string Read;
        ASSERT_TRUE(TProfile(File.string()).ReadString("Find", "FindText", Read));
        EXPECT_EQ(Read, Value);
    }
}

TEST_F(ProfileTest, NamesAreTakenWithoutSurroundingBlanks)
{
    TProfile Profile(File.string());
    ASSERT_TRUE(Profile.WriteString(" Window ", "\tWidth ", "1"));
    EXPECT_EQ(Slurp(File), NativeBreaks("[Window]\nWidth=1\n"));
    EXPECT_EQ(platform::ReadInteger(Profile, "Window", " Width", 0), 1);
}

}  // namespace
