#include "platform/filestream.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

std::int64_t TStream::Size()
{
    const std::int64_t Saved = Seek(0, TSeekOrigin::soCurrent);
    const std::int64_t End = Seek(0, TSeekOrigin::soEnd);
    Seek(Saved, TSeekOrigin::soBeginning);
    return End;
}

// --- TMemoryStream ---------------------------------------------------------

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count)
{
    const std::int64_t Available = std::int64_t(FData->size()) - FPosition;
    const std::int64_t N = std::max<std::int64_t>(0, std::min(Count, Available));
    if (N > 0)
        std::memcpy(Buffer, FData->data() + FPosition, std::size_t(N));
    FPosition += N;
    return N;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count)
{
    if (Count <= 0)
        return 0;
    if (FData.use_count() > 1) // a duplicate reads the bytes as they were
        FData = std::make_shared<std::string>(*FData);
    const std::size_t End = std::size_t(FPosition + Count);
    if (End > FData->size())
        FData->resize(End);
    std::memcpy(&(*FData)[std::size_t(FPosition)], Buffer, std::size_t(Count));
    FPosition += Count;
    return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin)
{
    std::int64_t Base = 0;
    if (Origin == TSeekOrigin::soCurrent)
        Base = FPosition;
    else if (Origin == TSeekOrigin::soEnd)
        Base = std::int64_t(FData->size());
    if (Base + Offset < 0)
        return -1;
    FPosition = Base + Offset;
    return FPosition;
}

std::unique_ptr<TStream> TMemoryStream::Duplicate() const
{
    auto Copy = std::make_unique<TMemoryStream>();
    Copy->FData = FData;
    return Copy;
}

// --- paths and error texts -------------------------------------------------

std::string FullPath(const std::string& FileName)
{
    if (FileName.empty())
        return FileName;
#ifdef _WIN32
    // A narrow path means the ANSI code page to std::filesystem there; ours are UTF-8.
    try {
        std::error_code Ec;
        const std::filesystem::path Full = std::filesystem::absolute(std::filesystem::u8path(FileName), Ec);
        return Ec ? FileName : Full.lexically_normal().u8string();
    } catch (const std::exception&) { // not UTF-8: the name as given
        return FileName;
    }
#else
    std::error_code Ec;
    const std::filesystem::path Full = std::filesystem::absolute(FileName, Ec);
    if (Ec)
        return FileName;
    return Full.lexically_normal().string();
#endif
}

namespace {

[[noreturn]] void RaiseOpenError(const char* Format, const std::string& Path, const std::string& Reason,
                                 bool ForCreate)
{
    std::string Message = Format;
    Message.replace(Message.find("%s"), 2, Path);
    Message.replace(Message.find("%s"), 2, Reason);
    if (ForCreate)
        throw EFCreateError(Message);
    throw EFOpenError(Message);
}

const char* const SFOpenErrorEx = "Cannot open file \"%s\". %s";
const char* const SFCreateErrorEx = "Cannot create file \"%s\". %s";
const char* const SFileTooLarge =
    "The file is 2 GiB or larger; only files smaller than 2 GiB (2,147,483,648 bytes) can be opened.";
const char* const SNotAFile = "It is a pipe or a device, not a file: only files can be held open.";
const char* const SStandardInput = "standard input";

// Appends what Step reads (into a buffer, returning the bytes read, 0 at the
// end, -1 with *Error set on failure) to Data until the end, refusing 2 GiB.
template <typename TStep>
void ReadUntilEnd(std::string& Data, const std::string& Path, TStep Step)
{
    std::int64_t Capacity = 1 << 16;
    for (;;) {
        if (std::int64_t(Data.size()) >= MaxFileSize)
            RaiseOpenError(SFOpenErrorEx, Path, SFileTooLarge, false);
        if (std::int64_t(Data.capacity() - Data.size()) < Capacity / 2)
            Data.reserve(std::size_t(std::min<std::int64_t>(MaxFileSize, std::int64_t(Data.size()) * 2 + Capacity)));
        const std::size_t Old = Data.size();
        const std::size_t Want = std::max<std::size_t>(Data.capacity() - Old, 4096);
        Data.resize(Old + Want);
        int Error = 0;
        const std::int64_t Done = Step(Data.data() + Old, std::int64_t(Want), &Error);
        Data.resize(Old + std::size_t(std::max<std::int64_t>(Done, 0)));
        if (Done < 0)
            RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(Error), false);
        if (Done == 0)
            return;
    }
}

