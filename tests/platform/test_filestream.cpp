#include "platform/filestream.h"
#include "core/quibfile.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using platform::EFCreateError;
using platform::EFOpenError;
using platform::TFileStream;

namespace {

// The reasons the messages give: the system's own texts on Windows.
#ifdef _WIN32
const std::string SInUse = platform::SystemErrorText(ERROR_SHARING_VIOLATION);
const std::string SNotFound = platform::SystemErrorText(ERROR_FILE_NOT_FOUND);
const std::string SPathNotFound = platform::SystemErrorText(ERROR_PATH_NOT_FOUND);
const std::string SFolder = platform::SystemErrorText(ERROR_ACCESS_DENIED);
#else
const std::string SInUse = "The file is in use by another process.";
const std::string SNotFound = "No such file or directory";
const std::string SPathNotFound = SNotFound;
const std::string SFolder = "It is a folder, not a file.";
#endif

const std::string SampleText = "pre\r\nOBJECT Table 18 Customer\r\nfields\r\nOBJECT Codeunit 80 Post\r\ncode\r\n";

bool CanBeOpenedElsewhere(const std::string& Path)
{
    try {
        TFileStream::OpenExclusiveRead(Path);
        return true;
    } catch (const EFOpenError&) {
        return false;
    }
}

class Hold : public testing::Test {
protected:
    void SetUp() override
    {
        Path = Dir.File("objects.txt");
        WriteFileBytes(Path, SampleText);
    }
    TTempDir Dir;
    std::string Path;
};

TEST_F(Hold, LoadedFileIsHeldUntilTheNextLoadOrDestruction)
{
    {
        TObjectTextFile File;
        File.LoadFromFile(Path);
        EXPECT_FALSE(CanBeOpenedElsewhere(Path));
        File.Close();
        EXPECT_FALSE(CanBeOpenedElsewhere(Path)) << "Close keeps the hold";
        const std::string Other = Dir.File("other.txt");
        WriteFileBytes(Other, SampleText);
        File.LoadFromFile(Other);
        EXPECT_TRUE(CanBeOpenedElsewhere(Path)) << "the next load releases it";
        EXPECT_FALSE(CanBeOpenedElsewhere(Other));
    }
    EXPECT_TRUE(CanBeOpenedElsewhere(Dir.File("other.txt"))) << "destruction releases it";
}

TEST_F(Hold, FileHeldElsewhereFailsToOpenWithAPlainReason)
{
    const auto Held = TFileStream::OpenExclusiveRead(Path);
    TObjectTextFile File;
    try {
        File.LoadFromFile(Path);
        FAIL();
    } catch (const EFOpenError& E) {
        EXPECT_EQ("Cannot open file \"" + Path + "\". " + SInUse, std::string(E.what()));
    }
    EXPECT_FALSE(File.HoldsStream());
}

TEST_F(Hold, ExportOntoTheLoadedFileIsRefusedAndLeavesItUntouched)
{
    {
        TObjectTextFile File;
        File.LoadFromFile(Path);
        try {
            File.Objects(0).SaveToFile(Path);
            FAIL();
        } catch (const EFCreateError& E) {
            EXPECT_EQ("Cannot create file \"" + Path + "\". " + SInUse, std::string(E.what()));
        }
    }
    EXPECT_EQ(SampleText, ReadFileBytes(Path)); // once released: nobody reads it while held
}

TEST_F(Hold, MessagesNameTheAbsolutePath)
{
    const auto Saved = std::filesystem::current_path();
    std::filesystem::current_path(Dir.Path());
    TObjectTextFile File;
    std::string Message;
    try {
        File.LoadFromFile("missing.txt");
    } catch (const EFOpenError& E) {
        Message = E.what();
    }
    std::filesystem::current_path(Saved);
    EXPECT_EQ("Cannot open file \"" + Dir.File("missing.txt") + "\". " + SNotFound, Message);
}

TEST_F(Hold, FolderFailsAtTheOpen)
{
    TObjectTextFile File;
    try {
        File.LoadFromFile(Dir.Path().string());
        FAIL();
    } catch (const EFOpenError& E) {
        EXPECT_EQ("Cannot open file \"" + Dir.Path().string() + "\". " + SFolder, std::string(E.what()));
    }
    EXPECT_FALSE(File.HoldsStream());
}

// A worker reads beside the model through the model's own open file: on
// Windows too, where the hold's share mode refuses any second open. The hold
// lasts while either reader does, and goes with the last.
TEST_F(Hold, SecondReaderReadsBesideTheHold)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    std::unique_ptr<platform::TStream> Reader = File.SecondReader();
    ASSERT_TRUE(Reader);
    std::string Bytes(SampleText.size(), '\0');
    ASSERT_EQ(Reader->Seek(5, platform::TSeekOrigin::soBeginning), 5);
    EXPECT_EQ(Reader->Read(Bytes.data(), std::int64_t(Bytes.size())), std::int64_t(Bytes.size()) - 5);
    EXPECT_EQ(Bytes.substr(0, Bytes.size() - 5), SampleText.substr(5));
    // The model's reads do not move the reader, nor the reader's the model's.
    EXPECT_EQ(File.Objects(0).GetText(), "OBJECT Table 18 Customer\r\nfields\r\n");
    EXPECT_EQ(Reader->Position(), std::int64_t(SampleText.size()));
    EXPECT_FALSE(CanBeOpenedElsewhere(Path)) << "the model's hold stands";

