#include "climerge.h"

#include "clicommands.h"
#include "cliinput.h"
#include "clioutput.h"
#include "core/merge/filemerge.h"
#include "platform/filestream.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <set>
#include <stdexcept>

namespace cli {

namespace {

using merge::TMergeEntry;
using merge::TMergeStatus;

const char* StatusWord(TMergeStatus Status)
{
    switch (Status) {
    case TMergeStatus::Conflict: return "CONFLICT";
    case TMergeStatus::Merged: return "MERGED";
    case TMergeStatus::Ours: return "OURS";
    case TMergeStatus::Theirs: return "THEIRS";
    case TMergeStatus::Added: return "ADDED";
    case TMergeStatus::Deleted: return "DELETED";
    case TMergeStatus::Unchanged:
    case TMergeStatus::Pending: break;
    }
    return nullptr;
}

std::filesystem::path PathOf(const std::string& Name) { return std::filesystem::u8path(Name); }

bool SameFile(const std::string& A, const std::string& B)
{
    std::error_code Error;
    return std::filesystem::equivalent(PathOf(A), PathOf(B), Error) ||
           std::filesystem::weakly_canonical(PathOf(A), Error) == std::filesystem::weakly_canonical(PathOf(B), Error);
}

[[noreturn]] void CannotWrite(const std::string& Name, const platform::EWriteError& Error)
{
    std::string Reason =
        Error.SystemError() ? platform::SystemErrorText(Error.SystemError()) : std::string(Error.what());
    if (!Reason.empty() && Reason.back() != '.')
        Reason += '.';
    throw std::runtime_error("Cannot write file \"" + platform::FullPath(Name) + "\". " + Reason);
}

// A file written under a temporary name beside its place and renamed into it
// once complete; removed when it is not, so nothing partial is ever left.
class TSafeFile {
public:
    explicit TSafeFile(std::string Target) : FTarget(std::move(Target)), FTemporary(FTarget + ".merge-tmp")
    {
        FStream = platform::TFileStream::CreateExclusive(FTemporary);
    }
    ~TSafeFile()
    {
        if (FStream) {
            FStream.reset();
            platform::RemoveRegularFile(FTemporary);
        }
    }
    TSafeFile(const TSafeFile&) = delete;
    TSafeFile& operator=(const TSafeFile&) = delete;

    void Write(std::string_view Bytes)
    {
        FBuffer.append(Bytes);
        if (FBuffer.size() >= (8u << 20))
            Flush();
    }
    void Commit()
    {
        Flush();
        FStream.reset();
        std::error_code Error;
        std::filesystem::rename(PathOf(FTemporary), PathOf(FTarget), Error);
        if (Error) {
            platform::RemoveRegularFile(FTemporary);
            throw std::runtime_error("Cannot write file \"" + platform::FullPath(FTarget) + "\". " + Error.message() +
                                     ".");
        }
    }

private:
    void Flush()
    {
        try {
            if (FStream->Write(FBuffer.data(), std::int64_t(FBuffer.size())) != std::int64_t(FBuffer.size()))
                throw platform::EWriteError("Not all of it could be written", FStream->LastError());
        } catch (const platform::EWriteError& Error) {
            CannotWrite(FTarget, Error);
        }
        FBuffer.clear();
    }

