// A folder of object files read as one export: its text, its order, the
// files passed over, and files that fail or change behind the model's back.
#include "core/compare.h"
#include "core/objectfolder.h"
#include "core/quibfile.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using TFiles = std::map<std::string, std::string>; // relative path (UTF-8) -> bytes

void WriteTree(const fs::path& Root, const TFiles& Files)
{
    for (const auto& [Path, Bytes] : Files) {
        const fs::path Full = Root / fs::u8path(Path);
        fs::create_directories(Full.parent_path());
        std::ofstream(Full, std::ios::binary).write(Bytes.data(), std::streamsize(Bytes.size()));
    }
}

std::string Root(const TTempDir& Dir) { return Dir.Path().u8string(); }

// The whole text the model reads, as join writes it.
std::string TextOf(const TObjectTextFile& File)
{
    const std::unique_ptr<platform::TStream> Reader = File.SecondReader();
    std::string Text(std::size_t(Reader->Size()), '\0');
    EXPECT_EQ(Reader->Read(Text.data(), std::int64_t(Text.size())), std::int64_t(Text.size()));
    return Text;
}

struct TCase {
    const char* Name;
    TFiles Files;
    std::string Text;
    std::int32_t PassedOver;
    std::vector<std::string> TextBeforeObjects;
};

class FolderText : public testing::TestWithParam<TCase> {};

TEST_P(FolderText, IsTheObjectFilesInPathOrder)
{
    TTempDir Dir;
    WriteTree(Dir.Path(), GetParam().Files);
    TObjectTextFile File;
    File.LoadFromFolder(Root(Dir));
    EXPECT_EQ(TextOf(File), GetParam().Text);
    EXPECT_EQ(File.Folder()->PassedOver(), GetParam().PassedOver);
    EXPECT_EQ(File.Folder()->TextBeforeObjects(), GetParam().TextBeforeObjects);
}

const std::string A = "OBJECT Table 1 A\r\n{\r\n}\r\n";
const std::string B = "OBJECT Table 2 B\r\n}\r\n";

INSTANTIATE_TEST_SUITE_P(
    Folders, FolderText,
    testing::Values(
        TCase{"CrLf", {{"t/2.txt", B}, {"t/1.txt", A}}, A + B, 0, {}},
        TCase{"Lf", {{"1.txt", "OBJECT Form 1 A\n}\n"}, {"2.txt", "OBJECT Form 2 B\n"}},
              "OBJECT Form 1 A\n}\nOBJECT Form 2 B\n", 0, {}},
        // Each file's own break where it lacks one and another follows; none after the last.
        TCase{"NoFinalBreak",
              {{"1.txt", "OBJECT Form 1 A\n}"}, {"2.txt", "OBJECT Form 2 B\r\n}"}, {"3.txt", "OBJECT Form 3 C"}},
              "OBJECT Form 1 A\n}\nOBJECT Form 2 B\r\n}\r\nOBJECT Form 3 C", 0, {}},
        TCase{"ByteOrderMarkAndBlankLines", {{"1.txt", "\xEF\xBB\xBF\r\n \t\r\n" + A}, {"2.txt", "\n\n" + B}}, A + B,
              0, {}},
        // Bytes of the UTF-8 paths: not the locale's order, not path by path ("Z.txt" < "Z/x.txt").
        TCase{"ByteOrderOfPaths",
              {{"\xC3\xA9.txt", "OBJECT Page 5 E\r\n"},
               {"b.txt", "OBJECT Page 4 D\r\n"},
               {"a.txt", "OBJECT Page 3 C\r\n"},
               {"Z/x.txt", "OBJECT Page 2 B\r\n"},
               {"Z.txt", "OBJECT Page 1 A\r\n"}},
              "OBJECT Page 1 A\r\nOBJECT Page 2 B\r\nOBJECT Page 3 C\r\nOBJECT Page 4 D\r\nOBJECT Page 5 E\r\n", 0,
              {}},
        TCase{"SeveralObjectsInAFile", {{"x/y/all.txt", A + B}}, A + B, 0, {}},
        TCase{"OtherFilesPassedOver",
              {{".gitignore", "*.bak\n"},
               {"README.md", "# Objects\n"},
               {"empty.txt", ""},
               {"notes/late.txt", "Notes\r\nOBJECT Table 9 Late\r\n"},
               {"indented.txt", "  OBJECT Table 8 Indented\r\n"},
               {"t.txt", A}},
              A, 5, {"notes/late.txt"}},
        TCase{"NothingButOtherFiles", {{"README", "x"}}, "", 1, {}}),
    [](const testing::TestParamInfo<TCase>& Info) { return std::string(Info.param.Name); });

