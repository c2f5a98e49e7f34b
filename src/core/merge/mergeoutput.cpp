#include "core/merge/mergeoutput.h"

#include "platform/filestream.h"

#include <filesystem>
#include <set>

namespace merge {
namespace {

std::filesystem::path PathOf(const std::string& Name)
{
    return std::filesystem::u8path(Name);
}

[[noreturn]] void CannotWrite(const std::string& Name, const std::string& Reason)
{
    std::string Why = Reason;
    if (!Why.empty() && Why.back() != '.')
        Why += '.';
    throw std::runtime_error("Cannot write file \"" + platform::FullPath(Name) + "\". " + Why);
}

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

// The line break OURS writes first; a break put between two objects is one.
std::string FirstBreakOf(const TObjectTextFile& File)
{
    std::string Text;
    if (File.Count() > 0)
        File.Objects(0).ReadTextInto(Text);
    return std::string(FirstBreak(Text));
}

} // namespace

TSafeFile::TSafeFile(std::string Target) : FTarget(std::move(Target)), FTemporary(FTarget + ".merge-tmp")
{
    FStream = platform::TFileStream::CreateExclusive(FTemporary);
}

TSafeFile::~TSafeFile()
{
    if (!FStream)
        return;
    FStream.reset();
    platform::RemoveRegularFile(FTemporary);
}

void TSafeFile::Write(std::string_view Bytes)
{
    FBuffer.append(Bytes);
    if (FBuffer.size() >= (8u << 20))
        Flush();
}

void TSafeFile::Flush()
{
    try {
        const auto Size = std::int64_t(FBuffer.size());
        if (FStream->Write(FBuffer.data(), Size) != Size)
            throw platform::EWriteError("Not all of it could be written", FStream->LastError());
    } catch (const platform::EWriteError& Error) {
        CannotWrite(FTarget, Error.SystemError() ? platform::SystemErrorText(Error.SystemError()) : Error.what());
    }
    FBuffer.clear();
}

void TSafeFile::Commit()
{
    Flush();
    FStream.reset();
    std::error_code Error;
    std::filesystem::rename(PathOf(FTemporary), PathOf(FTarget), Error);
    if (Error) {
        platform::RemoveRegularFile(FTemporary);
        CannotWrite(FTarget, Error.message());
    }
}

bool SameFile(const std::string& A, const std::string& B)
{
    std::error_code Error;
    return std::filesystem::equivalent(PathOf(A), PathOf(B), Error) ||
           std::filesystem::weakly_canonical(PathOf(A), Error) == std::filesystem::weakly_canonical(PathOf(B), Error);
}

const TObjectTextObject& TMergeOutput::ObjectOf(const TMergeEntry& Entry) const
{
    if (const TObjectTextObject* Ours = FMerger.OursObject(Entry))
        return *Ours;
    if (const TObjectTextObject* Theirs = FMerger.TheirsObject(Entry))
        return *Theirs;
    return *FMerger.BaseObject(Entry);
}

std::string_view TMergeOutput::Text(const TMergedTextOf& TextOf, TMergeEntry& Entry)
{
    return TextOf ? TextOf(Entry) : FMerger.Merge(Entry);
}

void TMergeOutput::Step(std::size_t Done, std::size_t Total) const
{
    if (FProgress && !FProgress(std::int32_t(Done), std::int32_t(Total)))
        throw EMergeCancelled();
}

void TMergeOutput::WriteExport(const TBytesSink& Out, std::vector<TMergeEntry>& Entries,
                               const TMergedTextOf& TextOf)
{
    const std::string Break = FirstBreakOf(FMerger.OursFile());
    Out(Preamble(FMerger.OursFile()));
    bool OpenLine = false; // the last object written ends without a break
    for (std::size_t Index = 0; Index < Entries.size(); ++Index) {
        const std::string_view Object = Text(TextOf, Entries[Index]);
        if (!Object.empty()) {
            if (OpenLine)
                Out(Break);
            Out(Object);
            OpenLine = Object.back() != '\n';
        }
        Step(Index + 1, Entries.size());
    }
}

void TMergeOutput::WriteFile(const std::string& FileName, std::vector<TMergeEntry>& Entries,
                             const TMergedTextOf& TextOf)
{
    TSafeFile File(FileName);
    WriteExport([&File](std::string_view Bytes) { File.Write(Bytes); }, Entries, TextOf);
    File.Commit();
}

void TMergeOutput::WriteSplit(const std::string& Folder, std::vector<TMergeEntry>& Entries,
                              const TMergedTextOf& TextOf)
{
    std::set<std::string> Names;
    for (const TMergeEntry& Entry : Entries)
        if (!Names.insert(ObjectOf(Entry).GetExportFileName()).second)
            throw std::runtime_error("More than one object would be written to " +
                                     ObjectOf(Entry).GetExportFileName() + "; nothing was written.");
    std::error_code Error;
    std::filesystem::create_directories(PathOf(Folder), Error);
    if (Error)
        throw std::runtime_error("Cannot create folder \"" + platform::FullPath(Folder) + "\". " + Error.message() +
                                 ".");
    for (std::size_t Index = 0; Index < Entries.size(); ++Index) {
        TMergeEntry& Entry = Entries[Index];
        const std::string_view Object = Text(TextOf, Entry);
        if (Entry.Status != TMergeStatus::Deleted) {
            TSafeFile One((PathOf(Folder) / PathOf(ObjectOf(Entry).GetExportFileName())).u8string());
            One.Write(Object);
            One.Commit();
        }
        Step(Index + 1, Entries.size());
    }
}

} // namespace merge
