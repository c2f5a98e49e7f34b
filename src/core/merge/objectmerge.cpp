#include "core/merge/objectmerge.h"

#include "core/merge/objectparts.h"

#include <algorithm>
#include <cctype>
#include <tuple>
#include <unordered_map>
#include <unordered_set>

using codepages::TEncoding;

namespace merge {

namespace {

std::string Lower(std::string_view Text)
{
    std::string Result(Text);
    for (char& C : Result)
        C = char(std::tolower(static_cast<unsigned char>(C)));
    return Result;
}

std::string_view Trimmed(std::string_view Text)
{
    while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t'))
        Text.remove_prefix(1);
    while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t' || Text.back() == '\r' || Text.back() == '\n'))
        Text.remove_suffix(1);
    return Text;
}

std::vector<std::string_view> Tags(std::string_view List)
{
    std::vector<std::string_view> Result;
    while (!List.empty()) {
        const std::size_t Comma = List.find(',');
        if (const std::string_view Tag = Trimmed(List.substr(0, Comma)); !Tag.empty())
            Result.push_back(Tag);
        if (Comma == std::string_view::npos)
            break;
        List.remove_prefix(Comma + 1);
    }
    return Result;
}

std::string_view Prefix(std::string_view Tag)
{
    std::size_t End = 0;
    while (End < Tag.size() && !std::isdigit(static_cast<unsigned char>(Tag[End])))
        ++End;
    return Tag.substr(0, End);
}

bool Contains(const std::vector<std::string_view>& Tags, std::string_view Tag)
{
    return std::find(Tags.begin(), Tags.end(), Tag) != Tags.end();
}

// An entry's value: after "=", up to a final ";".
std::string_view EntryValue(std::string_view Entry)
{
    Entry = Trimmed(Entry);
    const std::size_t Equals = Entry.find('=');
    if (Equals == std::string_view::npos)
        return {};
    std::string_view Value = Entry.substr(Equals + 1);
    if (!Value.empty() && Value.back() == ';')
        Value.remove_suffix(1);
    return Value;
}

// The numbers of a date or a time in their order ("14.03.11": 14, 3, 11).
std::vector<int> Numbers(std::string_view Text)
{
    std::vector<int> Result;
    int Value = -1;
    for (const char C : Text) {
        if (std::isdigit(static_cast<unsigned char>(C)))
            Value = (Value < 0 ? 0 : Value * 10) + (C - '0');
        else if (Value >= 0) {
            Result.push_back(Value);
            Value = -1;
        }
    }
    if (Value >= 0)
        Result.push_back(Value);
    return Result;
}

// A date and time as one number that sorts as they do: day.month.year, or
// month/day/year where slashes part them; two-digit years from 1950 to 2049.
// -1 when they do not read as that.
long long Moment(std::string_view Date, std::string_view Time)
{
    const std::vector<int> D = Numbers(Date), T = Numbers(Time);
    if (D.size() != 3 || T.size() < 2)
        return -1;
    const bool MonthFirst = Date.find('/') != std::string_view::npos;
    const int Day = MonthFirst ? D[1] : D[0], Month = MonthFirst ? D[0] : D[1];
    const int Year = D[2] < 50 ? 2000 + D[2] : D[2] < 100 ? 1900 + D[2] : D[2];
    return ((((Year * 100LL + Month) * 100 + Day) * 100 + T[0]) * 100 + T[1]) * 100 + (T.size() > 2 ? T[2] : 0);
}

// Keys in OURS' order, those only THEIRS has after their predecessor in THEIRS.
std::vector<std::string_view> MergedOrder(const std::vector<std::string_view>& Ours,
                                          const std::vector<std::string_view>& Theirs)
{
    const std::unordered_set<std::string_view> InOurs(Ours.begin(), Ours.end());
    // THEIRS' own keys by the last key before them that OURS has; First
    // those before any.
    std::unordered_map<std::string_view, std::vector<std::string_view>> After;
    std::vector<std::string_view> Order;
    std::vector<std::string_view>* Anchor = &Order;
    for (const std::string_view Key : Theirs) {
        if (InOurs.count(Key))
            Anchor = &After[Key];
        else
            Anchor->push_back(Key);
    }
    Order.reserve(Ours.size() + Theirs.size());
    for (const std::string_view Key : Ours) {
        Order.push_back(Key);
        if (const auto Found = After.find(Key); Found != After.end())
            Order.insert(Order.end(), Found->second.begin(), Found->second.end());
    }
    return Order;
}

// An element "{ 2 ;   ;Name ;Text50 ;CaptionML=ENU=Name;" with more
// properties below, each at the column of the first, ended by "}": its
// fixed fields, its properties and its end. A property's Core is its name and
// value; its Gap what follows up to the next one (";", breaks, the indent).
struct TElementProperty {
    std::string Key;
    std::string_view Core, Gap;
};

struct TElement {
    std::string_view Fields, End;
    std::vector<TElementProperty> Properties;
    std::size_t Column = 0;
};

// Whether Text starts as "Name=" does (a letter, then letters, digits,
// blanks, dots or dashes).
bool StartsProperty(std::string_view Text)
{
    if (Text.empty() || !std::isalpha(static_cast<unsigned char>(Text[0])))
        return false;
    for (const char C : Text) {
        if (C == '=')
            return true;
        if (!std::isalnum(static_cast<unsigned char>(C)) && C != ' ' && C != '.' && C != '-' && C != '_')
            return false;
    }
    return false;
}

// The start of each property in Text; false when Text is not laid out so.
bool PropertyStarts(std::string_view Text, std::vector<std::size_t>& Starts, std::size_t& Column)
{
    const std::size_t FirstEnd = std::min(Text.find('\n'), Text.size());
    const std::size_t Brace = Text.find_first_not_of(' ');
    if (Brace >= FirstEnd || Text[Brace] != '{')
        return false;
    for (std::size_t Semicolon = Text.find(';', Brace); Semicolon < FirstEnd; Semicolon = Text.find(';', Semicolon + 1))
        if (StartsProperty(Text.substr(Semicolon + 1, FirstEnd - Semicolon - 1))) {
            Starts.push_back(Semicolon + 1);
            break;
        }
    if (Starts.empty() || Text.substr(Brace, Starts[0] - Brace).find('[') != std::string_view::npos)
        return false;
    Column = Starts[0];
    for (std::size_t Line = FirstEnd + 1; Line < Text.size();) {
        const std::size_t End = std::min(Text.find('\n', Line), Text.size());
        const std::size_t Content = Text.find_first_not_of(" \r", Line);
        if (Content < End) { // a line with text: deeper, or a property at the column
            if (Content - Line < Column)
                return false;
            if (Content - Line == Column && StartsProperty(Text.substr(Content, End - Content)))
                Starts.push_back(Content);
        }
        Line = End + 1;
    }
    return true;
}

bool ReadElement(std::string_view Text, TElement& Element)
{
    std::vector<std::size_t> Starts;
    const std::size_t Close = Text.rfind('}');
    if (!PropertyStarts(Text, Starts, Element.Column) || Close == std::string_view::npos || Close < Starts.back() ||
        Text.find_first_not_of(" \r\n", Close + 1) != std::string_view::npos)
        return false;
    Element.Fields = Text.substr(0, Starts[0]);
    Element.End = Text.substr(Close);
    for (std::size_t I = 0; I < Starts.size(); ++I) {
        const std::string_view Span = Text.substr(Starts[I], (I + 1 < Starts.size() ? Starts[I + 1] : Close) - Starts[I]);
        std::size_t Core = Span.find_last_not_of(" \r\n") + 1;
        if (Core > 0 && Span[Core - 1] == ';')
            --Core;
        TElementProperty Property{Lower(Trimmed(Span.substr(0, Span.find('=')))), Span.substr(0, Core),
                                  Span.substr(Core)};
        for (const TElementProperty& Other : Element.Properties)
            if (Other.Key == Property.Key)
                return false;
        Element.Properties.push_back(std::move(Property));
    }
    return true;
}

bool SaysYes(const TPart* Entry)
{
    if (!Entry)
        return false;
    std::string Value(Trimmed(EntryValue(Entry->Text)));
    for (char& C : Value)
        C = char(std::tolower(static_cast<unsigned char>(C)));
    return Value == "yes";
}

class TStructureMerge {
public:
    TStructureMerge(TMergeWriter& Out, const TMergeOptions& Options) : FOut(Out), FOptions(Options) {}

