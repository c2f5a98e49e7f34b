#include "platform/filestream.h"
#include "quibfile.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
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
    return platform::SystemFileIo().Write(Handle, Buffer, Count / 2, Offset, Error);
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

TEST_F(Hold, WriteThatStopsEarlyIsAStreamWriteErrorAndLeavesThePartialFile)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    platform::TFileIo Io = platform::SystemFileIo();
    Io.Write = FullDiskWrite;
    platform::TFileIoOverride Guard(Io);
    const std::string Target = Dir.File("out.txt");
    EXPECT_THROW(File.Objects(0).SaveToFile(Target), platform::EWriteError);
    EXPECT_TRUE(std::filesystem::exists(Target));
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
