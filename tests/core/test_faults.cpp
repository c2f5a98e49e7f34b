// Faults of the file layer, injected through its I/O seam or made for real:
// opens refused for each reason the layer names, reads that fail part-way
// through a windowed load, and a loaded file deleted, cut short or replaced
// behind the model's back.
#include "platform/filestream.h"
#include "core/quibfile.h"
#include "core/readahead.h"
#include "testfiles.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

using platform::EFCreateError;
using platform::EFOpenError;
using platform::EReadError;
using platform::EWriteError;

namespace {

const std::string FirstObject = "OBJECT Table 18 Customer\r\nfields\r\n";
const std::string SecondObject = "OBJECT Codeunit 80 Post\r\ncode\r\n";
const std::string SampleText = "pre\r\n" + FirstObject + SecondObject;

class Faults : public testing::Test {
protected:
    void SetUp() override
    {
        Path = Dir.File("objects.txt");
        WriteFileBytes(Path, SampleText);
    }
    TTempDir Dir;
    std::string Path;
};

// --- opens refused, one reason at a time --------------------------------------

struct TRefusal {
    const char* Name;
    int Code;
    std::string Text; // the reason as the message shows it
};

std::vector<TRefusal> Refusals()
{
#ifdef _WIN32
    // The system's own texts, whatever its language.
    const std::pair<const char*, int> Codes[] = {
        {"NotFound", ERROR_FILE_NOT_FOUND}, {"AccessDenied", ERROR_ACCESS_DENIED},
        {"Folder", ERROR_DIRECTORY},        {"InUse", ERROR_SHARING_VIOLATION},
        {"TooManyOpen", ERROR_TOO_MANY_OPEN_FILES}};
    std::vector<TRefusal> Result;
    for (const auto& [Name, Code] : Codes)
        Result.push_back({Name, Code, platform::SystemErrorText(Code)});
    return Result;
#else
    return {{"NotFound", ENOENT, "No such file or directory"},
            {"AccessDenied", EACCES, "Permission denied"},
            {"Folder", EISDIR, "It is a folder, not a file."},
            {"InUse", EWOULDBLOCK, "The file is in use by another process."},
            {"TooManyOpen", EMFILE, "Too many open files"}};
#endif
}

int GRefusal = 0;
int Refuse(const std::string&, bool) { return GRefusal; }

class RefusedOpen : public Faults, public testing::WithParamInterface<TRefusal> {};

TEST_P(RefusedOpen, LoadReportsTheReasonAndKeepsThePreviousFile)
{
    const TRefusal& R = GetParam();
    ASSERT_FALSE(R.Text.empty());
    ASSERT_EQ(std::string::npos, R.Text.find("Unknown error"));
    TObjectTextFile File;
    File.LoadFromFile(Path);
    platform::TFileIo Io = platform::SystemFileIo();
    Io.BeforeOpen = Refuse;
    GRefusal = R.Code;
    platform::TFileIoOverride Guard(Io);
    const std::string Other = Dir.File("other.txt");
    try {
        File.LoadFromFile(Other);
        FAIL() << "no error";
    } catch (const EFOpenError& E) {
        EXPECT_EQ("Cannot open file \"" + Other + "\". " + R.Text, std::string(E.what()));
    }
    EXPECT_FALSE(File.HoldsStream());
    EXPECT_EQ(Path, File.FileName());
    EXPECT_EQ(2, File.Count());
    EXPECT_THROW(File.Objects(0).GetText(), EReadError);
}

TEST_P(RefusedOpen, ExportReportsTheReasonAndWritesNothing)
{
    const TRefusal& R = GetParam();
    TObjectTextFile File;
    File.LoadFromFile(Path);
    platform::TFileIo Io = platform::SystemFileIo();
    Io.BeforeOpen = Refuse;
    GRefusal = R.Code;
    platform::TFileIoOverride Guard(Io);
    const std::string Target = Dir.File("tab18.txt");
    try {
        File.Objects(0).SaveToFile(Target);
        FAIL() << "no error";
    } catch (const EFCreateError& E) {
        EXPECT_EQ("Cannot create file \"" + Target + "\". " + R.Text, std::string(E.what()));
    }
    EXPECT_FALSE(std::filesystem::exists(Target));
}

INSTANTIATE_TEST_SUITE_P(Reasons, RefusedOpen, testing::ValuesIn(Refusals()),
                         [](const auto& Info) { return std::string(Info.param.Name); });

#ifndef _WIN32
std::string LoadWithoutFreeDescriptors(const std::string& Path)
{
    // The same failure once with descriptors to spare: the sanitizer's type
    // check needs one on its first sight of each type, and there is none below.
    try {
        TObjectTextFile File;
        File.LoadFromFile(Path + ".missing");
    } catch (const EFOpenError& E) {
        static_cast<void>(E.what());
    }
    rlimit Saved{};
    if (::getrlimit(RLIMIT_NOFILE, &Saved) != 0)
        return "getrlimit failed";
    const int Probe = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (Probe < 0)
        return "no descriptor";
    ::close(Probe);
    rlimit Low = Saved;
    Low.rlim_cur = rlim_t(Probe); // the next open needs descriptor Probe, now over the limit
    if (::setrlimit(RLIMIT_NOFILE, &Low) != 0)
        return "setrlimit failed";
    std::string Message = "no error";
    try {
        TObjectTextFile File;
        File.LoadFromFile(Path);
    } catch (const EFOpenError& E) {
        Message = E.what();
    }
    ::setrlimit(RLIMIT_NOFILE, &Saved);
    return Message;
}

// The same refusal made by the system rather than the seam.
TEST_F(Faults, RunningOutOfDescriptorsIsTooManyOpenFiles)
{
    EXPECT_EQ("Cannot open file \"" + Path + "\". Too many open files", LoadWithoutFreeDescriptors(Path));
}

TEST_F(Faults, UnreadableFileIsPermissionDenied)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser reads any file";
    std::filesystem::permissions(Path, std::filesystem::perms::none);
    TObjectTextFile File;
    try {
        File.LoadFromFile(Path);
        FAIL() << "no error";
    } catch (const EFOpenError& E) {
        EXPECT_EQ("Cannot open file \"" + Path + "\". Permission denied", std::string(E.what()));
    }
}
#endif

