#include "platform/profile.h"

#include "platform/filestream.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

namespace {

#ifdef _WIN32
constexpr const char* DefaultLineBreak = "\r\n";
#else
constexpr const char* DefaultLineBreak = "\n";
#endif

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

std::string_view Trim(std::string_view Text)
{
    while (!Text.empty() && IsBlank(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && IsBlank(Text.back()))
        Text.remove_suffix(1);
    return Text;
}

char UpperAZ(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 'a' + 'A') : C; }

bool SameName(std::string_view A, std::string_view B)
{
    if (A.size() != B.size())
        return false;
    for (std::size_t I = 0; I < A.size(); ++I)
        if (UpperAZ(A[I]) != UpperAZ(B[I]))
            return false;
    return true;
}

bool HasLineBreak(std::string_view Text) { return Text.find_first_of("\r\n") != std::string_view::npos; }

bool IsQuote(char C) { return C == '"' || C == '\''; }

// A value in a matching pair of quotes is read without them: that is how a
// hand-written value keeps blanks at its ends.
std::string_view Unquoted(std::string_view Value)
{
    if (Value.size() >= 2 && IsQuote(Value.front()) && Value.back() == Value.front())
        return Value.substr(1, Value.size() - 2);
    return Value;
}

// The value as written, so that reading gives it back: one that reading would
// change (blanks at an end, a matching pair of quotes) goes in double quotes.
std::string StoredValue(std::string_view Value)
{
    if (!Value.empty() && (IsBlank(Value.front()) || IsBlank(Value.back()) || Unquoted(Value).size() != Value.size()))
        return "\"" + std::string(Value) + "\"";
    return std::string(Value);
}

// "[Name]" with optional blanks; anything after the closing bracket is ignored.
bool ParseSectionLine(std::string_view Line, std::string_view& Name)
{
    Line = Trim(Line);
    if (Line.empty() || Line.front() != '[')
        return false;
    const std::size_t Close = Line.find(']');
    if (Close == std::string_view::npos)
        return false;
    Name = Trim(Line.substr(1, Close - 1));
    return true;
}

// "Key=Value"; comment lines and lines without '=' are not keys.
bool ParseKeyLine(std::string_view Line, std::string_view& Key, std::string_view& Value)
{
    const std::string_view Trimmed = Trim(Line);
    if (Trimmed.empty() || Trimmed.front() == ';' || Trimmed.front() == '[')
        return false;
    const std::size_t Equals = Trimmed.find('=');
    if (Equals == std::string_view::npos)
        return false;
    Key = Trim(Trimmed.substr(0, Equals));
    Value = Trim(Trimmed.substr(Equals + 1));
    return true;
}

bool ValidName(std::string_view Name)
{
    return !Name.empty() && Name.front() != '[' && Name.front() != ';' && !HasLineBreak(Name);
}

// NotSettings: something other than a settings file is at the path.
enum class TReadResult { Read, Missing, Failed, NotSettings };

// Appends what Step reads, a piece at a time, until the end (Step gives 0) or
// an error (Step gives less than 0). Stops once the content is too long to be
// a settings file, so a source that never ends cannot exhaust memory.
template <typename TStep>
TReadResult ReadPieces(std::string& Content, TStep Step)
{
    std::string Data;
    char Buffer[16384];
    for (;;) {
        const std::int64_t Got = Step(Buffer, sizeof Buffer);
        if (Got < 0)
            return TReadResult::Failed;
        if (Got == 0)
            break;
        Data.append(Buffer, std::size_t(Got));
        if (Data.size() > std::size_t(TProfile::MaxFileSize))
            return TReadResult::NotSettings;
    }
    Content = std::move(Data);
    return TReadResult::Read;
}

#ifdef _WIN32

// Closes a handle when it goes out of scope.
class THandle {
public:
    explicit THandle(HANDLE Handle) : FHandle(Handle) {}
    ~THandle()
    {
        if (FHandle != INVALID_HANDLE_VALUE)
            CloseHandle(FHandle);
    }
    THandle(const THandle&) = delete;
    THandle& operator=(const THandle&) = delete;
    HANDLE Get() const { return FHandle; }
    bool Close() { return CloseHandle(std::exchange(FHandle, INVALID_HANDLE_VALUE)) != 0; }

private:
    HANDLE FHandle;
};

TReadResult ReadWholeFile(const std::string& FileName, std::string& Content)
{
    std::wstring Path;
    if (!Utf8ToWide(FileName, Path))
        return TReadResult::Failed;
    THandle File(CreateFileW(Path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (File.Get() == INVALID_HANDLE_VALUE) {
        const DWORD Error = GetLastError();
        return Error == ERROR_FILE_NOT_FOUND || Error == ERROR_PATH_NOT_FOUND ? TReadResult::Missing
                                                                               : TReadResult::Failed;
    }
    // A device or a pipe may never end; a folder does not open here at all.
    LARGE_INTEGER Size{};
    if (GetFileType(File.Get()) != FILE_TYPE_DISK)
        return TReadResult::NotSettings;
    if (!GetFileSizeEx(File.Get(), &Size))
        return TReadResult::Failed;
    if (Size.QuadPart > TProfile::MaxFileSize)
        return TReadResult::NotSettings;
    return ReadPieces(Content, [&](char* Buffer, DWORD Count) -> std::int64_t {
        DWORD Got = 0;
        return ReadFile(File.Get(), Buffer, Count, &Got, nullptr) ? std::int64_t(Got) : -1;
    });
}

bool WriteWhole(HANDLE File, const std::string& Content)
{
    DWORD Written = 0;
    return Content.size() <= MAXDWORD &&
           WriteFile(File, Content.data(), static_cast<DWORD>(Content.size()), &Written, nullptr) &&
           Written == Content.size() && FlushFileBuffers(File);
}

// Rewrites the file where it is: not all-or-nothing, so only where no
// temporary file can be made beside it.
bool WriteInPlace(const std::wstring& Path, const std::string& Content)
{
    THandle File(CreateFileW(Path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    if (File.Get() == INVALID_HANDLE_VALUE)
        return false;
    const bool Ok = WriteWhole(File.Get(), Content);
    return File.Close() && Ok;
}

bool WriteFileSafely(const std::string& FileName, const std::string& Content)
{
    std::wstring Path;
    if (!Utf8ToWide(FileName, Path))
        return false;
    const DWORD Attributes = GetFileAttributesW(Path.c_str());
    if (Attributes != INVALID_FILE_ATTRIBUTES &&
        (Attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;

    const std::size_t Slash = Path.find_last_of(L"\\/");
    const std::wstring Folder = Slash == std::wstring::npos ? std::wstring(L".") : Path.substr(0, Slash + 1);
    wchar_t TempName[MAX_PATH];
    if (GetTempFileNameW(Folder.c_str(), L"zup", 0, TempName) == 0)
        // A folder that takes no new file may still hold a writable settings file.
        return Attributes != INVALID_FILE_ATTRIBUTES && WriteInPlace(Path, Content);

    THandle File(CreateFileW(TempName, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
    bool Ok = File.Get() != INVALID_HANDLE_VALUE && WriteWhole(File.Get(), Content);
    Ok = File.Close() && Ok;
    Ok = Ok && MoveFileExW(TempName, Path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!Ok)
        DeleteFileW(TempName);
    return Ok;
}

#else

// Closes a descriptor when it goes out of scope.
class TFd {
public:
    explicit TFd(int Fd) : FFd(Fd) {}
    ~TFd()
    {
        if (FFd >= 0)
            ::close(FFd);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return FFd; }
    bool Close() { return ::close(std::exchange(FFd, -1)) == 0; }

private:
    int FFd;
};

TReadResult Classify(const struct stat& Info)
{
    // A folder is an unreadable file, as fopen would say: kept, and a write to it refused.
    if (S_ISDIR(Info.st_mode))
        return TReadResult::Failed;
    if (!S_ISREG(Info.st_mode) || Info.st_size > TProfile::MaxFileSize)
        return TReadResult::NotSettings;
    return TReadResult::Read;
}

TReadResult ReadWholeFile(const std::string& FileName, std::string& Content)
{
    // Looked at before it is opened: opening a pipe waits for a writer, and
    // opening a device may do anything.
    struct stat Info {};
    if (::stat(FileName.c_str(), &Info) != 0)
        return errno == ENOENT ? TReadResult::Missing : TReadResult::Failed;
    if (const TReadResult Kind = Classify(Info); Kind != TReadResult::Read)
        return Kind;
    // The path may have changed in between: the open must not wait either, and
    // what has been opened is looked at again.
    const TFd File(::open(FileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (File.Get() < 0)
        return errno == ENOENT ? TReadResult::Missing : TReadResult::Failed;
    if (::fstat(File.Get(), &Info) != 0)
        return TReadResult::Failed;
    if (const TReadResult Kind = Classify(Info); Kind != TReadResult::Read)
        return Kind;
    return ReadPieces(Content, [&](char* Buffer, std::size_t Count) -> std::int64_t {
        for (;;) {
            const ssize_t Got = ::read(File.Get(), Buffer, Count);
            if (Got >= 0 || errno != EINTR)
                return Got;
        }
    });
}

// Removes the temporary file unless the rename has taken it over.
class TTempFile {
public:
    explicit TTempFile(std::string Name) : FName(std::move(Name)) {}
    ~TTempFile()
    {
        if (!FName.empty())
            ::unlink(FName.c_str());
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;
    const std::string& Name() const { return FName; }
    void Release() { FName.clear(); }

private:
    std::string FName;
};

bool WriteAll(int Fd, const std::string& Content)
{
    const char* Data = Content.data();
    std::size_t Left = Content.size();
    while (Left > 0) {
        const ssize_t Done = ::write(Fd, Data, Left);
        if (Done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        Data += Done;
        Left -= static_cast<std::size_t>(Done);
    }
    return true;
}

// Rewrites the file where it is: not all-or-nothing, so only where no
// temporary file can be made beside it.
bool WriteInPlace(const std::string& FileName, const std::string& Content)
{
    // Cut only once it is known to be a regular file still.
    TFd File(::open(FileName.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (File.Get() < 0)
        return false;
    struct stat Info {};
    const bool Ok = ::fstat(File.Get(), &Info) == 0 && S_ISREG(Info.st_mode) && ::ftruncate(File.Get(), 0) == 0 &&
                    WriteAll(File.Get(), Content) && ::fsync(File.Get()) == 0;
    return File.Close() && Ok;
}

bool WriteFileSafely(const std::string& FileName, const std::string& Content)
{
    // Renaming over a file only needs a writable folder here; a read-only
    // settings file must stay as it is, as it would on Windows.
    struct stat Old {};
    const bool Exists = ::stat(FileName.c_str(), &Old) == 0;
    if (Exists && (!S_ISREG(Old.st_mode) || (Old.st_mode & 0222) == 0 ||
                   ::faccessat(AT_FDCWD, FileName.c_str(), W_OK, AT_EACCESS) != 0))
        return false;

    std::string Pattern = FileName + ".XXXXXX";
    const int Fd = ::mkstemp(Pattern.data());
    if (Fd < 0)
        // A folder that takes no new file (read-only, say) may still hold a
        // writable settings file; a new one cannot be made there either way.
        return Exists && WriteInPlace(FileName, Content);
    TTempFile Temp(Pattern);

    // mkstemp creates the file as 0600; keep the old file's mode, or give a new
    // file the mode any other new file gets (the program has one thread).
    const mode_t Mask = ::umask(0);
    ::umask(Mask);
    const mode_t Mode = Exists ? (Old.st_mode & 07777) : (0666 & ~Mask);
    bool Ok = WriteAll(Fd, Content) && ::fchmod(Fd, Mode) == 0 && ::fsync(Fd) == 0;
    Ok = ::close(Fd) == 0 && Ok;
    if (!Ok || std::rename(Temp.Name().c_str(), FileName.c_str()) != 0)
        return false;
    Temp.Release();
    return true;
}

#endif

}  // namespace

TProfile::TProfile(std::string FileName) : FFileName(std::move(FileName)), FLineBreak(DefaultLineBreak)
{
    std::string Content;
    switch (ReadWholeFile(FFileName, Content)) {
    case TReadResult::Read:
        Parse(Content);
        break;
    case TReadResult::Missing:
        break;
    case TReadResult::Failed:
        // Reads as empty, but writing back would wipe what could not be read.
        FUnreadable = true;
        break;
    case TReadResult::NotSettings:
        FUnusable = true;
        break;
    }
}

void TProfile::Parse(const std::string& Content)
{
    // A UTF-8 mark from an editor must not hide the first section header.
    std::size_t Pos = Content.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    FPrefix = Content.substr(0, Pos);
    bool BreakSeen = false;
    while (Pos < Content.size()) {
        const std::size_t Stop = Content.find_first_of("\r\n", Pos);
        TLine Line;
        if (Stop == std::string::npos) {
            Line.Text = Content.substr(Pos);
            Pos = Content.size();
        } else {
            const std::size_t BreakLength = (Content[Stop] == '\r' && Stop + 1 < Content.size() &&
                                             Content[Stop + 1] == '\n') ? 2 : 1;
            Line.Text = Content.substr(Pos, Stop - Pos);
            Line.Break = Content.substr(Stop, BreakLength);
            Pos = Stop + BreakLength;
            if (!BreakSeen) {
                FLineBreak = Line.Break;
                BreakSeen = true;
            }
        }
        FLines.push_back(std::move(Line));
    }
}

bool TProfile::FindSection(std::string_view Section, TSectionSpan& Span) const
{
    Section = Trim(Section);
    std::string_view Name;
    std::size_t I = 0;
    while (I < FLines.size() && !(ParseSectionLine(FLines[I].Text, Name) && SameName(Name, Section)))
        ++I;
    if (I == FLines.size())
        return false;
    Span.Header = I;
    for (Span.End = I + 1; Span.End < FLines.size(); ++Span.End)
        if (ParseSectionLine(FLines[Span.End].Text, Name))
            break;
    return true;
}

bool TProfile::FindKey(const TSectionSpan& Span, std::string_view Key, std::size_t& Index) const
{
    Key = Trim(Key);
    std::string_view Name, Value;
    for (std::size_t I = Span.Header + 1; I < Span.End; ++I)
        if (ParseKeyLine(FLines[I].Text, Name, Value) && SameName(Name, Key)) {
            Index = I;
            return true;
        }
    return false;
}

// After the section's last key, so blank lines and comments that close the
// section stay below it; right after the header when it has no keys.
std::size_t TProfile::NewKeyPosition(const TSectionSpan& Span) const
{
    std::string_view Name, Value;
    for (std::size_t I = Span.End; I > Span.Header + 1; --I)
        if (ParseKeyLine(FLines[I - 1].Text, Name, Value))
            return I;
    return Span.Header + 1;
}

bool TProfile::ReadString(std::string_view Section, std::string_view Key, std::string& Value) const
{
    TSectionSpan Span{};
    std::size_t Index = 0;
    if (!FindSection(Section, Span) || !FindKey(Span, Key, Index))
        return false;
    std::string_view Name, Stored;
    ParseKeyLine(FLines[Index].Text, Name, Stored);
    Value.assign(Unquoted(Stored).substr(0, MaxValueLength));
    return true;
}

void TProfile::InsertLine(std::vector<TLine>& Lines, std::size_t Index, std::string Text,
                          const std::string& Break)
{
    // The last line may lack its line break; it needs one before anything follows it.
    if (Index > 0 && Lines[Index - 1].Break.empty())
        Lines[Index - 1].Break = Break;
    Lines.insert(Lines.begin() + static_cast<std::ptrdiff_t>(Index), TLine{std::move(Text), Break});
}

std::string TProfile::Join(const std::vector<TLine>& Lines) const
{
    std::string Content = FPrefix;
    for (const TLine& Line : Lines)
        Content.append(Line.Text).append(Line.Break);
    return Content;
}

bool TProfile::WriteString(std::string_view Section, std::string_view Key, std::string_view Value)
{
    Section = Trim(Section);
    Key = Trim(Key);
    if (FUnreadable || !ValidName(Section) || Section.find(']') != std::string_view::npos ||
        !ValidName(Key) || Key.find('=') != std::string_view::npos || HasLineBreak(Value))
        return false;
    if (FUnusable)
        return true;

    std::vector<TLine> Lines = FLines;
    const std::string NewLine = std::string(Key) + "=" + StoredValue(Value);
    TSectionSpan Span{};
    std::size_t Index = 0;
    if (!FindSection(Section, Span)) {
        InsertLine(Lines, Lines.size(), "[" + std::string(Section) + "]", FLineBreak);
        InsertLine(Lines, Lines.size(), NewLine, FLineBreak);
    } else if (FindKey(Span, Key, Index)) {
        // Keep the key as the file spells it; only the value changes.
        std::string_view Stored, OldValue;
        ParseKeyLine(Lines[Index].Text, Stored, OldValue);
        Lines[Index].Text = std::string(Stored) + "=" + StoredValue(Value);
    } else {
        InsertLine(Lines, NewKeyPosition(Span), NewLine, FLineBreak);
    }

    if (!WriteFileSafely(FFileName, Join(Lines)))
        return false;
    FLines = std::move(Lines);
    return true;
}

bool ParseProfileInteger(std::string_view Text, std::int32_t& Value)
{
    bool Negative = false;
    if (!Text.empty() && (Text.front() == '+' || Text.front() == '-')) {
        Negative = Text.front() == '-';
        Text.remove_prefix(1);
    }
    unsigned Base = 10;
    if (!Text.empty() && Text.front() == '$') {
        Base = 16;
        Text.remove_prefix(1);
    } else if (Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X')) {
        Base = 16;
        Text.remove_prefix(2);
    }
    if (Text.empty())
        return false;

    // Decimal must fit the signed range; hexadecimal is a 32-bit pattern.
    const std::uint64_t Limit = Base == 16 ? 0xFFFFFFFFu
                                           : (Negative ? 0x80000000u : 0x7FFFFFFFu);
    std::uint64_t Magnitude = 0;
    for (const char C : Text) {
        unsigned Digit;
        if (C >= '0' && C <= '9')
            Digit = static_cast<unsigned>(C - '0');
        else if (Base == 16 && UpperAZ(C) >= 'A' && UpperAZ(C) <= 'F')
            Digit = static_cast<unsigned>(UpperAZ(C) - 'A' + 10);
        else
            return false;
        Magnitude = Magnitude * Base + Digit;
        if (Magnitude > Limit)
            return false;
    }
    std::uint32_t Bits = static_cast<std::uint32_t>(Magnitude);
    if (Negative)
        Bits = 0u - Bits;
    Value = static_cast<std::int32_t>(Bits);
    return true;
}

std::int32_t ReadInteger(const TProfile& Profile, std::string_view Section, std::string_view Key,
                         std::int32_t Default)
{
    std::string Text;
    std::int32_t Value = 0;
    if (Profile.ReadString(Section, Key, Text) && ParseProfileInteger(Text, Value))
        return Value;
    return Default;
}

bool ReadFlag(const TProfile& Profile, std::string_view Section, std::string_view Key, bool Default)
{
    return (ReadInteger(Profile, Section, Key, Default ? 1 : 0) & 0xFF) != 0;
}

std::string ReadStringDefault(const TProfile& Profile, std::string_view Section,
                              std::string_view Key, std::string_view Default)
{
    std::string Value;
    if (!Profile.ReadString(Section, Key, Value))
        Value.assign(Default);
    return Value;
}

bool WriteInteger(TProfile& Profile, std::string_view Section, std::string_view Key, std::int32_t Value)
{
    return Profile.WriteString(Section, Key, std::to_string(Value));
}

}  // namespace platform
