#include "core/merge/objectparts.h"

#include "core/linediff.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace merge {

namespace {

struct TLine {
    std::string_view Text; // with its break
    std::size_t Indent = 0;
    std::string_view Content; // without indent, trailing blanks and break
    bool Blank() const { return Content.empty(); }
};

using TLines = std::vector<TLine>;

std::string_view Trimmed(std::string_view Text)
{
    while (!Text.empty() && (Text.front() == ' ' || Text.front() == '\t'))
        Text.remove_prefix(1);
    while (!Text.empty() && (Text.back() == ' ' || Text.back() == '\t' || Text.back() == '\r' || Text.back() == '\n'))
        Text.remove_suffix(1);
    return Text;
}

TLines LinesOf(std::string_view Text)
{
    TLines Lines;
    for (const std::string_view Line : SplitLines(Text)) {
        TLine L;
        L.Text = Line;
        while (L.Indent < Line.size() && Line[L.Indent] == ' ')
            ++L.Indent;
        L.Content = Trimmed(Line);
        Lines.push_back(L);
    }
    return Lines;
}

std::string Lower(std::string_view Text)
{
    std::string Result(Text);
    for (char& C : Result)
        C = char(std::tolower(static_cast<unsigned char>(C)));
    return Result;
}

bool StartsWithWord(std::string_view Text, std::string_view Word)
{
    if (Text.size() < Word.size())
        return false;
    for (std::size_t I = 0; I < Word.size(); ++I)
        if (std::toupper(static_cast<unsigned char>(Text[I])) != Word[I])
            return false;
    return Text.size() == Word.size() || Text[Word.size()] == ' ' || Text[Word.size()] == '(';
}

// Lines [From, To) as one view.
std::string_view Span(const TLines& Lines, std::size_t From, std::size_t To)
{
    if (From >= To)
        return std::string_view(Lines.empty() ? nullptr : From < Lines.size() ? Lines[From].Text.data()
                                                                              : Lines.back().Text.data() +
                                                                                    Lines.back().Text.size(),
                                0);
    return std::string_view(Lines[From].Text.data(),
                            std::size_t(Lines[To - 1].Text.data() + Lines[To - 1].Text.size() - Lines[From].Text.data()));
}

std::size_t SkipBlank(const TLines& Lines, std::size_t I, std::size_t End)
{
    while (I < End && Lines[I].Blank())
        ++I;
    return I;
}

// A part made of Head lines [From, First), children, Tail lines [Last, To).
TPart ListPart(const TLines& Lines, std::size_t From, std::size_t First, std::vector<TPart> Children,
               std::size_t Last, std::size_t To, TPart::TKind Kind = TPart::pkList)
{
    TPart Part;
    Part.Kind = Kind;
    Part.Text = Span(Lines, From, To);
    Part.Head = Span(Lines, From, First);
    Part.Tail = Span(Lines, Last, To);
    Part.Children = std::move(Children);
    return Part;
}

TPart TextPart(const TLines& Lines, std::size_t From, std::size_t To, std::string Key)
{
    TPart Part;
    Part.Key = std::move(Key);
    Part.Text = Part.Head = Span(Lines, From, To);
    return Part;
}

// Keys made unique: the n-th part of a key that recurs gets "#n" from the second on.
void Number(std::vector<TPart>& Parts)
{
    std::unordered_map<std::string, int> Seen;
    for (TPart& Part : Parts)
        if (const int N = ++Seen[Part.Key]; N > 1)
            Part.Key += "#" + std::to_string(N);
}

bool NeverRepeats(const std::string&) { return false; }

// Whether no two parts share a key, but for those MayRepeat allows (paired by
// their order). A number, name or GUID twice leaves no one way to pair them.
template <typename TMayRepeat>
bool Unique(const std::vector<TPart>& Parts, TMayRepeat MayRepeat)
{
    std::unordered_map<std::string_view, int> Seen;
    for (const TPart& Part : Parts)
        if (++Seen[Part.Key] > 1 && !MayRepeat(Part.Key))
            return false;
    return true;
}

// Splits [From, To) into items, each from a line IsStart takes up to the next;
// the blank lines before the first go to Head (First). False when another
// line comes before the first item, or a key repeats that may not.
template <typename TIsStart, typename TKeyOf, typename TMayRepeat = decltype(&NeverRepeats)>
bool SplitItems(const TLines& Lines, std::size_t From, std::size_t To, TIsStart IsStart, TKeyOf KeyOf,
                std::size_t& First, std::vector<TPart>& Items, TMayRepeat MayRepeat = NeverRepeats)
{
    First = SkipBlank(Lines, From, To);
    if (First < To && !IsStart(Lines[First]))
        return false;
    for (std::size_t I = First; I < To;) {
        std::size_t Next = I + 1;
        while (Next < To && !IsStart(Lines[Next]))
            ++Next;
        std::string Key;
        if (!KeyOf(Lines, I, Next, Key))
            return false;
        Items.push_back(TextPart(Lines, I, Next, std::move(Key)));
        I = Next;
    }
    if (!Unique(Items, MayRepeat))
        return false;
    Number(Items);
    return true;
}

bool IsEntry(const TLine& Line) { return Line.Indent == 4 && !Line.Blank(); }

// "Key=Value": the key; continuation lines lie deeper.
bool PropertyKey(const TLines& Lines, std::size_t I, std::size_t End, std::string& Key)
{
    const std::size_t Equals = Lines[I].Content.find('=');
    if (Equals == std::string_view::npos || Equals == 0)
        return false;
    for (std::size_t J = I + 1; J < End; ++J)
        if (!Lines[J].Blank() && Lines[J].Indent <= 4)
            return false;
    Key = Lower(Trimmed(Lines[I].Content.substr(0, Equals)));
    return true;
}

bool IsElement(const TLine& Line) { return Line.Indent == 4 && !Line.Content.empty() && Line.Content[0] == '{'; }

// An element's GUID where its first line has one, else its first field (a
// number, a control's id), else its second (a key's fields), else the line.
bool ElementKey(const TLines& Lines, std::size_t I, std::size_t, std::string& Key)
{
    const std::string_view Rest = Lines[I].Content.substr(1);
    if (const std::size_t Open = Rest.find("[{"); Open != std::string_view::npos)
        if (const std::size_t Close = Rest.find("}]", Open); Close != std::string_view::npos) {
            Key = "g" + Lower(Rest.substr(Open + 2, Close - Open - 2));
            return true;
        }
    const std::size_t Semicolon = Rest.find(';');
    if (Semicolon == std::string_view::npos) {
        Key = "l" + std::string(Trimmed(Rest)); // "{ PROPERTIES": paired in their order
        return true;
    }
    if (const std::string_view First = Trimmed(Rest.substr(0, Semicolon)); !First.empty()) {
        Key = "n" + std::string(First);
        return true;
    }
    std::string_view Second = Rest.substr(Semicolon + 1);
    Second = Second.substr(0, std::min(Second.find(';'), Second.find('}')));
    Key = "k" + Lower(Trimmed(Second));
    return true;
}

// A variable "Name@1000 : Type;" or '"Sales Header"@1000 : ...': its name.
bool VariableKey(const TLines& Lines, std::size_t I, std::size_t, std::string& Key)
{
    const std::string_view Content = Lines[I].Content;
    const std::size_t End = std::min(Content.find('@'), Content.find(':'));
    if (End == std::string_view::npos || End == 0)
        return false;
    Key = Lower(Trimmed(Content.substr(0, End)));
    return true;
}

bool IsProcedureStart(std::string_view Content)
{
    if (StartsWithWord(Content, "LOCAL"))
        Content = Trimmed(Content.substr(5));
    return StartsWithWord(Content, "PROCEDURE") || StartsWithWord(Content, "EVENT") ||
           (!Content.empty() && Content[0] == '[');
}

// A procedure's name and its @number, from its PROCEDURE or EVENT line.
std::pair<std::string, std::string> ProcedureName(const TLines& Lines, std::size_t From, std::size_t To)
{
    for (std::size_t I = From; I < To; ++I) {
        std::string_view Content = Lines[I].Content;
        if (Content.empty() || Content[0] == '[')
            continue;
        if (StartsWithWord(Content, "LOCAL"))
            Content = Trimmed(Content.substr(5));
        Content = Trimmed(Content.substr(Content.find(' ') == std::string_view::npos ? Content.size() : Content.find(' ')));
        const std::size_t At = Content.find('@');
        const std::size_t End = std::min(At, Content.find('('));
        std::string Name = Lower(Trimmed(Content.substr(0, End)));
        std::string Number;
        if (At != std::string_view::npos && At == End) {
            std::size_t Stop = At + 1;
            while (Stop < Content.size() && std::isdigit(static_cast<unsigned char>(Content[Stop])))
                ++Stop;
            Number = std::string(Content.substr(At, Stop - At));
        }
        return {Name, Number};
    }
    return {};
}

// "BEGIN", a comment in braces or none, "END." and blank lines: the
// documentation trigger at the end of CODE. A BEGIN without its procedure's
// header is not, and must not be merged as the log that trigger is.
bool IsDocumentation(const TLines& Lines, std::size_t From, std::size_t To)
{
    const auto At = [&Lines](std::size_t I, std::string_view Content) {
        return Lines[I].Indent == 4 && Lines[I].Content == Content;
    };
    if (!At(From, "BEGIN"))
        return false;
    std::size_t I = From + 1;
    if (I < To && At(I, "{")) {
        while (++I < To && !At(I, "}"))
            if (Lines[I].Content.find('}') != std::string_view::npos) // a comment ends at its first
                return false;
        ++I;
    }
    return I < To && At(I, "END.") && SkipBlank(Lines, I + 1, To) == To;
}

// The CODE section's body: the global VAR block, the procedures, the
// documentation trigger.
bool SplitCode(const TLines& Lines, std::size_t From, std::size_t To, std::size_t& First, std::vector<TPart>& Items)
{
    First = SkipBlank(Lines, From, To);
    std::vector<std::string> Numbers; // each procedure's @number, "" for the others
    for (std::size_t I = First; I < To;) {
        const TLine& Line = Lines[I];
        if (Line.Indent != 4)
            return false;
        if (StartsWithWord(Line.Content, "VAR") && Line.Content.size() == 3) {
            std::size_t End = I + 1;
            while (End < To && !Lines[End].Blank() && Lines[End].Indent > 4)
                ++End;
            std::size_t FirstVariable = 0;
            std::vector<TPart> Variables;
            if (!SplitItems(
                    Lines, I + 1, End, [](const TLine& L) { return L.Indent == 6; }, VariableKey, FirstVariable,
                    Variables))
                return false;
            const std::size_t Next = SkipBlank(Lines, End, To);
            TPart Block = ListPart(Lines, I, I + 1, std::move(Variables), End, Next);
            Block.Key = "var";
            Items.push_back(std::move(Block));
            Numbers.emplace_back();
            I = Next;
        } else if (IsProcedureStart(Line.Content)) {
            std::size_t End = I + 1;
            while (End < To && !(Lines[End].Indent == 4 && Lines[End].Content == "END;"))
                ++End;
            if (End == To)
                return false;
            const std::size_t Next = SkipBlank(Lines, End + 1, To);
            auto [Name, Number] = ProcedureName(Lines, I, End);
            if (Name.empty())
                return false;
            Items.push_back(TextPart(Lines, I, Next, "p" + Name));
            Numbers.push_back(Number);
            I = Next;
        } else if (IsDocumentation(Lines, I, To)) {
            Items.push_back(TextPart(Lines, I, To, "documentation"));
            Numbers.emplace_back();
            I = To;
        } else
            return false;
    }
    // Procedures of one name are told apart by their numbers.
    std::unordered_map<std::string, int> Count;
    for (const TPart& Item : Items)
        ++Count[Item.Key];
    for (std::size_t I = 0; I < Items.size(); ++I)
        if (Count[Items[I].Key] > 1 && !Numbers[I].empty())
            Items[I].Key += Numbers[I];
    return Unique(Items, NeverRepeats);
}

// A section from its name's line to its closing brace's, the blank lines after.
TPart Section(const TLines& Lines, std::size_t From, std::size_t Close, std::size_t To)
{
    const std::string Name(Lines[From].Content);
    const std::size_t BodyFrom = From + 2;
    std::size_t First = 0;
    std::vector<TPart> Items;
    TPart::TKind Kind = TPart::pkList;
    bool Split = false;
    if (Name == "OBJECT-PROPERTIES") {
        Split = SplitItems(Lines, BodyFrom, Close, IsEntry, PropertyKey, First, Items);
        Kind = TPart::pkObjectProperties;
    } else if (Name == "CODE")
        Split = SplitCode(Lines, BodyFrom, Close, First, Items);
    else if (const std::size_t Start = SkipBlank(Lines, BodyFrom, Close); Start < Close && IsElement(Lines[Start]))
        Split = SplitItems(Lines, BodyFrom, Close, IsElement, ElementKey, First, Items,
                           [](const std::string& Key) { return Key[0] == 'l'; });
    else
        Split = SplitItems(Lines, BodyFrom, Close, IsEntry, PropertyKey, First, Items);
    TPart Part;
    if (Split)
        Part = ListPart(Lines, From, First, std::move(Items), Close, To, Kind);
    else
        Part = TextPart(Lines, From, To, {});
    Part.Key = Name;
    return Part;
}

bool IsSectionName(const TLine& Line)
{
    if (Line.Indent != 2 || Line.Blank())
        return false;
    return std::all_of(Line.Content.begin(), Line.Content.end(),
                       [](char C) { return (C >= 'A' && C <= 'Z') || C == '-' || C == '_'; });
}

} // namespace