    void Part(const TPart* Base, const TPart& Ours, const TPart& Theirs)
    {
        if (Base && Same(Ours.Text, Base->Text))
            FOut.Append(Theirs.Text);
        else if ((Base && Same(Theirs.Text, Base->Text)) || Same(Ours.Text, Theirs.Text))
            FOut.Append(Ours.Text);
        else if (Base && Base->Kind != TPart::pkText && Base->Kind == Ours.Kind && Base->Kind == Theirs.Kind) {
            MergeLines(Base->Head, Ours.Head, Theirs.Head, FOut);
            Children(*Base, Ours, Theirs);
            MergeLines(Base->Tail, Ours.Tail, Theirs.Tail, FOut);
        } else if (!(Base && Element(*Base, Ours, Theirs)))
            // the documentation trigger is a log: both sides' new lines kept
            MergeLines(Base ? Base->Text : std::string_view(), Ours.Text, Theirs.Text, FOut,
                       Base && Ours.Key == "documentation");
    }

private:
    struct TSlot {
        const TPart* Base = nullptr;
        const TPart* Ours = nullptr;
        const TPart* Theirs = nullptr;
    };

    bool Same(std::string_view A, std::string_view B) const { return SameText(A, B, FOptions.Strict); }

    // The children in OURS' order, those only THEIRS has after their
    // predecessor in THEIRS.
    static std::vector<TSlot> Slots(const TPart& Base, const TPart& Ours, const TPart& Theirs)
    {
        std::unordered_map<std::string_view, TSlot> ByKey;
        for (const TPart& P : Base.Children)
            ByKey[P.Key].Base = &P;
        std::vector<std::string_view> OursKeys, TheirsKeys;
        for (const TPart& P : Ours.Children) {
            ByKey[P.Key].Ours = &P;
            OursKeys.push_back(P.Key);
        }
        for (const TPart& P : Theirs.Children) {
            ByKey[P.Key].Theirs = &P;
            TheirsKeys.push_back(P.Key);
        }
        std::vector<TSlot> Result;
        for (const std::string_view Key : MergedOrder(OursKeys, TheirsKeys))
            Result.push_back(ByKey[Key]);
        return Result;
    }