// --- reads and writes that fail part-way ------------------------------------------

int GReadsLeft = 0;
bool GReadFails = false;

// Delivers normally until GReadsLeft runs out, then half of what is asked, or an error.
std::int64_t FailingLater(platform::NativeHandle Handle, void* Buffer, std::int64_t Count, std::int64_t Offset, int* Error)
{
    if (GReadsLeft-- > 0)
        return platform::SystemFileIo().Read(Handle, Buffer, Count, Offset, Error);
    if (GReadFails) {
        *Error = EIO;
        return -1;
    }
    return platform::SystemFileIo().Read(Handle, Buffer, Count / 2, Offset, Error);
}

class WindowedLoad : public Faults {
protected:
    void SetUp() override
    {
        Faults::SetUp();
        SavedWindow = TObjectTextFile::LoadWindowSize;
        TObjectTextFile::LoadWindowSize = 8;
    }
    void TearDown() override { TObjectTextFile::LoadWindowSize = SavedWindow; }
    std::int64_t SavedWindow = 0;
};

std::int64_t CountingRead(platform::NativeHandle Handle, void* Buffer, std::int64_t Count, std::int64_t Offset, int* Error)
{
    ++GReadsLeft;
    return platform::SystemFileIo().Read(Handle, Buffer, Count, Offset, Error);
}

TEST_F(WindowedLoad, ReadFailingPartWayEndsTheLoadWithEntriesOnlyFromBytesRead)
{
    int Reads = 0;
    {
        platform::TFileIo Io = platform::SystemFileIo();
        Io.Read = CountingRead;
        GReadsLeft = 0;
        platform::TFileIoOverride Guard(Io);
        TObjectTextFile File;
        File.LoadFromFile(Path);
        Reads = GReadsLeft;
    }
    ASSERT_GT(Reads, 4);
    for (const bool Fails : {false, true})
        for (int GoodReads = 0; GoodReads < Reads; ++GoodReads) {
            const std::string Case = (Fails ? "error after " : "short read after ") + std::to_string(GoodReads);
            TObjectTextFile File;
            std::vector<std::pair<int, int>> Progress;
            File.SetOnProgress([&Progress](TObjectTextFile&, TProgressKind Kind, std::uint8_t Percent) {
                Progress.emplace_back(Kind, Percent);
            });
            platform::TFileIo Io = platform::SystemFileIo();
            Io.Read = FailingLater;
            GReadsLeft = GoodReads;
            GReadFails = Fails;
            platform::TFileIoOverride Guard(Io);
            try {
                File.LoadFromFile(Path);
                FAIL() << Case << ": no error";
            } catch (const EReadError& E) {
                EXPECT_STREQ("Stream read error", E.what()) << Case;
            }
            EXPECT_EQ("", File.FileName()) << Case;
            ASSERT_FALSE(Progress.empty()) << Case;
            EXPECT_NE(pkDone, Progress.back().first) << Case;
            // A read fills at most the window and its spare, 16 bytes: an entry needs its marker read.
            const std::int64_t Delivered = std::int64_t(GoodReads) * 16;
            for (std::int32_t I = 0; I < File.Count(); ++I)
                EXPECT_LE(File.Objects(I).Offset() + 7, Delivered) << Case;
        }
}