    const std::string Other = Dir.File("other.txt");
    WriteFileBytes(Other, SampleText);
    File.LoadFromFile(Other);
    EXPECT_FALSE(CanBeOpenedElsewhere(Path)) << "the reader still has the file";
    Reader.reset();
    EXPECT_TRUE(CanBeOpenedElsewhere(Path));
    EXPECT_FALSE(TObjectTextFile().SecondReader());
}

TEST_F(Hold, SaveToFileReplacesAnExistingFileWithTheObjectsBytes)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    const std::string Target = Dir.File("tab18.txt");
    WriteFileBytes(Target, std::string(1000, 'z'));
    File.Objects(0).SaveToFile(Target);
    EXPECT_EQ(SampleText.substr(5, 34), ReadFileBytes(Target));
    EXPECT_EQ("OBJECT Table 18 Customer\r\nfields\r\n", ReadFileBytes(Target));
}

TEST_F(Hold, SaveToFileIntoAMissingFolderFailsWithCreateError)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    const std::string Target = (Dir.Path() / "no" / "such" / "folder" / "x.txt").string();
    try {
        File.Objects(0).SaveToFile(Target);
        FAIL();
    } catch (const EFCreateError& E) {
        EXPECT_EQ("Cannot create file \"" + Target + "\". " + SPathNotFound, std::string(E.what()));
    }
}

#ifndef _WIN32
TEST_F(Hold, FullDiskGivesStreamWriteError)
{
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    TObjectTextFile File;
    File.LoadFromFile(Path);
    try {
        File.Objects(0).SaveToFile("/dev/full");
        FAIL();
    } catch (const platform::EWriteError& E) {
        EXPECT_STREQ("Stream write error", E.what());
    }
}

// A pipe cannot be held: refused with a plain reason before the open, which
// would wait for a writer; read to its end instead where that is wanted.
TEST_F(Hold, APipeIsRefusedAsAFileAndReadToItsEndAsAStream)
{
    const std::string Fifo = Dir.File("fifo");
    ASSERT_EQ(0, ::mkfifo(Fifo.c_str(), 0600));
    try {
        TFileStream::OpenExclusiveRead(Fifo);
        FAIL();
    } catch (const EFOpenError& E) {
        EXPECT_NE(std::string::npos, std::string(E.what()).find("pipe or a device, not a file")) << E.what();
    }
    EXPECT_TRUE(platform::IsStreamed(Fifo));
    EXPECT_TRUE(platform::IsStreamed("-"));
    EXPECT_FALSE(platform::IsStreamed(Path));
    EXPECT_FALSE(platform::IsStreamed(Dir.Path().string()));
    const std::string Bytes = SampleText + std::string(300000, 'x'); // more than a pipe holds at once
    std::thread Writer([&] { WriteFileBytes(Fifo, Bytes); });
    const auto Stream = platform::ReadToEnd(Fifo);
    Writer.join();
    EXPECT_EQ(Bytes, Stream->Data());
}

TEST_F(Hold, FileTruncatedAfterLoadGivesAReadErrorNotStaleBytes)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    ASSERT_EQ(0, ::truncate(Path.c_str(), 10));
    EXPECT_THROW(File.Objects(1).GetText(), platform::EReadError);
    EXPECT_THROW(File.Objects(0).GetText(), platform::EReadError);
}

TEST_F(Hold, FileDeletedAfterLoadStillReads)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    std::filesystem::remove(Path);
    EXPECT_EQ("OBJECT Codeunit 80 Post\r\ncode\r\n", File.Objects(1).GetText());
}

#endif

TEST_F(Hold, FilesOfTwoGibibytesAreRefusedBeforeAnyAllocation)
{
    const std::string Big = Dir.File("big.txt");
    {
        std::ofstream Out(Big, std::ios::binary);
    }
    std::filesystem::resize_file(Big, std::uintmax_t(1) << 31); // sparse
    TObjectTextFile File;
    try {
        File.LoadFromFile(Big);
        FAIL();
    } catch (const EFOpenError& E) {
        EXPECT_EQ("Cannot open file \"" + Big +
                      "\". The file is 2 GiB or larger; only files smaller than 2 GiB (2,147,483,648 bytes) can be "
                      "opened.",
                  std::string(E.what()));
    }
    EXPECT_FALSE(File.HoldsStream());
}