    // The version a merge takes: the one changed, or either where both
    // changed alike; nullopt where they changed differently.
    std::optional<std::string_view> Pick(std::optional<std::string_view> Base, std::string_view Ours,
                                         std::string_view Theirs) const
    {
        if (Base && Same(Ours, *Base))
            return Theirs;
        if ((Base && Same(Theirs, *Base)) || Same(Ours, Theirs))
            return Ours;
        return std::nullopt;
    }

    // A property's value changed on both sides: as lines when it has more
    // than one; nullopt where they conflict.
    std::optional<std::string> BothChanged(std::string_view Base, std::string_view Ours, std::string_view Theirs) const
    {
        if (Ours.find('\n') == std::string_view::npos && Theirs.find('\n') == std::string_view::npos)
            return std::nullopt;
        TMergedText Merged;
        TMergeWriter Out(Merged, FOptions.Markers, FOut.Break());
        if (MergeLines(Base, Ours, Theirs, Out) > 0)
            return std::nullopt;
        while (!Merged.Text.empty() && (Merged.Text.back() == '\n' || Merged.Text.back() == '\r'))
            Merged.Text.pop_back();
        return std::move(Merged.Text);
    }

    // An element changed on both sides merged property by property, so that
    // changes of different properties meet no more than those of different
    // fields do; false, with nothing written, where the sides' changes meet.
    bool Element(const TPart& BasePart, const TPart& OursPart, const TPart& TheirsPart)
    {
        TElement Base, Ours, Theirs;
        if (!ReadElement(BasePart.Text, Base) || !ReadElement(OursPart.Text, Ours) ||
            !ReadElement(TheirsPart.Text, Theirs))
            return false;
        const std::optional<std::string_view> Fields = Pick(Base.Fields, Ours.Fields, Theirs.Fields);
        const std::optional<std::string_view> End = Pick(Base.End, Ours.End, Theirs.End);
        if (!Fields || !End)
            return false;
        const auto Find = [](const TElement& In, std::string_view Key) -> const TElementProperty* {
            for (const TElementProperty& Property : In.Properties)
                if (Property.Key == Key)
                    return &Property;
            return nullptr;
        };
        const auto KeysOf = [](const TElement& In) {
            std::vector<std::string_view> Keys;
            for (const TElementProperty& Property : In.Properties)
                Keys.push_back(Property.Key);
            return Keys;
        };
        struct TValue {
            std::string Core;
            std::string_view Gap;
            bool LastGap; // the gap before "}" in its version
        };
        std::vector<TValue> Values;
        for (const std::string_view Key : MergedOrder(KeysOf(Ours), KeysOf(Theirs))) {
            const TElementProperty *B = Find(Base, Key), *O = Find(Ours, Key), *T = Find(Theirs, Key);
            const TElement& From = O ? Ours : Theirs;
            const TElementProperty& Kept = O ? *O : *T;
            std::optional<std::string> Core;
            if (O && T) {
                if (const auto Picked = Pick(B ? std::optional(B->Core) : std::nullopt, O->Core, T->Core))
                    Core = std::string(*Picked);
                else if (B)
                    Core = BothChanged(B->Core, O->Core, T->Core);
            } else if (!B)
                Core = std::string(Kept.Core); // added on one side
            else if (Same(Kept.Core, B->Core))
                continue; // removed on the other
            if (!Core)
                return false;
            Values.push_back({std::move(*Core), Kept.Gap, &Kept == &From.Properties.back()});
        }
        std::string Text(*Fields);
        for (std::size_t I = 0; I < Values.size(); ++I) {
            const bool Last = I + 1 == Values.size();
            std::string_view Gap = Values[I].Gap;
            if (Last && !Values[I].LastGap)
                Gap = Ours.Properties.back().Gap;
            Text.append(Values[I].Core);
            if (!Last && Values[I].LastGap)
                Text.append(";").append(FOut.Break()).append(Ours.Column, ' ');
            else
                Text.append(Gap);
        }
        FOut.Append(Text.append(*End));
        return true;
    }