// Moves Count bytes through Step, a call of at most 1 GiB at a time, until all
// are moved, the file ends (Step returns 0) or an error (Step returns -1 and
// sets *Error). Returns the bytes moved, or -1 when the first call failed.
template <typename TStep>
std::int64_t TransferAll(std::int64_t Count, int* Error, TStep Step)
{
    std::int64_t Total = 0;
    while (Total < Count) {
        const std::int64_t Done = Step(Total, std::min<std::int64_t>(Count - Total, 1 << 30), Error);
        if (Done < 0)
            return Total ? Total : -1;
        if (Done == 0)
            break;
        Total += Done;
    }
    return Total;
}

} // namespace

#ifdef _WIN32

bool Utf8ToWide(const std::string& Text, std::wstring& Wide)
{
    Wide.clear();
    if (Text.empty())
        return true;
    // A NUL would end the name early: another file than the one asked for.
    if (Text.find('\0') != std::string::npos || Text.size() > std::size_t(INT_MAX)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    const int Length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Text.data(), int(Text.size()), nullptr, 0);
    if (Length == 0)
        return false;
    Wide.resize(std::size_t(Length));
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, Text.data(), int(Text.size()), Wide.data(),
                               Length) == Length;
}

std::string WideToUtf8(const wchar_t* Text, std::size_t Length)
{
    if (Length == 0 || Length > std::size_t(INT_MAX))
        return {};
    const int Size = WideCharToMultiByte(CP_UTF8, 0, Text, int(Length), nullptr, 0, nullptr, nullptr);
    std::string Utf8(std::size_t(std::max(Size, 0)), '\0');
    if (Size > 0)
        WideCharToMultiByte(CP_UTF8, 0, Text, int(Length), Utf8.data(), Size, nullptr, nullptr);
    return Utf8;
}

std::string SystemErrorText(int Error)
{
    wchar_t* Buffer = nullptr;
    const DWORD Length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, DWORD(Error), 0, reinterpret_cast<LPWSTR>(&Buffer), 0, nullptr);
    std::string Text = Length ? WideToUtf8(Buffer, Length) : "Unknown error " + std::to_string(Error);
    if (Buffer)
        LocalFree(Buffer);
    while (!Text.empty() && (Text.back() == '\n' || Text.back() == '\r' || Text.back() == ' '))
        Text.pop_back();
    return Text;
}

namespace {

OVERLAPPED At(std::int64_t Offset)
{
    OVERLAPPED Overlapped{};
    Overlapped.Offset = DWORD(std::uint64_t(Offset) & 0xFFFFFFFFu);
    Overlapped.OffsetHigh = DWORD(std::uint64_t(Offset) >> 32);
    return Overlapped;
}

std::int64_t SystemRead(NativeHandle Handle, void* Buffer, std::int64_t Count, std::int64_t Offset, int* Error)
{
    return TransferAll(Count, Error, [&](std::int64_t Total, std::int64_t Chunk, int* Err) -> std::int64_t {
        DWORD Done = 0;
        OVERLAPPED Overlapped = At(Offset + Total);
        if (ReadFile(Handle, static_cast<char*>(Buffer) + Total, DWORD(Chunk), &Done, &Overlapped))
            return Done;
        if (GetLastError() == ERROR_HANDLE_EOF)
            return 0;
        *Err = int(GetLastError());
        return -1;
    });
}

std::int64_t SystemWrite(NativeHandle Handle, const void* Buffer, std::int64_t Count, std::int64_t Offset,
                         int* Error)
{
    return TransferAll(Count, Error, [&](std::int64_t Total, std::int64_t Chunk, int* Err) -> std::int64_t {
        DWORD Done = 0;
        OVERLAPPED Overlapped = At(Offset + Total);
        if (WriteFile(Handle, static_cast<const char*>(Buffer) + Total, DWORD(Chunk), &Done, &Overlapped))
            return Done;
        *Err = int(GetLastError());
        return -1;
    });
}

} // namespace

