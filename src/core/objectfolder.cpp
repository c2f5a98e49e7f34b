#include "core/objectfolder.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const std::string_view SObjectLine = "OBJECT ";
const std::string_view SByteOrderMark = "\xEF\xBB\xBF";
const char* const SFolderError = "Cannot open folder \"%s\". %s";
const char* const SFileError = "Cannot read file \"%s\". %s";
const char* const SChanged = "It has changed since the folder was opened.";
const char* const STooLarge =
    "Its object files come to 2 GiB or more; only up to 2 GiB (2,147,483,648 bytes) can be opened.";
constexpr std::int64_t HeadSize = 4096;

std::string Message(const char* Format, const std::string& Path, const std::string& Reason)
{
    std::string Text = Format;
    Text.replace(Text.find("%s"), 2, Path);
    Text.replace(Text.find("%s"), 2, Reason);
    return Text;
}

std::string Utf8(const fs::path& Path)
{
    return Path.u8string();
}

// A file found under the folder.
struct TFound {
    std::string Path; // relative, '/' between names
    std::string Full;
};

// Every regular file under Root, in the byte order of its relative path.
std::vector<TFound> RegularFiles(const fs::path& Root)
{
    const auto Refuse = [&Root](const std::error_code& Error) {
        throw platform::EFOpenError(Message(SFolderError, platform::FullPath(Utf8(Root)), Error.message()));
    };
    std::vector<TFound> Found;
    std::error_code Error;
    fs::recursive_directory_iterator It(Root, fs::directory_options::none, Error);
    if (Error)
        Refuse(Error);
    for (; It != fs::recursive_directory_iterator(); It.increment(Error)) {
        if (Error)
            Refuse(Error);
        if (It->is_regular_file(Error))
            Found.push_back({It->path().lexically_relative(Root).generic_u8string(), Utf8(It->path())});
    }
    if (Error)
        Refuse(Error);
    std::sort(Found.begin(), Found.end(), [](const TFound& A, const TFound& B) { return A.Path < B.Path; });
    return Found;
}

bool IsBreak(char C) { return C == '\r' || C == '\n'; }

// What the scan learns of one file.
struct TLook {
    bool Objects = false;    // it starts with an object line
    bool LaterObject = false; // else: an object line comes after other text
    std::int64_t Skip = 0;
    std::string LineBreak; // its first line break
    bool EndsWithBreak = false;
    platform::TFileStamp Stamp;
};

// Reads the file's bytes from Offset on, a piece at a time, until Done says
// it has seen enough; raises naming the file when a read fails.
template <typename TDone>
void ReadFrom(platform::TFileStream& File, const std::string& Path, std::int64_t Offset, std::string& Bytes,
              TDone Done)
{
    Bytes.clear();
    std::int64_t Piece = HeadSize;
    for (bool AtEnd = false; !Done(Bytes) && !AtEnd;) {
        const std::size_t Old = Bytes.size();
        Bytes.resize(Old + std::size_t(Piece));
        File.Seek(Offset + std::int64_t(Old), platform::TSeekOrigin::soBeginning);
        const std::int64_t Got = File.Read(Bytes.data() + Old, Piece);
        Bytes.resize(Old + std::size_t(Got));
        if (File.LastError())
            throw platform::EFOpenError(Message(SFileError, Path, platform::SystemErrorText(File.LastError())));
        AtEnd = Got < Piece;
        Piece = std::min<std::int64_t>(Piece * 4, 1 << 20);
    }
}

// Where the first object line begins after a byte order mark and blank lines
// (lines of spaces and tabs at most); -1 when something else comes first, -2
// when Head (not the Whole file) ends before it tells.
std::int64_t FirstObjectLine(std::string_view Head, bool Whole)
{
    std::size_t P = Head.substr(0, SByteOrderMark.size()) == SByteOrderMark ? SByteOrderMark.size() : 0;
    std::size_t LineStart = P;
    for (; P < Head.size(); ++P) {
        if (IsBreak(Head[P]))
            LineStart = P + 1;
        else if (Head[P] != ' ' && Head[P] != '\t')
            break;
    }
    if (Head.size() - LineStart < SObjectLine.size())
        return Whole ? -1 : -2;
    return Head.compare(LineStart, SObjectLine.size(), SObjectLine) == 0 ? std::int64_t(LineStart) : -1;
}

