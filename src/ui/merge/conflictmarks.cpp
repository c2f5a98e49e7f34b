#include "ui/merge/conflictmarks.h"

namespace {

// A marker line: seven of Sign, then the end of the line or a space and a label.
bool IsMarker(const QString& Line, QChar Sign)
{
    if (Line.size() < 7)
        return false;
    for (int Index = 0; Index < 7; ++Index)
        if (Line[Index] != Sign)
            return false;
    return Line.size() == 7 || Line[7] == u' ' || Line[7] == u'\n';
}

struct TLine {
    int Start;
    QString Text; // with its '\n', if any
};

std::vector<TLine> LinesOf(const QString& Text)
{
    std::vector<TLine> Lines;
    int Start = 0;
    while (Start < Text.size()) {
        const int Break = Text.indexOf(u'\n', Start);
        const int End = Break < 0 ? int(Text.size()) : Break + 1;
        Lines.push_back({Start, Text.mid(Start, End - Start)});
        Start = End;
    }
    return Lines;
}

} // namespace

std::vector<TConflictMarks> FindConflictMarks(const QString& Text)
{
    enum class TIn { Text, Ours, Base, Theirs };
    std::vector<TConflictMarks> Conflicts;
    TConflictMarks Open;
    TIn In = TIn::Text;
    for (const TLine& Line : LinesOf(Text)) {
        if (IsMarker(Line.Text, u'<')) {
            // A second opening before the end: the first was no conflict.
            Open = TConflictMarks{};
            Open.Start = Line.Start;
            In = TIn::Ours;
        } else if (In == TIn::Ours && IsMarker(Line.Text, u'|')) {
            Open.HasBase = true;
            In = TIn::Base;
        } else if ((In == TIn::Ours || In == TIn::Base) && IsMarker(Line.Text, u'=')) {
            In = TIn::Theirs;
        } else if (In == TIn::Theirs && IsMarker(Line.Text, u'>')) {
            Open.End = Line.Start + int(Line.Text.size());
            Conflicts.push_back(Open);
            In = TIn::Text;
        } else if (In == TIn::Ours) {
            Open.Ours += Line.Text;
        } else if (In == TIn::Base) {
            Open.Base += Line.Text;
        } else if (In == TIn::Theirs) {
            Open.Theirs += Line.Text;
        }
    }
    return Conflicts;
}

std::string WithoutBaseSections(std::string_view Text)
{
    const auto Marker = [](std::string_view Line, char Sign) {
        return Line.size() >= 7 && Line.find_first_not_of(Sign) >= 7 &&
               (Line.size() == 7 || Line[7] == ' ' || Line[7] == '\r' || Line[7] == '\n');
    };
    std::string Out;
    Out.reserve(Text.size());
    bool InConflict = false, InBase = false;
    for (std::size_t Start = 0; Start < Text.size();) {
        const std::size_t Break = Text.find('\n', Start);
        const std::size_t End = Break == std::string_view::npos ? Text.size() : Break + 1;
        const std::string_view Line = Text.substr(Start, End - Start);
        Start = End;
        if (Marker(Line, '<'))
            InConflict = true, InBase = false;
        else if (InConflict && Marker(Line, '|'))
            InBase = true;
        else if (InConflict && Marker(Line, '='))
            InBase = false;
        else if (Marker(Line, '>'))
            InConflict = false;
        if (!InBase)
            Out += Line;
    }
    return Out;
}

QString ResolvedText(const TConflictMarks& Conflict, merge::TResolution Choice)
{
    switch (Choice) {
    case merge::TResolution::Ours: return Conflict.Ours;
    case merge::TResolution::Theirs: return Conflict.Theirs;
    case merge::TResolution::OursThenTheirs: return Conflict.Ours + Conflict.Theirs;
    case merge::TResolution::TheirsThenOurs: return Conflict.Theirs + Conflict.Ours;
    case merge::TResolution::Base: return Conflict.Base;
    }
    return {};
}