std::unique_ptr<TFileStream> TFileStream::OpenRead(const std::string& FileName, THold Hold)
{
    const std::string Path = FullPath(FileName);
    if (const int Error = FileIo().BeforeOpen(Path, false))
        RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(Error), false);
    std::wstring Wide;
    if (!Utf8ToWide(FileName, Wide))
        RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(int(GetLastError())), false);
    // Share mode 0: nobody else may open the file while we hold it; shared:
    // other readers may, and a share-none open is refused while we read.
    const DWORD Share = Hold == THold::Exclusive ? 0 : FILE_SHARE_READ;
    HANDLE Handle =
        CreateFileW(Wide.c_str(), GENERIC_READ, Share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Handle == INVALID_HANDLE_VALUE)
        RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(int(GetLastError())), false);
    std::unique_ptr<TFileStream> Stream(new TFileStream(Handle));
    if (GetFileType(Handle) != FILE_TYPE_DISK)
        RaiseOpenError(SFOpenErrorEx, Path, SNotAFile, false);
    LARGE_INTEGER Size{};
    if (!GetFileSizeEx(Handle, &Size))
        RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(int(GetLastError())), false);
    if (Size.QuadPart >= MaxFileSize)
        RaiseOpenError(SFOpenErrorEx, Path, SFileTooLarge, false);
    return Stream;
}

bool IsStreamed(const std::string& FileName)
{
    if (FileName == "-")
        return true;
    std::wstring Wide;
    if (!Utf8ToWide(FileName, Wide))
        return false;
    HANDLE Handle = CreateFileW(Wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (Handle == INVALID_HANDLE_VALUE)
        return false;
    const DWORD Type = GetFileType(Handle);
    CloseHandle(Handle);
    return Type == FILE_TYPE_PIPE || Type == FILE_TYPE_CHAR;
}

std::unique_ptr<TMemoryStream> ReadToEnd(const std::string& FileName)
{
    const bool Standard = FileName == "-";
    const std::string Path = Standard ? SStandardInput : FullPath(FileName);
    HANDLE Handle = GetStdHandle(STD_INPUT_HANDLE);
    if (!Standard) {
        std::wstring Wide;
        if (!Utf8ToWide(FileName, Wide))
            RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(int(GetLastError())), false);
        Handle = CreateFileW(Wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
        if (Handle == INVALID_HANDLE_VALUE)
            RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(int(GetLastError())), false);
    }
    std::string Data;
    try {
        ReadUntilEnd(Data, Path, [Handle](char* Buffer, std::int64_t Count, int* Error) -> std::int64_t {
            DWORD Done = 0;
            if (ReadFile(Handle, Buffer, DWORD(std::min<std::int64_t>(Count, 1 << 30)), &Done, nullptr))
                return Done;
            if (GetLastError() == ERROR_BROKEN_PIPE || GetLastError() == ERROR_HANDLE_EOF)
                return 0; // the writer is done
            *Error = int(GetLastError());
            return -1;
        });
    } catch (...) {
        if (!Standard)
            CloseHandle(Handle);
        throw;
    }
    if (!Standard)
        CloseHandle(Handle);
    return std::make_unique<TMemoryStream>(std::move(Data));
}

void RemoveRegularFile(const std::string& FileName) noexcept
{
    std::wstring Wide;
    if (!Utf8ToWide(FileName, Wide))
        return;
    const DWORD Attributes = GetFileAttributesW(Wide.c_str());
    if (Attributes != INVALID_FILE_ATTRIBUTES &&
        !(Attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)))
        DeleteFileW(Wide.c_str());
}

std::unique_ptr<TFileStream> TFileStream::CreateExclusive(const std::string& FileName)
{
    const std::string Path = FullPath(FileName);
    if (const int Error = FileIo().BeforeOpen(Path, true))
        RaiseOpenError(SFCreateErrorEx, Path, SystemErrorText(Error), true);
    std::wstring Wide;
    if (!Utf8ToWide(FileName, Wide))
        RaiseOpenError(SFCreateErrorEx, Path, SystemErrorText(int(GetLastError())), true);
    // CREATE_ALWAYS truncates only once the share-none open has succeeded.
    HANDLE Handle = CreateFileW(Wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (Handle == INVALID_HANDLE_VALUE)
        RaiseOpenError(SFCreateErrorEx, Path, SystemErrorText(int(GetLastError())), true);
    return std::unique_ptr<TFileStream>(new TFileStream(Handle));
}

TFileStream::~TFileStream()
{
    CloseHandle(FHandle);
}

std::unique_ptr<TStream> TFileStream::Duplicate() const
{
    HANDLE Copy = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), FHandle, GetCurrentProcess(), &Copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        throw EReadError(SystemErrorText(int(GetLastError())));
    return std::unique_ptr<TStream>(new TFileStream(Copy));
}

static std::int64_t FileSize(NativeHandle Handle)
{
    LARGE_INTEGER Size{};
    return GetFileSizeEx(Handle, &Size) ? Size.QuadPart : -1;
}