TLook Look(const std::string& Full)
{
    const std::unique_ptr<platform::TFileStream> File = platform::TFileStream::OpenRead(Full, platform::THold::Shared);
    const std::string Path = platform::FullPath(Full);
    TLook Result;
    Result.Stamp = File->Stamp();
    const std::int64_t Size = Result.Stamp.Size;
    std::string Bytes;
    std::int64_t Skip = -2;
    ReadFrom(*File, Path, 0, Bytes, [&](const std::string& Head) {
        Skip = FirstObjectLine(Head, std::int64_t(Head.size()) >= Size);
        return Skip != -2 || std::int64_t(Head.size()) >= Size;
    });
    if (Skip < 0) {
        // Passed over; said by name if an object line comes later all the same.
        ReadFrom(*File, Path, 0, Bytes, [](const std::string&) { return false; });
        for (std::size_t At = Bytes.find(SObjectLine); At != std::string::npos && !Result.LaterObject;
             At = Bytes.find(SObjectLine, At + 1))
            Result.LaterObject = At > 0 && IsBreak(Bytes[At - 1]);
        return Result;
    }
    Result.Objects = true;
    Result.Skip = Skip;
    std::size_t Break = std::string::npos;
    ReadFrom(*File, Path, Skip, Bytes, [&](const std::string& Text) {
        Break = Text.find_first_of("\r\n");
        return Break != std::string::npos && Break + 1 < Text.size();
    });
    if (Break != std::string::npos)
        Result.LineBreak = Bytes[Break] == '\r' && Break + 1 < Bytes.size() && Bytes[Break + 1] == '\n'
                               ? "\r\n"
                               : std::string(1, Bytes[Break]);
    else
        Result.LineBreak = "\r\n"; // the object line alone: the format's own break
    ReadFrom(*File, Path, Size - 1, Bytes, [](const std::string& Last) { return !Last.empty(); });
    Result.EndsWithBreak = !Bytes.empty() && IsBreak(Bytes[0]);
    if (File->Stamp() != Result.Stamp)
        throw platform::EFOpenError(Message(SFileError, Path, SChanged));
    return Result;
}

} // namespace

std::shared_ptr<const TObjectFolder> TObjectFolder::Scan(const std::string& Folder)
{
    const fs::path Root = fs::u8path(Folder);
    std::shared_ptr<TObjectFolder> Result(new TObjectFolder());
    Result->FFolder = Folder;
    std::vector<std::string> Breaks; // each file's, for the one added after it
    std::vector<bool> EndsWithBreak;
    for (const TFound& Found : RegularFiles(Root)) {
        const TLook Seen = Look(Found.Full);
        if (!Seen.Objects) {
            ++Result->FPassedOver;
            if (Seen.LaterObject)
                Result->FTextBeforeObjects.push_back(Found.Path);
            continue;
        }
        TFolderFile File;
        File.Path = Found.Path;
        File.Skip = Seen.Skip;
        File.Length = Seen.Stamp.Size - Seen.Skip;
        File.Stamp = Seen.Stamp;
        Result->FFiles.push_back(std::move(File));
        Breaks.push_back(Seen.LineBreak);
        EndsWithBreak.push_back(Seen.EndsWithBreak);
    }
    std::int64_t Start = 0;
    for (std::size_t I = 0; I < Result->FFiles.size(); ++I) {
        TFolderFile& File = Result->FFiles[I];
        File.Start = Start;
        // The next file's object line must start a line of its own.
        if (!EndsWithBreak[I] && I + 1 < Result->FFiles.size())
            File.Break = Breaks[I];
        Start = File.End();
    }
    if (Start >= platform::MaxFileSize)
        throw platform::EFOpenError(Message(SFolderError, platform::FullPath(Folder), STooLarge));
    return Result;
}