// --- the I/O seam ------------------------------------------------------------

std::int64_t ShortRead(platform::NativeHandle Handle, void* Buffer, std::int64_t Count, std::int64_t Offset, int* Error)
{
    return platform::SystemFileIo().Read(Handle, Buffer, Count > 4 ? Count - 4 : Count, Offset, Error);
}

std::int64_t FailingRead(platform::NativeHandle, void*, std::int64_t, std::int64_t, int* Error)
{
    *Error = EIO;
    return -1;
}

std::int64_t FullDiskWrite(platform::NativeHandle Handle, const void* Buffer, std::int64_t Count, std::int64_t Offset, int* Error)
{
    const std::int64_t Done = platform::SystemFileIo().Write(Handle, Buffer, Count / 2, Offset, Error);
#ifdef _WIN32
    *Error = ERROR_DISK_FULL;
#else
    *Error = ENOSPC;
#endif
    return Done;
}

int DenyOpen(const std::string&, bool) { return EACCES; }

TEST_F(Hold, ShortOrFailedReadsNeverSplitUnreadBytes)
{
    for (auto Read : {ShortRead, FailingRead}) {
        TObjectTextFile File;
        platform::TFileIo Io = platform::SystemFileIo();
        Io.Read = Read;
        platform::TFileIoOverride Guard(Io);
        try {
            File.LoadFromFile(Path);
            FAIL();
        } catch (const platform::EReadError& E) {
            EXPECT_STREQ("Stream read error", E.what());
        }
        EXPECT_EQ("", File.FileName());
    }
}

TEST_F(Hold, ShortReadOfAnObjectsTextRaises)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    platform::TFileIo Io = platform::SystemFileIo();
    Io.Read = ShortRead;
    platform::TFileIoOverride Guard(Io);
    EXPECT_THROW(File.Objects(0).GetText(), platform::EReadError);
    std::int32_t Object = 0, Position = 1;
    EXPECT_THROW(File.FindNext(Object, Position, "zzz", true), platform::EReadError);
}

// A cut file would pass for the object: what was written goes, and the
// error keeps the system's reason for whoever names it.
TEST_F(Hold, WriteThatStopsEarlyIsAStreamWriteErrorWithItsReasonAndLeavesNoFile)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    platform::TFileIo Io = platform::SystemFileIo();
    Io.Write = FullDiskWrite;
    platform::TFileIoOverride Guard(Io);
    const std::string Target = Dir.File("out.txt");
    WriteFileBytes(Target, "an older export");
    try {
        File.Objects(0).SaveToFile(Target);
        FAIL();
    } catch (const platform::EWriteError& E) {
        EXPECT_STREQ("Stream write error", E.what());
#ifdef _WIN32
        EXPECT_EQ(ERROR_DISK_FULL, E.SystemError());
#else
        EXPECT_EQ(ENOSPC, E.SystemError());
#endif
    }
    EXPECT_FALSE(std::filesystem::exists(Target));
}

// Readers hold a file shared: they read side by side, while an exclusive
// holder and they keep each other out.
TEST_F(Hold, SharedReadersCoexistAndExcludeTheExclusiveHolder)
{
    {
        const auto First = TFileStream::OpenRead(Path, platform::THold::Shared);
        const auto Second = TFileStream::OpenRead(Path, platform::THold::Shared);
        EXPECT_FALSE(CanBeOpenedElsewhere(Path));
    }
    const auto Viewer = TFileStream::OpenExclusiveRead(Path);
    try {
        TFileStream::OpenRead(Path, platform::THold::Shared);
        FAIL() << "a shared reader beside an exclusive holder";
    } catch (const EFOpenError& E) {
        EXPECT_EQ("Cannot open file \"" + platform::FullPath(Path) + "\". " + SInUse, std::string(E.what()));
    }
}

TEST_F(Hold, RefusedOpenReportsTheSystemText)
{
    platform::TFileIo Io = platform::SystemFileIo();
    Io.BeforeOpen = DenyOpen;
    platform::TFileIoOverride Guard(Io);
    TObjectTextFile File;
    try {
        File.LoadFromFile(Path);
        FAIL();
    } catch (const EFOpenError& E) {
        EXPECT_EQ("Cannot open file \"" + Path + "\". " + platform::SystemErrorText(EACCES), std::string(E.what()));
    }
}