// The pieces are read ahead on a thread of their own: a load that ends
// early, however it ends, stops that thread and lets the file go, and the
// next load sees every byte once and in order.
TEST_F(WindowedLoad, LoadEndedEarlyStopsTheReadAheadAndLetsTheFileGo)
{
    const std::string Text = SampleText + std::string(300, 'x') + "\r\n" + SecondObject;
    WriteFileBytes(Path, Text);
    for (const std::int64_t Window : {1, 7, 64, 1 << 20}) {
        TObjectTextFile::LoadWindowSize = Window;
        TObjectTextFile File;
        int Pieces = 0;
        File.SetOnRead([&Pieces](const char*, std::int64_t, std::int64_t) {
            if (++Pieces == 2)
                throw std::runtime_error("stop");
        });
        if (Window < std::int64_t(Text.size())) {
            EXPECT_THROW(File.LoadFromFile(Path), std::runtime_error) << Window;
        }
        std::string Seen;
        File.SetOnRead([&Seen](const char* Bytes, std::int64_t Position, std::int64_t Length) {
            EXPECT_EQ(std::int64_t(Seen.size()), Position);
            Seen.append(Bytes, std::size_t(Length));
        });
        File.LoadFromFile(Path);
        EXPECT_EQ(Text, Seen) << Window;
        ASSERT_EQ(3, File.Count()) << Window;
        EXPECT_EQ(std::int32_t(Text.size() - SecondObject.size()), File.Objects(2).Offset()) << Window;
    }
}

// A stream whose reads throw after a number of good ones, as a device that
// goes away may.
class TThrowingStream : public platform::TStream {
public:
    explicit TThrowingStream(int GoodReads) : FGoodReads(GoodReads) {}
    std::int64_t Read(void* Buffer, std::int64_t Count) override
    {
        if (FGoodReads-- <= 0)
            throw std::runtime_error("the device is gone");
        std::memset(Buffer, 'x', std::size_t(Count));
        return Count;
    }
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t, platform::TSeekOrigin) override { return 0; }

private:
    int FGoodReads;
};

// The read-ahead thread must neither let an exception out (which would end
// the program) nor keep the taker waiting: a throwing read ends the pieces
// with a short one. Pieces not taken are dropped at once, and the room before
// each piece is the taker's to write.
TEST(ReadAhead, AThrowingReadEndsThePiecesAndNothingWaits)
{
    constexpr std::int64_t PieceSize = 16, Room = 8;
    for (const int GoodReads : {0, 1, 5, 1000}) {
        TThrowingStream Stream(GoodReads);
        TReadAhead Pieces(Stream, 100 * PieceSize, PieceSize, Room);
        for (int Taken = 0; Taken < std::min(GoodReads, 5); ++Taken) {
            const TReadAhead::TPiece Piece = Pieces.Next();
            ASSERT_FALSE(Piece.Short) << GoodReads;
            ASSERT_EQ(PieceSize, Piece.Size);
            std::memset(Piece.Data - Room, '-', std::size_t(Room));
        }
        if (GoodReads < 5) {
            const TReadAhead::TPiece Last = Pieces.Next();
            EXPECT_TRUE(Last.Short) << GoodReads;
            EXPECT_EQ(0, Last.Size);
        }
    }
}

std::int64_t FailingWrite(platform::NativeHandle, const void*, std::int64_t, std::int64_t, int* Error)
{
    *Error = ENOSPC;
    return -1;
}

TEST_F(Faults, WriteErrorIsAStreamWriteError)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    platform::TFileIo Io = platform::SystemFileIo();
    Io.Write = FailingWrite;
    platform::TFileIoOverride Guard(Io);
    try {
        File.Objects(1).SaveToFile(Dir.File("cod80.txt"));
        FAIL() << "no error";
    } catch (const EWriteError& E) {
        EXPECT_STREQ("Stream write error", E.what());
    }
}

// --- the loaded file changed behind the model's back ------------------------------

