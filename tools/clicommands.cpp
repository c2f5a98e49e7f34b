#include "clicommands.h"

#include "cliinput.h"
#include "clioutput.h"
#include "core/encodingchoice.h"
#include "core/fileencodings.h"
#include "core/search/findtext.h"
#include "core/quibfile.h"
#include "core/search/loadsearch.h"
#include "core/search/occurrences.h"

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unordered_set>
#include <utility>

namespace cli {

namespace {

using codepages::TEncoding;

const char* const SAscii = "ascii";

TEncoding EncodingAt(int Index) { return static_cast<TEncoding>(Index); }

// The encoding the choice reads object Index's bytes in; none for the bytes
// as they are. InFile: the whole file's detection, for auto.
std::optional<TEncoding> EncodingOf(std::int32_t Index, const TEncodingOption& Choice, const TFileEncodings* InFile)
{
    switch (Choice.Kind) {
    case TEncodingOption::ekFixed: return Choice.Encoding;
    case TEncodingOption::ekAuto: return InFile ? InFile->ForObject(Index) : std::nullopt;
    case TEncodingOption::ekNone: break;
    }
    return std::nullopt;
}

std::string InUtf8(std::string_view Bytes, const std::optional<TEncoding>& Encoding)
{
    return Encoding ? codepages::DecodeToUtf8(Bytes, *Encoding) : std::string(Bytes);
}

// The encoding find writes an object's name and lines in: its own as the
// search knows it, none for the bytes as they are.
std::optional<TEncoding> NameEncoding(const TObjectTextFile& File, std::int32_t ObjectIndex,
                                      const TEncodingOption& Choice, ::TEncodingChoice& Encodings)
{
    switch (Choice.Kind) {
    case TEncodingOption::ekFixed: return Choice.Encoding;
    case TEncodingOption::ekAuto:
        if (const std::optional<TEncoding> Known = Encodings.KnownForText(ObjectIndex))
            return Known;
        return Encodings.ForText(ObjectIndex, File.Objects(ObjectIndex).GetText());
    case TEncodingOption::ekNone: break;
    }
    return std::nullopt;
}

// File's objects as the search reads them; of Only, those objects alone.
search::TObjectList ObjectList(const TObjectTextFile& File, const std::vector<std::int32_t>& Only = {})
{
    const auto At = [&File](std::int32_t Index) {
        const TObjectTextObject& Object = File.Objects(Index);
        return search::TObjectBytes{Object.Offset(), Object.Size(), Object.ObjectType() == otReport};
    };
    if (Only.empty())
        return {File.Count(), At};
    return {std::int32_t(Only.size()), [At, &Only](std::int32_t Index) { return At(Only[std::size_t(Index)]); }};
}

// Every occurrence in Objects of File, through a reader of its own.
void SearchObjects(const TObjectTextFile& File, const search::TObjectList& Objects, const TFindText& Find,
                   ::TEncodingChoice& Encodings, const search::TOccurrenceCallbacks::TFound& Found)
{
    const std::unique_ptr<platform::TStream> Reader = File.SecondReader();
    if (!Reader || Objects.Count == 0)
        return;
    search::TOccurrenceSearch Search(*Reader, Objects, Find, Encodings);
    Search.Run(0, 0, Found);
}

// The line that begins at Start, without its line break.
std::string_view LineAt(std::string_view Text, std::size_t Start)
{
    const std::string_view Rest = Text.substr(Start);
    return Rest.substr(0, std::min(Rest.find_first_of("\r\n"), Rest.size()));
}

// The objects of the given indexes, all of them checked: a bad index is
// reported before anything is written.
std::vector<const TObjectTextObject*> Chosen(const TObjectTextFile& File, const std::vector<std::string>& Indexes)
{
    std::vector<std::int32_t> Numbers;
    for (const std::string& Index : Indexes)
        Numbers.push_back(StrToInt(Index));
    std::vector<const TObjectTextObject*> Objects;
    for (const std::int32_t Number : Numbers)
        Objects.push_back(&File.Objects(Number)); // raises for an index out of range
    return Objects;
}

// The --filter fields, in the order of TFilterField.
constexpr std::string_view FilterFieldOptions[FilterFieldCount] = {"type",     "id",   "name", "version",
                                                                   "modified", "date", "time"};

std::string Lowered(std::string_view Text)
{
    std::string Lower(Text);
    for (char& C : Lower)
        if (C >= 'A' && C <= 'Z')
            C = char(C - 'A' + 'a');
    return Lower;
}

// The --filter options compiled for the way list writes each object: on the
// bytes as they are, or written into the object's encoding, so that "@" folds
// the letters of its code page. Where an expression cannot be written in an
// encoding, the object's values are compared in UTF-8 instead.
class TListFilter {
public:
    explicit TListFilter(const std::vector<TFilterOption>& Options) : FOptions(Options)
    {
        // Malformed in one encoding is malformed in all: the syntax is ASCII.
        for (const auto& [Field, Expression] : Options)
            if (const std::string Error = FUtf8.Add(Field, Expression, &codepages::FoldTable(TEncoding::Utf8));
                !Error.empty())
                throw std::runtime_error("Bad filter for " + std::string(FilterFieldOptions[int(Field)]) + ": " +
                                         Error);
    }

