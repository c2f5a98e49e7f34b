#include "clicommands.h"

#include "clioutput.h"
#include "loadsearch.h"
#include "core/encodingchoice.h"
#include "core/findtext.h"
#include "core/quibfile.h"

#include <array>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <unordered_set>
#include <utility>

namespace cli {

namespace {

using codepages::TEncoding;

const char* const SAscii = "ascii";

TEncoding EncodingAt(int Index) { return static_cast<TEncoding>(Index); }

// The encoding the choice reads Object's bytes in; none for the bytes as they are.
std::optional<TEncoding> EncodingOf(const TObjectTextObject& Object, const TEncodingOption& Choice)
{
    switch (Choice.Kind) {
    case TEncodingOption::ekFixed: return Choice.Encoding;
    case TEncodingOption::ekAuto: return codepages::Detect(Object.GetText());
    case TEncodingOption::ekNone: break;
    }
    return std::nullopt;
}

std::string InUtf8(std::string_view Bytes, const std::optional<TEncoding>& Encoding)
{
    return Encoding ? codepages::DecodeToUtf8(Bytes, *Encoding) : std::string(Bytes);
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

// The line an occurrence lies on, numbered as the text view numbers them
// (CR LF, CR and LF each end a line), and its text. Occurrences come in
// order, so each object's text is read once and counted forward.
class TLineFinder {
public:
    std::pair<std::int32_t, std::string_view> At(const TObjectTextFile& File, std::int32_t ObjectIndex,
                                                 std::size_t Position)
    {
        if (ObjectIndex != FObject) {
            FObject = ObjectIndex;
            FText = File.Objects(ObjectIndex).GetText();
            FCounted = FLineStart = 0;
            FLine = 1;
        }
        for (; FCounted < Position && FCounted < FText.size(); ++FCounted) {
            const char C = FText[FCounted];
            if (C == '\n' || (C == '\r' && (FCounted + 1 >= FText.size() || FText[FCounted + 1] != '\n'))) {
                ++FLine;
                FLineStart = FCounted + 1;
            }
        }
        const std::size_t End = std::min(FText.find_first_of("\r\n", FLineStart), FText.size());
        return {FLine, std::string_view(FText).substr(FLineStart, End - FLineStart)};
    }

private:
    std::int32_t FObject = -1;
    std::string FText;
    std::size_t FCounted = 0, FLineStart = 0;
    std::int32_t FLine = 1;
};

} // namespace

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
    File.LoadFromFile(FileName);
    TOutput Out;
    std::string Buffer; // the property values of one object at a time
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const TObjectTextObject& Object = File.Objects(I);
        const std::optional<TEncoding> ObjectEncoding = EncodingOf(Object, Encoding);
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
    TLineFinder LineOf;
    const auto Report = [&](std::int32_t ObjectIndex, std::int32_t Position) {
        Found = true;
        Out << ObjectIndex << '\t' << Position << '\t' << Escaped(File.Objects(ObjectIndex).GetDisplayText());
        if (Lines) {
            const auto [Line, LineText] = LineOf.At(File, ObjectIndex, std::size_t(Position - 1));
            Out << '\t' << Line << '\t' << Escaped(LineText);
        }
        Out << '\n';
    };
    // A text every encoding reads alike is looked for as the file loads.
    if (!Find.Empty() && !Find.DependsOnEncoding()) {
        TLoadSearch Search(*Find.In(codepages::TEncoding::Latin1), File, Report);
        File.SetOnRead([&Search](const char* Bytes, std::int64_t Position, std::int64_t Length) {
            Search.Read(Bytes, Position, Length);
        });
        File.LoadFromFile(FileName);
        Search.Finish();
        Out.Flush();
        return Found ? 0 : 1;
    }
    File.LoadFromFile(FileName);
    ::TEncodingChoice Encodings;
    Encodings.Reset(File.Count());
    if (Encoding.Kind == TEncodingOption::ekFixed)
        Encodings.SetChosen(Encoding.Encoding);
    std::int32_t ObjectIndex = 0;
    std::int32_t Position = 1;
    std::int32_t Length = 0;
    while (File.FindNext(ObjectIndex, Position, Length, Find, Encodings)) {
        Report(ObjectIndex, Position);
        // The next search starts right after this occurrence, as the window's does.
        Position = CheckedAdd(Position, Length);
    }
    Out.Flush();
    return Found ? 0 : 1;
}

int Export(const std::string& FileName, const std::string& Folder, const std::vector<std::string>& Indexes,
           bool Force)
{
    TObjectTextFile File;
    File.LoadFromFile(FileName);
    std::vector<const TObjectTextObject*> Objects = Chosen(File, Indexes);
    if (Indexes.empty())
        for (std::int32_t I = 0; I < File.Count(); ++I)
            Objects.push_back(&File.Objects(I));
    // Paths are UTF-8 here, as the file layer takes them, on every system.
    const std::filesystem::path FolderPath = std::filesystem::u8path(Folder);
    // Forced or not, one file must not take two objects (duplicates in one file):
    // the second would replace the first.
    if (const std::vector<std::string> Shared = SharedExportNames(Objects); !Shared.empty()) {
        std::string Message = "More than one object would be written to each of these files; none was written:";
        for (const std::string& Name : Shared)
            Message += "\n" + Name;
        throw std::runtime_error(Message);
    }
    std::vector<std::pair<const TObjectTextObject*, std::filesystem::path>> Exports;
    std::unordered_set<const TObjectTextObject*> Taken; // an index given twice is written once
    for (const TObjectTextObject* Object : Objects)
        if (Taken.insert(Object).second)
            Exports.emplace_back(Object, FolderPath / std::filesystem::u8path(Object->GetExportFileName()));
    // A bad index, a shared name or an existing file leaves the folder as it was.
    const auto CheckFree = [Force](const std::filesystem::path& Target) {
        if (!Force && std::filesystem::exists(Target))
            throw std::runtime_error(Target.u8string() + " already exists.");
    };
    for (const auto& Export : Exports)
        CheckFree(Export.second);
    for (const auto& [Object, Target] : Exports) {
        CheckFree(Target); // two objects of the same export name
        Object->SaveToFile(Target.u8string());
    }
    return 0;
}

int Show(const std::string& FileName, const std::vector<std::string>& Indexes, const TEncodingOption& Encoding)
{
    TObjectTextFile File;
    File.LoadFromFile(FileName);
    TOutput Out;
    for (const TObjectTextObject* Object : Chosen(File, Indexes)) {
        const std::string Text = Object->GetText();
        // Detected here rather than by EncodingOf, which would read the text again.
        Out << InUtf8(Text, Encoding.Kind == TEncodingOption::ekAuto ? codepages::Detect(Text)
                                                                     : EncodingOf(*Object, Encoding));
    }
    Out.Flush();
    return 0;
}

int Encodings(const std::string& FileName)
{
    TObjectTextFile File;
    File.LoadFromFile(FileName);
    TOutput Out;
    // Objects per encoding; the last place counts the plain ASCII ones.
    std::array<std::int32_t, codepages::EncodingCount + 1> Counts{};
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const std::optional<TEncoding> Encoding = codepages::Detect(File.Objects(I).GetText());
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