#ifdef _WIN32
// The share-none hold refuses every change: the file can be neither deleted,
// cut short nor replaced while it is loaded, and its text still reads.
TEST_F(Faults, HeldFileCanBeNeitherDeletedTruncatedNorReplaced)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    std::error_code Ec;
    EXPECT_FALSE(std::filesystem::remove(Path, Ec));
    EXPECT_TRUE(Ec);
    std::filesystem::resize_file(Path, 10, Ec);
    EXPECT_TRUE(Ec);
    const std::string Bigger = Dir.File("bigger.txt");
    WriteFileBytes(Bigger, SampleText + SampleText);
    std::filesystem::rename(Bigger, Path, Ec);
    EXPECT_TRUE(Ec);
    EXPECT_EQ(SecondObject, File.Objects(1).GetText());
    EXPECT_EQ(SampleText.size(), std::filesystem::file_size(Path));
}

// Not advisory: even an open that would share everything is refused.
TEST_F(Faults, HeldFileRefusesEveryOtherOpen)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    for (const DWORD Access : {DWORD(GENERIC_READ), DWORD(GENERIC_WRITE), DWORD(FILE_READ_ATTRIBUTES | SYNCHRONIZE)}) {
        const HANDLE Other = CreateFileA(Path.c_str(), Access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        const DWORD Error = GetLastError();
        if (Other != INVALID_HANDLE_VALUE) {
            CloseHandle(Other);
            // Reading attributes alone is allowed; data access is what the hold keeps out.
            EXPECT_EQ(DWORD(FILE_READ_ATTRIBUTES | SYNCHRONIZE), Access);
            continue;
        }
        EXPECT_EQ(DWORD(ERROR_SHARING_VIOLATION), Error) << Access;
    }
}
#else
// Deletion while loaded (the text still reads) is covered with the hold.

TEST_F(Faults, TruncatedFileReadsWhatIsLeftAndRefusesWhatIsGone)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    // Cut right after the first object: its text is whole, the second is gone.
    ASSERT_EQ(0, ::truncate(Path.c_str(), off_t(5 + FirstObject.size())));
    EXPECT_EQ(FirstObject, File.Objects(0).GetText());
    try {
        File.Objects(1).GetText();
        FAIL() << "no error";
    } catch (const EReadError& E) {
        EXPECT_STREQ("Stream read error", E.what());
    }
    std::int32_t Object = 0, Position = 0;
    EXPECT_THROW(File.FindNext(Object, Position, "code", true), EReadError) << "no match in stale bytes";
    // Grown back, the gap reads as the zeros now in the file, not as the old text.
    ASSERT_EQ(0, ::truncate(Path.c_str(), off_t(SampleText.size())));
    EXPECT_EQ(std::string(SecondObject.size(), '\0'), File.Objects(1).GetText());
}

TEST_F(Faults, ExportOfAnObjectCutAwayFailsWithAReadError)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    ASSERT_EQ(0, ::truncate(Path.c_str(), 10));
    const std::string Target = Dir.File("cod80.txt");
    EXPECT_THROW(File.Objects(1).SaveToFile(Target), EReadError);
    EXPECT_FALSE(std::filesystem::exists(Target)) << "nothing of a failed export stays";
}

// A rename swaps the name over to a new file; the model keeps reading the
// file it loaded, and the hold stays with that file, not with the name.
TEST_F(Faults, FileReplacedByABiggerOneKeepsReadingTheLoadedBytes)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    const std::string Bigger = Dir.File("bigger.txt");
    const std::string BiggerText = "OBJECT Form 1 New\r\n" + std::string(5000, 'x') + "\r\n" + SampleText;
    WriteFileBytes(Bigger, BiggerText);
    std::filesystem::rename(Bigger, Path);
    EXPECT_EQ(FirstObject, File.Objects(0).GetText());
    EXPECT_EQ(SecondObject, File.Objects(1).GetText());
    std::int32_t Object = 0, Position = 0;
    EXPECT_FALSE(File.FindNext(Object, Position, "xxxx", true));
    EXPECT_NO_THROW(platform::TFileStream::OpenExclusiveRead(Path)) << "the new file is not held";
    File.LoadFromFile(Path);
    ASSERT_EQ(3, File.Count());
    EXPECT_EQ("Form 1 New", File.Objects(0).GetDisplayText());
}

// The hold is advisory on Linux: a program that does not lock may rewrite the
// file in place. The entries then read whatever bytes now stand in their range.
TEST_F(Faults, FileRewrittenInPlaceReadsTheBytesNowInTheFile)
{
    TObjectTextFile File;
    File.LoadFromFile(Path);
    std::string Rewritten = SampleText;
    for (char& C : Rewritten)
        C = C == 'o' ? '0' : C;
    WriteFileBytes(Path, Rewritten + std::string(1000, 'y'));
    EXPECT_EQ(Rewritten.substr(5, FirstObject.size()), File.Objects(0).GetText());
    EXPECT_EQ(Rewritten.substr(5 + FirstObject.size()), File.Objects(1).GetText());
}
#endif

} // namespace