bool SplitObject(std::string_view Text, TPart& Object)
{
    const TLines Lines = LinesOf(Text);
    if (Lines.size() < 3 || !StartsWithWord(Lines[0].Content, "OBJECT") || Lines[1].Content != "{" ||
        Lines[1].Indent != 0)
        return false;
    std::vector<TPart> Sections;
    std::size_t I = 2;
    while (I < Lines.size() && !(Lines[I].Indent == 0 && Lines[I].Content == "}")) {
        if (!IsSectionName(Lines[I]) || I + 1 >= Lines.size() || Lines[I + 1].Indent != 2 ||
            Lines[I + 1].Content != "{")
            return false;
        std::size_t Close = I + 2;
        while (Close < Lines.size() && !(Lines[Close].Indent == 2 && Lines[Close].Content == "}"))
            ++Close;
        if (Close == Lines.size())
            return false;
        const std::size_t Next = SkipBlank(Lines, Close + 1, Lines.size());
        Sections.push_back(Section(Lines, I, Close, Next));
        I = Next;
    }
    if (I == Lines.size() || SkipBlank(Lines, I + 1, Lines.size()) != Lines.size() ||
        !Unique(Sections, NeverRepeats))
        return false;
    TPart Result = ListPart(Lines, 0, 2, std::move(Sections), I, Lines.size());
    Result.Key = "object";
    Object = std::move(Result);
    return true;
}

} // namespace merge