    bool Active() const { return FUtf8.Active(); }

    // Encoding: the one list writes the object in (none: the bytes as they are).
    bool Matches(const TObjectTextObject& Object, const std::optional<TEncoding>& Encoding, std::string& Buffer)
    {
        if (!Active())
            return true;
        if (!Encoding) // the bytes, or plain ASCII, which reads the same in UTF-8
            return FUtf8.Matches(Object, Buffer);
        if (const TObjectFilter* Filter = In(*Encoding))
            return Filter->Matches(Object, Buffer);
        TPropertyValues Values;
        std::array<std::string, ObjectPropertyCount> Decoded;
        if (FUtf8.ReadsProperties()) {
            const TPropertyValues Bytes = Object.ReadProperties(Buffer);
            for (std::size_t I = 0; I < Values.size(); ++I)
                Values[I] = Decoded[I] = codepages::DecodeToUtf8(Bytes[I], *Encoding);
        }
        return FUtf8.Matches(Object.ObjectType(), Object.ID(), codepages::DecodeToUtf8(Object.Name(), *Encoding),
                             Values);
    }

private:
    // The filters written into Encoding; null when one cannot be.
    const TObjectFilter* In(TEncoding Encoding)
    {
        std::optional<TObjectFilter>& Filter = FIn[std::size_t(Encoding)];
        if (!FTried[std::size_t(Encoding)]) {
            FTried[std::size_t(Encoding)] = true;
            Filter.emplace();
            for (const auto& [Field, Expression] : FOptions) {
                const std::optional<std::string> Bytes = codepages::EncodeUtf8(Expression, Encoding);
                if (!Bytes) {
                    Filter.reset();
                    break;
                }
                Filter->Add(Field, *Bytes, &codepages::FoldTable(Encoding));
            }
        }
        return Filter ? &*Filter : nullptr;
    }

    std::vector<TFilterOption> FOptions;
    TObjectFilter FUtf8; // the expressions as given: on the bytes, or on values in UTF-8
    std::array<std::optional<TObjectFilter>, codepages::EncodingCount> FIn;
    std::array<bool, codepages::EncodingCount> FTried{};
};

// Writes Object to Target; a failed write names the file and the system's
// reason, and leaves nothing of it.
void Save(const TObjectTextObject& Object, const std::string& Target)
{
    try {
        Object.SaveToFile(Target);
    } catch (const platform::EWriteError& Error) {
        std::string Reason =
            Error.SystemError() ? platform::SystemErrorText(Error.SystemError()) : std::string(Error.what());
        if (!Reason.empty() && Reason.back() != '.')
            Reason += '.';
        throw std::runtime_error("Cannot write file \"" + platform::FullPath(Target) + "\". " + Reason);
    }
}

} // namespace

// The encodings of File's objects from the whole file, for --encoding auto:
// one more pass over the loaded file's objects (none for the other choices).
std::shared_ptr<const TFileEncodings> FileEncodingsFor(const TObjectTextFile& File, const TEncodingOption& Choice)
{
    if (Choice.Kind != TEncodingOption::ekAuto)
        return nullptr;
    const std::unique_ptr<platform::TStream> Reader = File.SecondReader();
    if (!Reader)
        throw platform::EReadError("Stream read error");
    return std::make_shared<const TFileEncodings>(*DetectFileEncodings(*Reader, ObjectRanges(File)));
}

TFilterOption FilterOption(std::string_view Text)
{
    const std::size_t Equals = Text.find('=');
    const std::string Field = Lowered(Text.substr(0, Equals));
    for (int I = 0; I < FilterFieldCount; ++I)
        if (Equals != std::string_view::npos && Field == FilterFieldOptions[I])
            return {TFilterField(I), std::string(Text.substr(Equals + 1))};
    std::string Fields;
    for (const std::string_view Name : FilterFieldOptions)
        Fields.append(Fields.empty() ? "" : ", ").append(Name);
    if (Equals == std::string_view::npos)
        throw std::runtime_error("A filter is FIELD=EXPR, not \"" + std::string(Text) + "\"; the fields are " +
                                 Fields + ".");
    throw std::runtime_error("Unknown filter field \"" + std::string(Text.substr(0, Equals)) +
                             "\"; the fields are " + Fields + ".");
}

TEncodingOption EncodingOption(std::string_view Name)
{
    const std::string Lower = Lowered(Name);
    if (Lower == "none")
        return {TEncodingOption::ekNone};
    if (Lower == "auto")
        return {TEncodingOption::ekAuto};
    if (const std::optional<TEncoding> Encoding = codepages::FromName(Lower))
        return {TEncodingOption::ekFixed, *Encoding};
    throw std::runtime_error("Unknown encoding \"" + std::string(Name) + "\"; the names are auto, none, " +
                             EncodingNames() + ".");
}

std::string EncodingNames()
{
    std::string Names;
    for (int I = 0; I < codepages::EncodingCount; ++I)
        Names.append(I > 0 ? ", " : "").append(codepages::Name(EncodingAt(I)));
    return Names;
}

int List(const std::string& FileName, const TEncodingOption& Encoding, const TListOptions& Options)
{
    TListFilter Filter(Options.Filters);
    TObjectTextFile File;
    LoadInput(File, FileName);
    const std::shared_ptr<const TFileEncodings> InFile = FileEncodingsFor(File, Encoding);
    TOutput Out;
    std::string Buffer; // the property values of one object at a time
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const TObjectTextObject& Object = File.Objects(I);
        const std::optional<TEncoding> ObjectEncoding = EncodingOf(I, Encoding, InFile.get());
        if (!Filter.Matches(Object, ObjectEncoding, Buffer))
            continue;
        Out << I << '\t' << std::string_view(ObjectTypeNames[Object.ObjectType()]) << '\t' << Object.ID() << '\t'
            << Escaped(InUtf8(Object.Name(), ObjectEncoding)) << '\t' << Object.Offset() << '\t' << Object.Size();
        if (Options.Properties)
            for (const std::string_view Value : Object.ReadProperties(Buffer))
                Out << '\t' << Escaped(InUtf8(Value, ObjectEncoding));
        Out << '\n';
    }
    Out.Flush();
    return 0;
}