TFileStamp TFileStream::Stamp() const
{
    BY_HANDLE_FILE_INFORMATION Info{};
    if (!GetFileInformationByHandle(FHandle, &Info))
        return {};
    return {std::int64_t((std::uint64_t(Info.nFileSizeHigh) << 32) | Info.nFileSizeLow),
            std::int64_t((std::uint64_t(Info.ftLastWriteTime.dwHighDateTime) << 32) |
                         Info.ftLastWriteTime.dwLowDateTime)};
}

#else // POSIX

std::string SystemErrorText(int Error)
{
    if (Error == EWOULDBLOCK || Error == EAGAIN)
        return "The file is in use by another process.";
    if (Error == EISDIR)
        return "It is a folder, not a file.";
    return std::strerror(Error);
}

namespace {

// Retries a system call that a signal interrupted.
template <typename TCall>
std::int64_t Retrying(int* Error, TCall Call)
{
    for (;;) {
        const ssize_t Done = Call();
        if (Done >= 0)
            return Done;
        if (errno != EINTR) {
            *Error = errno;
            return -1;
        }
    }
}

std::int64_t SystemRead(NativeHandle Handle, void* Buffer, std::int64_t Count, std::int64_t Offset, int* Error)
{
    return TransferAll(Count, Error, [&](std::int64_t Total, std::int64_t Chunk, int* Err) {
        return Retrying(Err, [&] {
            return ::pread(Handle, static_cast<char*>(Buffer) + Total, std::size_t(Chunk), off_t(Offset + Total));
        });
    });
}

std::int64_t SystemWrite(NativeHandle Handle, const void* Buffer, std::int64_t Count, std::int64_t Offset,
                         int* Error)
{
    return TransferAll(Count, Error, [&](std::int64_t Total, std::int64_t Chunk, int* Err) {
        return Retrying(Err, [&] {
            return ::pwrite(Handle, static_cast<const char*>(Buffer) + Total, std::size_t(Chunk),
                            off_t(Offset + Total));
        });
    });
}

// Owns a descriptor until it is handed to a stream.
class TFdGuard {
public:
    explicit TFdGuard(int Fd) : FFd(Fd) {}
    TFdGuard(TFdGuard&& Other) noexcept : FFd(Other.Release()) {}
    TFdGuard(const TFdGuard&) = delete;
    TFdGuard& operator=(const TFdGuard&) = delete;
    ~TFdGuard()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    int Release() { return std::exchange(FFd, -1); }
    int Get() const { return FFd; }

private:
    int FFd;
};

// The file opened for reading, with what fstat says of it; a folder fails as
// an open does (open() succeeds on one here: reading it is what fails).
TFdGuard OpenForReading(const std::string& FileName, const std::string& Path, struct stat& Info)
{
    if (const int Error = FileIo().BeforeOpen(Path, false))
        RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(Error), false);
    TFdGuard Fd(::open(FileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (Fd.Get() < 0)
        RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(errno), false);
    if (::fstat(Fd.Get(), &Info) != 0)
        RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(errno), false);
    if (S_ISDIR(Info.st_mode))
        RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(EISDIR), false);
    return Fd;
}

// Advisory on Linux: it keeps out every program that locks, other viewers included.
// Kind: LOCK_EX or LOCK_SH.
int Lock(int Fd, int Kind)
{
    while (::flock(Fd, Kind | LOCK_NB) != 0) {
        if (errno != EINTR)
            return errno;
    }
    return 0;
}

} // namespace

std::unique_ptr<TFileStream> TFileStream::OpenRead(const std::string& FileName, THold Hold)
{
    const std::string Path = FullPath(FileName);
    // Before the open: opening a FIFO waits for a writer.
    if (IsStreamed(FileName))
        RaiseOpenError(SFOpenErrorEx, Path, SNotAFile, false);
    struct stat Info {};
    TFdGuard Fd = OpenForReading(FileName, Path, Info);
    if (!S_ISREG(Info.st_mode))
        RaiseOpenError(SFOpenErrorEx, Path, SNotAFile, false);
    if (const int Error = Lock(Fd.Get(), Hold == THold::Exclusive ? LOCK_EX : LOCK_SH))
        RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(Error), false);
    if (Info.st_size >= MaxFileSize)
        RaiseOpenError(SFOpenErrorEx, Path, SFileTooLarge, false);
    return std::unique_ptr<TFileStream>(new TFileStream(Fd.Release()));
}

bool IsStreamed(const std::string& FileName)
{
    struct stat Info {};
    return FileName == "-" ||
           (::stat(FileName.c_str(), &Info) == 0 && !S_ISREG(Info.st_mode) && !S_ISDIR(Info.st_mode));
}