    void Children(const TPart& Base, const TPart& Ours, const TPart& Theirs)
    {
        const std::vector<TSlot> Slots = TStructureMerge::Slots(Base, Ours, Theirs);
        if (Base.Kind == TPart::pkObjectProperties)
            PrepareProperties(Slots);
        for (const TSlot& Slot : Slots) {
            if (Base.Kind == TPart::pkObjectProperties && Property(Slot))
                continue;
            if (Slot.Ours && Slot.Theirs)
                Part(Slot.Base, *Slot.Ours, *Slot.Theirs);
            else if (const TPart* Kept = Slot.Ours ? Slot.Ours : Slot.Theirs) {
                if (!Slot.Base)
                    FOut.Append(Kept->Text); // added on one side
                else if (!Same(Kept->Text, Slot.Base->Text)) // deleted on the other side
                    FOut.Conflict(Slot.Base->Text, Slot.Ours ? Slot.Ours->Text : std::string_view(),
                                  Slot.Theirs ? Slot.Theirs->Text : std::string_view());
            }
        }
    }

    // The side whose Date and Time are the later: OURS unless THEIRS' are.
    void PrepareProperties(const std::vector<TSlot>& Slots)
    {
        std::string_view Values[2][2]; // [ours, theirs][date, time]
        for (const TSlot& Slot : Slots) {
            const int Which = Slot.Ours ? Slot.Ours->Key == "date" ? 0 : Slot.Ours->Key == "time" ? 1 : -1
                              : Slot.Theirs ? Slot.Theirs->Key == "date" ? 0 : Slot.Theirs->Key == "time" ? 1 : -1
                                            : -1;
            if (Which < 0)
                continue;
            if (Slot.Ours)
                Values[0][Which] = EntryValue(Slot.Ours->Text);
            if (Slot.Theirs)
                Values[1][Which] = EntryValue(Slot.Theirs->Text);
        }
        FTheirsLater = Moment(Values[1][0], Values[1][1]) > Moment(Values[0][0], Values[0][1]);
    }