    std::string FTarget, FTemporary;
    std::unique_ptr<platform::TFileStream> FStream;
    std::string FBuffer;
};

// What comes before the first object of File (a comment line, mostly).
std::string Preamble(const TObjectTextFile& File)
{
    const std::int32_t Length = File.Count() > 0 ? File.Objects(0).Offset() : 0;
    std::string Bytes(std::size_t(Length), '\0');
    if (Length == 0)
        return Bytes;
    const std::unique_ptr<platform::TStream> Reader = File.SecondReader();
    if (!Reader || Reader->Seek(0, platform::TSeekOrigin::soBeginning) != 0 ||
        Reader->Read(Bytes.data(), Length) != Length)
        return {};
    return Bytes;
}

const TObjectTextObject& ObjectOf(const merge::TFileMerger& Merger, const TMergeEntry& Entry)
{
    if (const TObjectTextObject* Ours = Merger.OursObject(Entry))
        return *Ours;
    if (const TObjectTextObject* Theirs = Merger.TheirsObject(Entry))
        return *Theirs;
    return *Merger.BaseObject(Entry);
}

} // namespace

int Merge(const std::string& BaseName, const std::string& OursName, const std::string& TheirsName,
          TMergeCommand Command)
{
    for (const std::string* Input : {&BaseName, &OursName, &TheirsName})
        if (!Command.Output.empty() && SameFile(Command.Output, *Input))
            throw std::runtime_error("The merge would be written over its input \"" + platform::FullPath(*Input) +
                                     "\"; nothing was written.");
    TObjectTextFile Base, Ours, Theirs;
    LoadInput(Base, BaseName);
    LoadInput(Ours, OursName);
    LoadInput(Theirs, TheirsName);
    Command.Options.Markers.Base = BaseName;
    Command.Options.Markers.Ours = OursName;
    Command.Options.Markers.Theirs = TheirsName;

    std::vector<TMergeEntry> Entries = merge::MatchThree(Base, Ours, Theirs);
    merge::TFileMerger Merger(Base, Ours, Theirs, Command.Options);
    if (Command.Detect) {
        const TEncodingOption Auto{TEncodingOption::ekAuto};
        Merger.SetEncodings(FileEncodingsFor(Base, Auto), FileEncodingsFor(Ours, Auto), FileEncodingsFor(Theirs, Auto));
    }
    const bool Split = !Command.SplitInto.empty();
    if (Split) { // one object to a file: no two may share one
        std::set<std::string> Names;
        for (const TMergeEntry& Entry : Entries)
            if (!Names.insert(ObjectOf(Merger, Entry).GetExportFileName()).second)
                throw std::runtime_error("More than one object would be written to " +
                                         ObjectOf(Merger, Entry).GetExportFileName() + "; nothing was written.");
        std::error_code Error;
        std::filesystem::create_directories(PathOf(Command.SplitInto), Error);
        if (Error)
            throw std::runtime_error("Cannot create folder \"" + platform::FullPath(Command.SplitInto) + "\". " +
                                     Error.message() + ".");
    }
    const bool ToStandardOutput = !Split && Command.Output.empty();
    TOutput Out; // the export, or the lines
    std::string Lines; // the lines when the export takes standard output
    std::unique_ptr<TSafeFile> File;
    if (!Split && !ToStandardOutput)
        File = std::make_unique<TSafeFile>(Command.Output);
    const auto Write = [&](std::string_view Bytes) {
        if (File)
            File->Write(Bytes);
        else
            Out << Bytes;
    };
    const std::string_view Break = merge::FirstBreak(Ours.Count() > 0 ? Ours.Objects(0).GetText() : std::string());
    if (!Split)
        Write(Preamble(Ours));
    bool Conflicts = false;
    bool OpenLine = false; // the last object written ends without a break
    for (TMergeEntry& Entry : Entries) {
        const std::string_view Text = Merger.Merge(Entry);
        Conflicts = Conflicts || Entry.Status == TMergeStatus::Conflict;
        if (Split) {
            if (Entry.Status != TMergeStatus::Deleted) {
                const std::string Target = (PathOf(Command.SplitInto) / PathOf(ObjectOf(Merger, Entry).GetExportFileName())).u8string();
                TSafeFile One(Target);
                One.Write(Text);
                One.Commit();
            }
        } else if (!Text.empty()) {
            if (OpenLine)
                Write(Break);
            Write(Text);
            OpenLine = Text.back() != '\n';
        }
        const char* Word = StatusWord(Entry.Status);
        if (!Word || (!Command.Report && Entry.Status != TMergeStatus::Conflict))
            continue;
        std::string Line = std::string(Word) + '\t' + ObjectTypeNames[Entry.ObjectType] + '\t' +
                           std::to_string(Entry.ID) + '\t' + Escaped(ObjectOf(Merger, Entry).Name());
        if (Entry.Status == TMergeStatus::Conflict)
            Line += '\t' + std::to_string(Entry.Conflicts);
        Line += '\n';
        if (ToStandardOutput)
            Lines += Line;
        else
            Out << Line;
    }
    if (File)
        File->Commit();
    Out.Flush();
    if (!Lines.empty())
        std::fputs(Lines.c_str(), stderr);
    return Conflicts ? 1 : 0;
}

} // namespace cli