std::size_t TObjectFolder::FileAt(std::int64_t Offset) const
{
    const auto After = std::upper_bound(FFiles.begin(), FFiles.end(), Offset,
                                        [](std::int64_t At, const TFolderFile& File) { return At < File.Start; });
    if (After == FFiles.begin() || Offset >= Size())
        return FFiles.size();
    return std::size_t(After - FFiles.begin()) - 1;
}

std::string TObjectFolder::FullPath(const std::string& Path) const
{
    return platform::FullPath(Utf8(fs::u8path(FFolder) / fs::u8path(Path)));
}

bool IsFolder(const std::string& Name)
{
    std::error_code Error;
    try {
        return fs::is_directory(fs::u8path(Name), Error);
    } catch (const std::exception&) { // not UTF-8 (Windows): not a folder we can read
        return false;
    }
}

// --- TFolderStream ---------------------------------------------------------

TFolderStream::TFolderStream(std::shared_ptr<const TObjectFolder> Folder) : FFolder(std::move(Folder)) {}

std::int64_t TFolderStream::Read(void* Buffer, std::int64_t Count)
{
    char* Into = static_cast<char*>(Buffer);
    std::int64_t Done = 0;
    while (Done < Count) {
        const std::size_t Index = FFolder->FileAt(FPosition);
        if (Index >= FFolder->Files().size())
            break;
        const TFolderFile& File = FFolder->Files()[Index];
        const std::int64_t In = FPosition - File.Start;
        std::int64_t Step = 0;
        if (In < File.Length) {
            Step = std::min(Count - Done, File.Length - In);
            if (!ReadFile(Index, File.Skip + In, Into + Done, Step))
                break;
        } else {
            Step = std::min(Count - Done, File.End() - FPosition);
            std::memcpy(Into + Done, File.Break.data() + (In - File.Length), std::size_t(Step));
        }
        Done += Step;
        FPosition += Step;
    }
    FOpen.reset(); // held only while read
    return Done;
}

bool TFolderStream::ReadFile(std::size_t Index, std::int64_t Offset, char* Buffer, std::int64_t Count)
{
    const TFolderFile& File = FFolder->Files()[Index];
    if (!FOpen || FOpenIndex != Index) {
        try {
            FOpen = platform::TFileStream::OpenRead(FFolder->FullPath(File.Path), platform::THold::Shared);
        } catch (const platform::EQuibError& Error) {
            FFailure = Error.what();
            FLastError = 0;
            return false;
        }
        FOpenIndex = Index;
    }
    if (FOpen->Stamp() != File.Stamp)
        return Fail(File, SChanged);
    if (FOpen->Seek(Offset, platform::TSeekOrigin::soBeginning) != Offset || FOpen->Read(Buffer, Count) != Count)
        return Fail(File, FOpen->LastError() ? platform::SystemErrorText(FOpen->LastError()) : SChanged,
                    FOpen->LastError());
    return true;
}

bool TFolderStream::Fail(const TFolderFile& File, const std::string& Reason, int Error)
{
    FFailure = Message(SFileError, FFolder->FullPath(File.Path), Reason);
    FLastError = Error;
    FOpen.reset();
    return false;
}

std::int64_t TFolderStream::Write(const void*, std::int64_t)
{
    return 0; // a folder's text is only read
}

std::int64_t TFolderStream::Seek(std::int64_t Offset, platform::TSeekOrigin Origin)
{
    std::int64_t Base = 0;
    if (Origin == platform::TSeekOrigin::soCurrent)
        Base = FPosition;
    else if (Origin == platform::TSeekOrigin::soEnd)
        Base = FFolder->Size();
    if (Base + Offset < 0)
        return -1;
    FPosition = Base + Offset;
    return FPosition;
}

std::unique_ptr<platform::TStream> TFolderStream::Duplicate() const
{
    return std::make_unique<TFolderStream>(FFolder);
}