int Find(const std::string& Text, const std::string& FileName, bool MatchCase, const TEncodingOption& Encoding,
         bool Lines)
{
    const TFindText Find = Encoding.Kind == TEncodingOption::ekNone ? TFindText::OfBytes(Text, MatchCase)
                                                                   : TFindText::OfUnicode(Text, MatchCase);
    TObjectTextFile File;
    TOutput Out;
    bool Found = false;
    ::TEncodingChoice Encodings;
    // Without --encoding the bytes as they stand: nothing is detected.
    if (Encoding.Kind != TEncodingOption::ekAuto)
        Encodings.SetChosen(Encoding.Kind == TEncodingOption::ekFixed ? Encoding.Encoding : TEncoding::Latin1);
    const auto Report = [&](std::int32_t ObjectIndex, std::int32_t Position) {
        Found = true;
        const std::optional<TEncoding> ObjectEncoding = NameEncoding(File, ObjectIndex, Encoding, Encodings);
        Out << ObjectIndex << '\t' << Position << '\t'
            << Escaped(InUtf8(File.Objects(ObjectIndex).GetDisplayText(), ObjectEncoding));
        return ObjectEncoding;
    };
    const auto ReportLine = [&](std::int32_t ObjectIndex, const search::TOccurrence& Occurrence) {
        const std::optional<TEncoding> ObjectEncoding = Report(ObjectIndex, Occurrence.Position + 1);
        if (Lines) {
            const std::string_view Line = LineAt(Occurrence.Text, std::size_t(Occurrence.LineStart));
            Out << '\t' << Occurrence.Line << '\t' << Escaped(InUtf8(Line, ObjectEncoding));
        }
        Out << '\n';
        return true;
    };
    // A text every encoding reads alike is looked for as the file loads,
    // unless the objects' encodings must be detected to write their names.
    // Its lines are counted after the load, in the objects it was found in.
    if (!Find.Empty() && !Find.DependsOnEncoding() && Encoding.Kind != TEncodingOption::ekAuto) {
        std::vector<std::int32_t> WithHits;
        search::TLoadSearch Search(*Find.In(codepages::TEncoding::Latin1), File,
                                   [&](std::int32_t ObjectIndex, std::int32_t Position) {
                                       if (Lines) {
                                           if (WithHits.empty() || WithHits.back() != ObjectIndex)
                                               WithHits.push_back(ObjectIndex);
                                           return;
                                       }
                                       Report(ObjectIndex, Position);
                                       Out << '\n';
                                   });
        File.SetOnRead([&Search](const char* Bytes, std::int64_t Position, std::int64_t Length) {
            Search.Read(Bytes, Position, Length);
        });
        LoadInput(File, FileName);
        Search.Finish();
        File.SetOnRead({});
        // The encoding is chosen here, so the sublist's indexes never reach a detection.
        if (!WithHits.empty())
            SearchObjects(File, ObjectList(File, WithHits), Find, Encodings,
                          [&](const search::TOccurrence& Occurrence) {
                              return ReportLine(WithHits[std::size_t(Occurrence.Object)], Occurrence);
                          });
        Out.Flush();
        return Found ? 0 : 1;
    }
    LoadInput(File, FileName);
    Encodings.Reset(File.Count());
    if (Encoding.Kind == TEncodingOption::ekAuto)
        Encodings.SetFileEncodings(FileEncodingsFor(File, Encoding));
    SearchObjects(File, ObjectList(File), Find, Encodings, [&](const search::TOccurrence& Occurrence) {
        return ReportLine(Occurrence.Object, Occurrence);
    });
    Out.Flush();
    return Found ? 0 : 1;
}