    // Date, Time, Modified and Version List written by their own rules; false
    // for any other entry.
    bool Property(const TSlot& Slot)
    {
        const TPart* Any = Slot.Ours ? Slot.Ours : Slot.Theirs;
        if (!Any)
            return true;
        const std::string& Key = Any->Key;
        if (Key == "date" || Key == "time") {
            const TPart* Later = FTheirsLater ? Slot.Theirs : Slot.Ours;
            FOut.Append((Later ? Later : Any)->Text);
        } else if (Key == "modified") {
            const TPart* Yes = SaysYes(Slot.Ours) ? Slot.Ours : SaysYes(Slot.Theirs) ? Slot.Theirs : nullptr;
            FOut.Append((Yes ? Yes : Any)->Text);
        } else if (Key == "version list") {
            const std::string_view Line = Any->Text;
            const std::string_view Value = EntryValue(Line);
            const std::size_t At = std::size_t(Value.data() - Line.data());
            const std::string Merged =
                MergeVersionList(Slot.Base ? EntryValue(Slot.Base->Text) : std::string_view(),
                                 Slot.Ours ? EntryValue(Slot.Ours->Text) : std::string_view(),
                                 Slot.Theirs ? EntryValue(Slot.Theirs->Text) : std::string_view(), FOptions.VersionList);
            FOut.Append(std::string(Line.substr(0, At)) + Merged + std::string(Line.substr(At + Value.size())));
        } else
            return false;
        return true;
    }

    TMergeWriter& FOut;
    const TMergeOptions& FOptions;
    bool FTheirsLater = false;
};

} // namespace

std::string MergeVersionList(std::string_view Base, std::string_view Ours, std::string_view Theirs,
                             TVersionListPolicy Policy)
{
    if (Policy == TVersionListPolicy::Ours)
        return std::string(Ours);
    if (Policy == TVersionListPolicy::Theirs)
        return std::string(Theirs);
    const std::vector<std::string_view> B = Tags(Base), O = Tags(Ours), T = Tags(Theirs);
    std::vector<std::string_view> Result;
    const auto Add = [&Result](std::string_view Tag) {
        if (!Contains(Result, Tag))
            Result.push_back(Tag);
    };
    for (const std::string_view Tag : O) {
        if (!Contains(B, Tag) || Contains(T, Tag)) {
            Add(Tag); // OURS' own, or kept by THEIRS
            continue;
        }
        // A BASE tag THEIRS changed: its tags of that product, if any, in its place.
        for (const std::string_view New : T)
            if (Prefix(New) == Prefix(Tag) && !Contains(B, New))
                Add(New);
    }
    for (const std::string_view Tag : T)
        if (!Contains(B, Tag))
            Add(Tag);
    std::string Joined;
    for (const std::string_view Tag : Result)
        Joined.append(Joined.empty() ? "" : ",").append(Tag);
    return Joined;
}

TObjectMergeResult MergeObjectTexts(std::optional<std::string_view> Base, std::string_view Ours,
                                    std::string_view Theirs, const TMergeOptions& Options)
{
    TObjectMergeResult Result;
    TMergeWriter Out(Result.Merged, Options.Markers, FirstBreak(Ours.empty() ? Theirs : Ours));
    TPart BasePart, OursPart, TheirsPart;
    Result.Structured = (!Base || SplitObject(*Base, BasePart)) && SplitObject(Ours, OursPart) &&
                        SplitObject(Theirs, TheirsPart);
    if (Result.Structured)
        TStructureMerge(Out, Options).Part(Base ? &BasePart : nullptr, OursPart, TheirsPart);
    else
        MergeLines(Base.value_or(std::string_view()), Ours, Theirs, Out);
    return Result;
}

namespace {

std::string AsUtf8(std::string_view Bytes, const std::optional<TEncoding>& Encoding)
{
    if (!Encoding || *Encoding == TEncoding::Utf8)
        return std::string(Bytes);
    return codepages::DecodeToUtf8(Bytes, *Encoding);
}

// UTF-8 written in a single-byte code page, a character by the byte that
// reads as it; '?' for one the code page cannot write.
class TEncoder {
public:
    explicit TEncoder(TEncoding Encoding) : FUtf8(Encoding == TEncoding::Utf8)
    {
        if (FUtf8)
            return;
        const std::array<char32_t, 256>& Table = codepages::DecodeTable(Encoding);
        for (int Byte = 255; Byte >= 0; --Byte)
            if (Table[std::size_t(Byte)] != U'\uFFFD')
                FBytes[Table[std::size_t(Byte)]] = char(Byte);
    }