// --- names outside the ANSI code page ----------------------------------------

// Paths are UTF-8 throughout. Each case has letters no ANSI code page holds all
// of; the last one lies beyond 16 bits (a surrogate pair in UTF-16).
struct TNameCase {
    const char* Label;
    const char* Folder;
    const char* File;
};

class NonAnsiNames : public testing::TestWithParam<TNameCase> {
protected:
    TTempDir Dir;
};

std::filesystem::path Utf8Path(const std::string& Name) { return std::filesystem::u8path(Name); }

std::vector<std::string> Utf8Names(const std::filesystem::path& Folder)
{
    std::vector<std::string> Names;
    for (const auto& Entry : std::filesystem::directory_iterator(Folder))
        Names.push_back(Entry.path().filename().u8string());
    std::sort(Names.begin(), Names.end());
    return Names;
}

TEST_P(NonAnsiNames, CreateExportAndOpenUseTheNameAsGiven)
{
    const TNameCase& Case = GetParam();
    const std::filesystem::path Folder = Dir.Path() / Utf8Path(Case.Folder);
    ASSERT_TRUE(std::filesystem::create_directory(Folder));
    const std::string Source = (Folder / Utf8Path(Case.File)).u8string();
    const std::string ExportName = std::string("18-") + Case.File;
    const std::string Target = (Folder / Utf8Path(ExportName)).u8string();

    {
        const auto Stream = TFileStream::CreateExclusive(Source);
        ASSERT_EQ(std::int64_t(SampleText.size()), Stream->Write(SampleText.data(), std::int64_t(SampleText.size())));
    }
    // The name on disk is the one given, not its UTF-8 bytes read in some code page.
    EXPECT_EQ(std::vector<std::string>{Case.File}, Utf8Names(Folder));

    TObjectTextFile File;
    File.LoadFromFile(Source);
    ASSERT_EQ(2, File.Count());
    File.Objects(0).SaveToFile(Target);
    EXPECT_EQ((std::vector<std::string>{ExportName, Case.File}), Utf8Names(Folder));

    const auto Exported = TFileStream::OpenExclusiveRead(Target);
    std::string Bytes(100, '\0');
    Bytes.resize(std::size_t(Exported->Read(Bytes.data(), std::int64_t(Bytes.size()))));
    EXPECT_EQ("OBJECT Table 18 Customer\r\nfields\r\n", Bytes);
    EXPECT_EQ("OBJECT Codeunit 80 Post\r\ncode\r\n", File.Objects(1).GetText());
}

TEST_P(NonAnsiNames, MessagesGiveTheNameInUtf8)
{
    const std::string Missing = (Dir.Path() / Utf8Path(GetParam().File)).u8string();
    try {
        TFileStream::OpenExclusiveRead(Missing);
        FAIL();
    } catch (const EFOpenError& E) {
        EXPECT_EQ("Cannot open file \"" + Missing + "\". " + SNotFound, std::string(E.what()));
    }
}

INSTANTIATE_TEST_SUITE_P(Names, NonAnsiNames, testing::Values(
    TNameCase{"Greek", "\xCE\x91\xCE\xBD\xCF\x84\xCE\xB9\xCE\xBA\xCE\xB5\xCE\xAF\xCE\xBC\xCE\xB5\xCE\xBD\xCE\xB1",
              "\xCE\xA0\xCE\xAF\xCE\xBD\xCE\xB1\xCE\xBA\xCE\xB1\xCF\x82.txt"},
    TNameCase{"Cjk", "\xE5\xAF\xBE\xE8\xB1\xA1", "\xE8\xA1\xA8\xE3\x81\xA8\xE8\xA1\xA8.txt"},
    TNameCase{"BeyondSixteenBits", "\xF0\x9D\x94\x92" "bjects", "\xF0\x9D\x94\x97" "able.txt"}),
    [](const testing::TestParamInfo<TNameCase>& Info) { return std::string(Info.param.Label); });

TEST(MemoryStream, ReadsWritesAndSeeks)
{
    platform::TMemoryStream Stream("hello");
    char Buffer[8] = {};
    EXPECT_EQ(5, Stream.Size());
    EXPECT_EQ(3, Stream.Read(Buffer, 3));
    EXPECT_EQ(2, Stream.Read(Buffer, 8));
    EXPECT_EQ(0, Stream.Read(Buffer, 8));
    EXPECT_EQ(1, Stream.Seek(1, platform::TSeekOrigin::soBeginning));
    EXPECT_EQ(2, Stream.Write("EY", 2));
    EXPECT_EQ("hEYlo", Stream.Data());
    EXPECT_EQ(-1, Stream.Seek(-10, platform::TSeekOrigin::soCurrent));
}

} // namespace