int Export(const std::string& FileName, const std::string& Folder, const std::vector<std::string>& Indexes,
           bool Force, bool Tree)
{
    const auto NameOf = [Tree](const TObjectTextObject& Object) {
        return Tree ? TreeFileName(Object) : Object.GetExportFileName();
    };
    TObjectTextFile File;
    LoadInput(File, FileName);
    std::vector<const TObjectTextObject*> Objects = Chosen(File, Indexes);
    if (Indexes.empty())
        for (std::int32_t I = 0; I < File.Count(); ++I)
            Objects.push_back(&File.Objects(I));
    // Paths are UTF-8 here, as the file layer takes them, on every system.
    const std::filesystem::path FolderPath = std::filesystem::u8path(Folder);
    // Forced or not, one file must not take two objects (duplicates in one file):
    // the second would replace the first.
    if (const std::vector<std::string> Shared = SharedExportNames(Objects, NameOf); !Shared.empty()) {
        std::string Message = "More than one object would be written to each of these files; none was written:";
        for (const std::string& Name : Shared)
            Message += "\n" + Name;
        throw std::runtime_error(Message);
    }
    std::vector<std::pair<const TObjectTextObject*, std::filesystem::path>> Exports;
    std::unordered_set<const TObjectTextObject*> Taken; // an index given twice is written once
    for (const TObjectTextObject* Object : Objects)
        if (Taken.insert(Object).second)
            Exports.emplace_back(Object, FolderPath / std::filesystem::u8path(NameOf(*Object)));
    // A bad index, a shared name or an existing file leaves the folder as it was.
    const auto CheckFree = [Force](const std::filesystem::path& Target) {
        if (!Force && std::filesystem::exists(Target))
            throw std::runtime_error(Target.u8string() + " already exists.");
    };
    for (const auto& Export : Exports)
        CheckFree(Export.second);
    for (const auto& [Object, Target] : Exports) {
        CheckFree(Target); // two objects of the same export name
        if (Tree)
            std::filesystem::create_directories(Target.parent_path());
        Save(*Object, Target.u8string());
    }
    return 0;
}

int Show(const std::string& FileName, const std::vector<std::string>& Indexes, const TEncodingOption& Encoding)
{
    TObjectTextFile File;
    LoadInput(File, FileName);
    const std::vector<const TObjectTextObject*> Objects = Chosen(File, Indexes);
    const std::shared_ptr<const TFileEncodings> InFile = FileEncodingsFor(File, Encoding);
    TOutput Out;
    for (std::size_t I = 0; I < Objects.size(); ++I)
        Out << InUtf8(Objects[I]->GetText(), EncodingOf(StrToInt(Indexes[I]), Encoding, InFile.get()));
    Out.Flush();
    return 0;
}

int Encodings(const std::string& FileName)
{
    TObjectTextFile File;
    LoadInput(File, FileName);
    const std::shared_ptr<const TFileEncodings> InFile = FileEncodingsFor(File, TEncodingOption{TEncodingOption::ekAuto});
    TOutput Out;
    // Objects per encoding; the last place counts the plain ASCII ones.
    std::array<std::int32_t, codepages::EncodingCount + 1> Counts{};
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const std::optional<TEncoding> Encoding = InFile->ForObject(I);
        ++Counts[Encoding ? int(*Encoding) : codepages::EncodingCount];
        Out << I << '\t' << (Encoding ? codepages::Name(*Encoding) : SAscii) << '\n';
    }
    Out << File.Count() << (File.Count() == 1 ? " object" : " objects");
    const char* Separator = ": ";
    const auto Add = [&](std::int32_t Count, std::string_view Name) {
        if (Count > 0) {
            Out << Separator << Count << ' ' << Name;
            Separator = ", ";
        }
    };
    Add(Counts[codepages::EncodingCount], SAscii);
    for (int I = 0; I < codepages::EncodingCount; ++I)
        Add(Counts[I], codepages::Name(EncodingAt(I)));
    Out << '\n';
    Out.Flush();
    return 0;
}

} // namespace cli