    // Text written; Lost tells whether a character could not be.
    std::string Encode(std::string_view Text, bool& Lost) const
    {
        Lost = false;
        if (FUtf8)
            return std::string(Text);
        std::string Result;
        Result.reserve(Text.size());
        for (std::size_t At = 0; At < Text.size();) {
            if (static_cast<unsigned char>(Text[At]) < 0x80) {
                Result += Text[At++];
                continue;
            }
            char32_t Code = 0;
            const std::size_t Length = codepages::Utf8SequenceAt(Text, At, Code);
            const auto Byte = Length > 0 ? FBytes.find(Code) : FBytes.end();
            if (Byte != FBytes.end())
                Result += Byte->second;
            else {
                Result += '?';
                Lost = true;
            }
            At += std::max<std::size_t>(Length, 1);
        }
        return Result;
    }

    std::string Encode(std::string_view Text) const
    {
        bool Lost = false;
        return Encode(Text, Lost);
    }

private:
    bool FUtf8;
    std::unordered_map<char32_t, char> FBytes;
};

// The clean text's lines written through Out; a run of lines with a
// character that cannot be written becomes a conflict.
void WriteEncoded(std::string_view Text, const TEncoder& Encoder, TMergeWriter& Out)
{
    std::string Kept, Lost;
    const auto Flush = [&]() {
        if (!Lost.empty())
            Out.Conflict({}, {}, Lost);
        Lost.clear();
    };
    while (!Text.empty()) {
        const std::size_t End = std::min(Text.find('\n'), Text.size() - 1) + 1;
        bool LineLost = false;
        std::string Line = Encoder.Encode(Text.substr(0, End), LineLost);
        if (LineLost)
            Lost += Line;
        else {
            Flush();
            Out.Append(Line);
        }
        Text.remove_prefix(End);
    }
    Flush();
}

} // namespace

TObjectMergeResult MergeEncodedTexts(std::optional<std::string_view> Base, std::string_view Ours,
                                     std::string_view Theirs, const TObjectEncodings& Encodings,
                                     const TMergeOptions& Options)
{
    const std::string BaseText = Base ? AsUtf8(*Base, Encodings.Base) : std::string();
    const TObjectMergeResult AsText =
        MergeObjectTexts(Base ? std::optional<std::string_view>(BaseText) : std::nullopt,
                         AsUtf8(Ours, Encodings.Ours), AsUtf8(Theirs, Encodings.Theirs), Options);
    const TEncoder Encoder(Encodings.Target);
    TObjectMergeResult Result;
    Result.Structured = AsText.Structured;
    TMergeWriter Out(Result.Merged, Options.Markers, FirstBreak(Ours.empty() ? Theirs : Ours));
    const std::string_view Text = AsText.Merged.Text;
    std::size_t From = 0;
    for (const TConflict& Conflict : AsText.Merged.Conflicts) {
        WriteEncoded(Text.substr(From, Conflict.Start - From), Encoder, Out);
        Out.Conflict(Encoder.Encode(Conflict.Base), Encoder.Encode(Conflict.Ours), Encoder.Encode(Conflict.Theirs));
        From = Conflict.Start + Conflict.Length;
    }
    WriteEncoded(Text.substr(From), Encoder, Out);
    return Result;
}

} // namespace merge