// A folder split from an export, against that export: the same objects,
// found, listed and compared alike.
TEST(Folder, ListsFindsAndComparesAsItsJoin)
{
    TTempDir Dir, Out;
    WriteTree(Dir.Path(), {{"Codeunit/a.txt", "OBJECT Codeunit 80 Post\nneedle\n"},
                           {"Table/b.txt", "\xEF\xBB\xBFOBJECT Table 18 Customer\r\nNeedle needle\r\n"},
                           {"Table/c.txt", "OBJECT Table 27 Item\r\nno"}});
    TObjectTextFile Folder, Joined;
    Folder.LoadFromFolder(Root(Dir));
    const std::string JoinName = Out.File("joined.txt");
    WriteFileBytes(JoinName, TextOf(Folder));
    Joined.LoadFromFile(JoinName);

    ASSERT_EQ(Folder.Count(), 3);
    ASSERT_EQ(Joined.Count(), 3);
    for (std::int32_t I = 0; I < Folder.Count(); ++I) {
        EXPECT_EQ(Folder.Objects(I).GetDisplayText(), Joined.Objects(I).GetDisplayText());
        EXPECT_EQ(Folder.Objects(I).Offset(), Joined.Objects(I).Offset());
        EXPECT_EQ(Folder.Objects(I).GetText(), Joined.Objects(I).GetText());
    }
    EXPECT_EQ(Folder.ObjectFilePath(1), "Table/b.txt");
    EXPECT_EQ(Joined.ObjectFilePath(1), "");

    std::int32_t FolderObject = 0, FolderAt = 0, JoinedObject = 0, JoinedAt = 0;
    int Found = 0;
    while (Folder.FindNext(FolderObject, FolderAt, "needle", false)) {
        ASSERT_TRUE(Joined.FindNext(JoinedObject, JoinedAt, "needle", false));
        EXPECT_EQ(std::make_pair(FolderObject, FolderAt), std::make_pair(JoinedObject, JoinedAt));
        ++FolderAt, ++JoinedAt, ++Found;
    }
    EXPECT_EQ(Found, 3);

    for (const TCompareEntry& Entry : CompareFiles(Folder, Joined, TCompareOptions{true}))
        EXPECT_EQ(Entry.Status, TCompareStatus::Identical) << Entry.ID;
}

// Faults: the file named by its path, the folder refused whole.
const std::string* FailingPath = nullptr;
int FailingCall = 0; // which open of that file fails (1: the scan's)
int OpensSeen = 0;
int FailingError = 0;

int FailOpen(const std::string& FullPath, bool)
{
    if (FailingPath && FullPath.find(*FailingPath) != std::string::npos && ++OpensSeen == FailingCall)
        return FailingError;
    return 0;
}

class FolderFaults : public testing::Test {
protected:
    void SetUp() override
    {
        WriteTree(Dir.Path(), {{"1.txt", A}, {"2.txt", B}, {"3.txt", A}});
        OpensSeen = 0;
    }
    void TearDown() override { FailingPath = nullptr; }
    void FailOpenOf(const std::string& Path, int Call, int Error)
    {
        FailingPath = &Path;
        FailingCall = Call;
        FailingError = Error;
    }
    TTempDir Dir;
    const std::string Second = "2.txt";
};

TEST_F(FolderFaults, AnUnreadableFileRefusesTheFolderByName)
{
    platform::TFileIo Io = platform::SystemFileIo();
    Io.BeforeOpen = FailOpen;
    const platform::TFileIoOverride Override(Io);
    FailOpenOf(Second, 1, EACCES);
    TObjectTextFile File;
    try {
        File.LoadFromFolder(Root(Dir));
        FAIL() << "loaded";
    } catch (const platform::EFOpenError& Error) {
        EXPECT_NE(std::string(Error.what()).find("2.txt"), std::string::npos) << Error.what();
    }
    EXPECT_FALSE(File.HoldsStream());
}

TEST_F(FolderFaults, AFileThatVanishesWhileLoadingFailsTheLoadByName)
{
    platform::TFileIo Io = platform::SystemFileIo();
    Io.BeforeOpen = FailOpen;
    const platform::TFileIoOverride Override(Io);
    FailOpenOf(Second, 2, ENOENT); // after the scan
    TObjectTextFile File;
    try {
        File.LoadFromFolder(Root(Dir));
        FAIL() << "loaded";
    } catch (const platform::EReadError& Error) {
        EXPECT_NE(std::string(Error.what()).find("2.txt"), std::string::npos) << Error.what();
    }
}

TEST_F(FolderFaults, AFileChangedAfterLoadingIsNotReadAsTheObject)
{
    TObjectTextFile File;
    File.LoadFromFolder(Root(Dir));
    ASSERT_EQ(File.Count(), 3);
    WriteFileBytes(Dir.File("2.txt"), "OBJECT Table 2 Longer\r\n}\r\n");
    EXPECT_EQ(File.Objects(0).GetText(), A);
    try {
        File.Objects(1).GetText();
        FAIL() << "read";
    } catch (const platform::EReadError& Error) {
        EXPECT_NE(std::string(Error.what()).find("changed"), std::string::npos) << Error.what();
    }
}

TEST(FolderNames, TreeFileNameKeepsLettersAndDigits)
{
    const std::pair<const char*, const char*> Rows[] = {
        {"OBJECT Table 18 Customer", "Table/000/Table_0018_Customer.txt"},
        {"OBJECT Codeunit 50018 Sales-Post (Yes/No)", "Codeunit/050/Codeunit_50018_Sales_Post_Yes_No.txt"},
        {"OBJECT Page 7 \xC4 ", "Page/000/Page_0007.txt"},
        {"OBJECT Bogus 1234 X", "Bogus/001/Bogus_1234_X.txt"},
    };
    for (const auto& [Header, Expected] : Rows) {
        TObjectTextFile File;
        File.ParseText(std::string(Header) + "\r\n");
        ASSERT_EQ(File.Count(), 1);
        EXPECT_EQ(TreeFileName(File.Objects(0)), Expected) << Header;
    }
}

} // namespace