std::unique_ptr<TMemoryStream> ReadToEnd(const std::string& FileName)
{
    const bool Standard = FileName == "-";
    const std::string Path = Standard ? SStandardInput : FullPath(FileName);
    TFdGuard Opened(Standard ? -1 : ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (!Standard && Opened.Get() < 0)
        RaiseOpenError(SFOpenErrorEx, Path, SystemErrorText(errno), false);
    const int Fd = Standard ? STDIN_FILENO : Opened.Get();
    std::string Data;
    ReadUntilEnd(Data, Path, [Fd](char* Buffer, std::int64_t Count, int* Error) {
        return Retrying(Error, [&] { return ::read(Fd, Buffer, std::size_t(std::min<std::int64_t>(Count, 1 << 30))); });
    });
    return std::make_unique<TMemoryStream>(std::move(Data));
}

void RemoveRegularFile(const std::string& FileName) noexcept
{
    struct stat Info {};
    if (::lstat(FileName.c_str(), &Info) == 0 && S_ISREG(Info.st_mode))
        ::unlink(FileName.c_str());
}

std::unique_ptr<TFileStream> TFileStream::CreateExclusive(const std::string& FileName)
{
    const std::string Path = FullPath(FileName);
    if (const int Error = FileIo().BeforeOpen(Path, true))
        RaiseOpenError(SFCreateErrorEx, Path, SystemErrorText(Error), true);
    // No O_TRUNC: the content is cut only once the lock is ours, so a file held
    // by a viewer (this one included) is left untouched.
    TFdGuard Fd(::open(FileName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (Fd.Get() < 0)
        RaiseOpenError(SFCreateErrorEx, Path, SystemErrorText(errno), true);
    if (const int Error = Lock(Fd.Get(), LOCK_EX))
        RaiseOpenError(SFCreateErrorEx, Path, SystemErrorText(Error), true);
    // Only a regular file has content to cut; a device (a pipe, /dev/full) has none.
    struct stat Info {};
    if (::fstat(Fd.Get(), &Info) != 0 || (S_ISREG(Info.st_mode) && ::ftruncate(Fd.Get(), 0) != 0))
        RaiseOpenError(SFCreateErrorEx, Path, SystemErrorText(errno), true);
    return std::unique_ptr<TFileStream>(new TFileStream(Fd.Release()));
}

TFileStream::~TFileStream()
{
    ::close(FHandle); // also drops the lock, unless a duplicate still has the file
}

std::unique_ptr<TStream> TFileStream::Duplicate() const
{
    const int Copy = ::fcntl(FHandle, F_DUPFD_CLOEXEC, 0);
    if (Copy < 0)
        throw EReadError(SystemErrorText(errno));
    return std::unique_ptr<TStream>(new TFileStream(Copy));
}

static std::int64_t FileSize(NativeHandle Handle)
{
    struct stat Info {};
    return ::fstat(Handle, &Info) == 0 ? std::int64_t(Info.st_size) : -1;
}

TFileStamp TFileStream::Stamp() const
{
    struct stat Info {};
    if (::fstat(FHandle, &Info) != 0)
        return {};
    return {std::int64_t(Info.st_size), std::int64_t(Info.st_mtim.tv_sec) * 1000000000 + Info.st_mtim.tv_nsec};
}

#endif

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count)
{
    int Error = 0;
    const std::int64_t Done = std::max<std::int64_t>(0, FileIo().Read(FHandle, Buffer, Count, FPosition, &Error));
    FPosition += Done;
    if (Error)
        FLastError = Error;
    return Done;
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count)
{
    int Error = 0;
    const std::int64_t Done = std::max<std::int64_t>(0, FileIo().Write(FHandle, Buffer, Count, FPosition, &Error));
    FPosition += Done;
    if (Error)
        FLastError = Error;
    return Done;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin)
{
    std::int64_t Base = FPosition;
    if (Origin == TSeekOrigin::soBeginning)
        Base = 0;
    else if (Origin == TSeekOrigin::soEnd && (Base = FileSize(FHandle)) < 0)
        return -1;
    if (Base + Offset < 0)
        return -1;
    FPosition = Base + Offset;
    return FPosition;
}

namespace {
int NoFailure(const std::string&, bool) { return 0; }
const TFileIo SystemIo{SystemRead, SystemWrite, NoFailure};
} // namespace

const TFileIo& SystemFileIo() { return SystemIo; }

TFileIo& FileIo()
{
    static TFileIo Current = SystemIo;
    return Current;
}

} // namespace platform
