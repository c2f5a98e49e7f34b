// Byte streams over files, with the exclusive hold the viewer needs.
//
// Throw contract: opening and creating throw EFOpenError / EFCreateError whose
// what() is the user-facing message ("Cannot open file "<full path>". <system text>").
// Read and Write never throw: they return the number of bytes moved, and fewer
// bytes than asked for means end of file, a full disk or an I/O error.
// Destructors close and never throw.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace platform {

// Base of every failure the program reports to the user: what() is the message.
class EQuibError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EFOpenError : public EQuibError { public: using EQuibError::EQuibError; };
class EFCreateError : public EQuibError { public: using EQuibError::EQuibError; };
class EReadError : public EQuibError { public: using EQuibError::EQuibError; };
// SystemError: the system's code for why a write failed, 0 when not known.
class EWriteError : public EQuibError {
public:
    explicit EWriteError(const std::string& Message, int SystemError = 0)
        : EQuibError(Message), FSystemError(SystemError)
    {
    }
    int SystemError() const { return FSystemError; }

private:
    int FSystemError;
};

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    // Moves up to Count bytes; returns the bytes moved (0 at end or on error).
    virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
    virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
    // Returns the new position, or -1 when the position cannot be set.
    virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    std::int64_t Size();
    // A second reader of the same bytes with a position of its own (for a
    // worker beside the stream's owner); null when this stream has none to give.
    virtual std::unique_ptr<TStream> Duplicate() const { return nullptr; }
    // The system's code for the last read or write that fell short, 0 if none.
    virtual int LastError() const { return 0; }
    // Why the last read fell short, in words for the user, when the stream
    // knows better than its error code (which file of several); else empty.
    virtual std::string FailureText() const { return {}; }
};

// An in-memory stream (piped input, tests, fuzzing). Duplicates share the
// bytes until one of them writes.
class TMemoryStream : public TStream {
public:
    TMemoryStream() : FData(std::make_shared<std::string>()) {}
    explicit TMemoryStream(std::string Data) : FData(std::make_shared<std::string>(std::move(Data))) {}
    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    std::unique_ptr<TStream> Duplicate() const override;
    const std::string& Data() const { return *FData; }

private:
    std::shared_ptr<std::string> FData;
    std::int64_t FPosition = 0;
};

#ifdef _WIN32
using NativeHandle = void*;
#else
using NativeHandle = int;
#endif

// How a file opened for reading is held while the stream lives.
enum class THold {
    Exclusive, // no other holder at all: the viewer
    Shared     // other shared holders, never an exclusive one: readers such as the companion
};

// A file's size and last write time, to tell whether it changed between two
// looks (the time in the system's own units).
struct TFileStamp {
    std::int64_t Size = -1;
    std::int64_t Modified = 0;
    bool operator==(const TFileStamp& Other) const { return Size == Other.Size && Modified == Other.Modified; }
    bool operator!=(const TFileStamp& Other) const { return !(*this == Other); }
};

// A file held while the stream lives.
class TFileStream : public TStream {
public:
    // Read-only, held as Hold says: fails while the file is held in a way
    // that excludes it, and keeps such holders out until released. Refuses
    // folders, pipes, devices and files of 2 GiB or more.
    static std::unique_ptr<TFileStream> OpenRead(const std::string& FileName, THold Hold);
    static std::unique_ptr<TFileStream> OpenExclusiveRead(const std::string& FileName)
    {
        return OpenRead(FileName, THold::Exclusive);
    }
    // Read/write, held exclusively, replacing any existing content. The content
    // is cut only once the hold is taken, so a file held elsewhere stays untouched.
    static std::unique_ptr<TFileStream> CreateExclusive(const std::string& FileName);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    std::int64_t Read(void* Buffer, std::int64_t Count) override;
    std::int64_t Write(const void* Buffer, std::int64_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    // The same open file, not a second open (which the holder's share mode
    // refuses on Windows): the hold stands while either stream lives. Raises
    // EReadError when the system refuses a handle.
    std::unique_ptr<TStream> Duplicate() const override;
    int LastError() const override { return FLastError; }
    // What the system says of the open file now; Size -1 when it cannot tell.
    TFileStamp Stamp() const;

private:
    explicit TFileStream(NativeHandle Handle) : FHandle(Handle) {}
    NativeHandle FHandle;
    int FLastError = 0;
    // Kept here rather than in the system's file pointer: every read and write
    // is positioned, one call each, and a seek costs no call at all.
    std::int64_t FPosition = 0;
};

// The bytes of a pipe, a FIFO or a device, read to their end as cat reads
// them ("-": standard input); refused with EFOpenError once they reach 2 GiB.
std::unique_ptr<TMemoryStream> ReadToEnd(const std::string& FileName);
// True for "-" and for a name of a pipe, a FIFO or a device: what ReadToEnd
// reads and OpenRead refuses.
bool IsStreamed(const std::string& FileName);
// Removes a regular file (what was written of a failed export); nothing else.
void RemoveRegularFile(const std::string& FileName) noexcept;

// The full (absolute) form of a path, as the messages show it.
std::string FullPath(const std::string& FileName);

#ifdef _WIN32
// Paths are UTF-8 here as everywhere else; the system takes them as UTF-16, so
// that names outside the ANSI code page work. False, with the reason in
// GetLastError, when Text is not UTF-8 or holds a NUL.
bool Utf8ToWide(const std::string& Text, std::wstring& Wide);
std::string WideToUtf8(const wchar_t* Text, std::size_t Length);
#endif

// Files of this size or more cannot be loaded: offsets are signed 32-bit.
constexpr std::int64_t MaxFileSize = std::int64_t(1) << 31;

// The seam under every file operation, so tests can fake short reads, read
// errors, full disks and failing opens. Each function returns what the system
// call would; an error code goes into *Error (errno, or GetLastError on Windows).
struct TFileIo {
    // Positioned: Offset is the byte offset in the file to read or write at.
    std::int64_t (*Read)(NativeHandle, void*, std::int64_t Count, std::int64_t Offset, int* Error);
    std::int64_t (*Write)(NativeHandle, const void*, std::int64_t Count, std::int64_t Offset, int* Error);
    // Returns 0, or the error code of a failed open (before the file is touched).
    int (*BeforeOpen)(const std::string& FullPath, bool ForCreate);
};
TFileIo& FileIo();             // the functions in use
const TFileIo& SystemFileIo(); // the real ones

// Installs replacement I/O functions for the lifetime of the guard (tests).
class TFileIoOverride {
public:
    explicit TFileIoOverride(const TFileIo& Replacement) : FSaved(FileIo()) { FileIo() = Replacement; }
    ~TFileIoOverride() { FileIo() = FSaved; }
    TFileIoOverride(const TFileIoOverride&) = delete;
    TFileIoOverride& operator=(const TFileIoOverride&) = delete;

private:
    TFileIo FSaved;
};

// The system's text for an error code, in words a user understands.
std::string SystemErrorText(int Error);

} // namespace platform
