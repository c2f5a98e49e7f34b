#include "clireferences.h"

#include "cliinput.h"
#include "clioutput.h"
#include "core/objectreference.h"
#include "core/references/referenceindex.h"
#include "core/references/targetfilter.h"

#include <memory>
#include <optional>
#include <stdexcept>

namespace cli {

namespace {

TObjectReference ParsedTarget(const std::string& Target)
{
    const std::optional<TObjectReference> Reference = ParseObjectReference(Target);
    if (!Reference)
        throw std::runtime_error("\"" + Target + "\" names no object; write it as Go to Object reads it: "
                                 "Table 18, t18, codeunit 80, p21 or 18.");
    return *Reference;
}

std::unique_ptr<platform::TStream> ReaderOf(const TObjectTextFile& File)
{
    std::unique_ptr<platform::TStream> Reader = File.SecondReader();
    if (!Reader)
        throw platform::EReadError("Stream read error");
    return Reader;
}

// The line of Text around Offset, without its line break.
std::string_view LineAround(std::string_view Text, std::size_t Offset)
{
    std::size_t Start = Offset, End = Offset;
    while (Start > 0 && Text[Start - 1] != '\r' && Text[Start - 1] != '\n')
        --Start;
    while (End < Text.size() && Text[End] != '\r' && Text[End] != '\n')
        ++End;
    return Text.substr(Start, End - Start);
}

} // namespace

int Refs(const std::string& FileName, const std::string& Target, const std::string& Member)
{
    const TObjectReference Reference = ParsedTarget(Target);
    TObjectTextFile File;
    // The objects that may refer to the target are told on the load's own
    // pass, so that only those are read again.
    references::TLoadFilter Filter(File, Reference.Type, Reference.ID);
    File.SetOnRead([&Filter](const char* Bytes, std::int64_t Position, std::int64_t Length) {
        Filter.Read(Bytes, Position, Length);
    });
    LoadInput(File, FileName);
    File.SetOnRead({});
    Filter.Finish();
    const references::TReferenceIndex Index(File);
    const std::int32_t Object = FindObject(File, Reference);
    if (Object < 0 && !Reference.Type)
        return 1; // no object of that number, and no kind to look for one missing
    const references::TTarget Wanted =
        Object >= 0 ? Index.TargetOf(Object) : references::TTarget{-1, *Reference.Type, Reference.ID, {}};
    const std::unique_ptr<platform::TStream> Reader = ReaderOf(File);
    TOutput Out;
    bool Found = false;
    std::int32_t LastObject = -1, LastLine = 0;
    Index.ScanFor(Wanted, Member, *Reader, [&](const references::TPlace& Place, std::string_view Text) {
        Found = true;
        if (Place.Object == LastObject && Place.Line == LastLine)
            return; // one line per referring line
        LastObject = Place.Object;
        LastLine = Place.Line;
        const TObjectTextObject& Referring = File.Objects(Place.Object);
        Out << Place.Object << '\t' << std::string_view(ObjectTypeNames[Referring.ObjectType()]) << '\t'
            << Referring.ID() << '\t' << Escaped(Referring.Name()) << '\t' << Place.Line << '\t'
            << Escaped(LineAround(Text, std::size_t(Place.Offset))) << '\n';
    }, Filter);
    Out.Flush();
    return Found ? 0 : 1;
}

int Deps(const std::string& FileName, const std::string& Target)
{
    const TObjectReference Reference = ParsedTarget(Target);
    TObjectTextFile File;
    LoadInput(File, FileName);
    const std::int32_t Object = FindObject(File, Reference);
    if (Object < 0)
        throw std::runtime_error("No object \"" + Target + "\" in " + FileName + ".");
    const references::TReferenceIndex Index(File);
    const std::unique_ptr<platform::TStream> Reader = ReaderOf(File);
    const std::vector<references::TDependency> Dependencies = Index.ScanDepsOf(Object, *Reader);
    TOutput Out;
    for (const references::TDependency& Dependency : Dependencies) {
        const references::TTarget& Used = Dependency.Target;
        Out << std::string_view(ObjectTypeNames[Used.Type]) << '\t';
        if (Used.ID != 0)
            Out << Used.ID;
        Out << '\t' << Escaped(Used.Name) << '\t' << Dependency.Count;
        if (Used.Object < 0)
            Out << "\tmissing";
        Out << '\n';
    }
    Out.Flush();
    return Dependencies.empty() ? 1 : 0;
}

} // namespace cli
