#include "core/merge/objectmerge.h"

#include "core/merge/objectparts.h"

#include <algorithm>
#include <cctype>
#include <tuple>
#include <unordered_map>

namespace merge {

namespace {

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
        } else // the documentation trigger is a log: both sides' new lines kept
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
        std::vector<std::string_view> Order;
        for (const TPart& P : Ours.Children) {
            ByKey[P.Key].Ours = &P;
            Order.push_back(P.Key);
        }
        std::size_t Insert = 0;
        for (const TPart& P : Theirs.Children) {
            TSlot& Slot = ByKey[P.Key];
            Slot.Theirs = &P;
            if (Slot.Ours)
                Insert = std::size_t(std::find(Order.begin(), Order.end(), P.Key) - Order.begin()) + 1;
            else
                Order.insert(Order.begin() + std::ptrdiff_t(Insert++), P.Key);
        }
        std::vector<TSlot> Result;
        Result.reserve(Order.size());
        for (const std::string_view Key : Order)
            Result.push_back(ByKey[Key]);
        return Result;
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

} // namespace merge
