#include "core/objectoutline.h"

#include "core/objectsyntax.h"

#include <algorithm>

namespace {

using objectsyntax::TCategory;
using objectsyntax::TSpan;

enum class TSection : std::uint8_t { Object, Properties, Fields, Keys, Controls, DataItems, Elements, Code, Request, Other };

TSection SectionOf(std::string_view Word)
{
    if (Word == "PROPERTIES" || Word == "OBJECT-PROPERTIES")
        return TSection::Properties;
    if (Word == "FIELDS")
        return TSection::Fields;
    if (Word == "KEYS")
        return TSection::Keys;
    if (Word == "CONTROLS" || Word == "ACTIONS")
        return TSection::Controls;
    if (Word == "DATAITEMS" || Word == "DATASET")
        return TSection::DataItems;
    if (Word == "ELEMENTS")
        return TSection::Elements;
    if (Word == "CODE")
        return TSection::Code;
    if (Word == "REQUESTFORM" || Word == "REQUESTPAGE")
        return TSection::Request;
    return TSection::Other;
}

std::string_view Trim(std::string_view Text)
{
    const auto Start = Text.find_first_not_of(" \t");
    if (Start == std::string_view::npos)
        return {};
    return Text.substr(Start, Text.find_last_not_of(" \t") - Start + 1);
}

bool IsNumber(std::string_view Text)
{
    return !Text.empty() && std::all_of(Text.begin(), Text.end(), [](char C) { return C >= '0' && C <= '9'; });
}

bool EqualsNoCase(std::string_view A, std::string_view UpperB)
{
    if (A.size() != UpperB.size())
        return false;
    for (std::size_t I = 0; I < A.size(); ++I) {
        const char C = A[I] >= 'a' && A[I] <= 'z' ? char(A[I] - 32) : A[I];
        if (C != UpperB[I])
            return false;
    }
    return true;
}

// The first language's text of a multilanguage value ([ENU=&Customer;DEU=...]),
// without the ampersand that marks a button's access key.
std::string FirstCaption(std::string_view Value)
{
    const auto Equals = Value.find('=');
    if (Equals != std::string_view::npos)
        Value.remove_prefix(Equals + 1);
    Value = Trim(Value.substr(0, Value.find_first_of(";]")));
    std::string Caption;
    for (std::size_t I = 0; I < Value.size(); ++I) {
        if (Value[I] == '&' && I + 1 < Value.size() && Value[I + 1] != ' ')
            ++I;  // "&&" is one ampersand, "&C" is C
        Caption += Value[I];
    }
    return Caption;
}

// One open brace: a section's body or a row.
struct TFrame {
    TSection Section;           // a body's own kind; a row's: the section it is in
    bool Row = false;
    std::string_view Word;      // a body's section word
    std::size_t InsertAt = 0;   // where a row's entry goes, before what its body adds
    std::int32_t Line = 0;
    std::vector<std::string_view> Cells;
    std::string Name, SourceExpr, Caption, DataItemTable, DataItemVarName, SectionType;

    std::string_view LastCell() const
    {
        for (auto Cell = Cells.rbegin(); Cell != Cells.rend(); ++Cell)
            if (!Cell->empty())
                return *Cell;
        return {};
    }
    // A control's type: the first cell after its number that is no number
    // (a form's: "TextBox"; a page's, after the indentation: "Field").
    std::string_view Type() const
    {
        for (std::size_t I = 1; I < Cells.size(); ++I)
            if (!Cells[I].empty() && !IsNumber(Cells[I]))
                return Cells[I];
        return {};
    }
    std::string ControlName() const
    {
        if (!Name.empty())
            return Name;
        if (!SourceExpr.empty())
            return SourceExpr;
        return FirstCaption(Caption);
    }
    // What a trigger inside the row is said to belong to.
    std::string OwnerName() const
    {
        switch (Section) {
        case TSection::Fields: return Cells.size() > 2 && IsNumber(Cells[0]) ? std::string(Cells[2]) : std::string(LastCell());
        case TSection::Controls: {
            const std::string Own = ControlName();
            if (!Own.empty())
                return Own;
            return std::string(Type()) + (Cells.empty() ? "" : " " + std::string(Cells[0]));
        }
        case TSection::DataItems: {
            if (!DataItemVarName.empty())
                return DataItemVarName;
            if (!DataItemTable.empty())
                return DataItemTable;
            return std::string(LastCell());
        }
        case TSection::Elements: return Cells.size() > 2 ? std::string(Cells[2]) : std::string(LastCell());
        default: return !SectionType.empty() ? SectionType : std::string(Cells.empty() ? "" : Cells[0]);
        }
    }
};

class TBuilder {
public:
    explicit TBuilder(std::vector<TOutlineEntry>& Entries) : FEntries(Entries) {}

    void Run(std::string_view Text)
    {
        std::size_t Start = 0;
        for (std::int32_t Line = 0;; ++Line) {
            std::size_t End = Start;
            while (End < Text.size() && Text[End] != '\n' && Text[End] != '\r')
                ++End;
            DoLine(Text.substr(Start, End - Start), Line);
            if (End == Text.size())
                break;
            Start = End + (Text[End] == '\r' && End + 1 < Text.size() && Text[End + 1] == '\n' ? 2 : 1);
        }
    }

private:
    void DoLine(std::string_view Line, std::int32_t LineNo)
    {
        FState = objectsyntax::ScanLine(Line, FState, FSpans);
        bool Local = false;
        for (std::size_t I = 0; I < FSpans.size(); ++I) {
            const TSpan& Span = FSpans[I];
            const std::string_view Text = Line.substr(std::size_t(Span.Start), std::size_t(Span.Length));
            switch (Span.Category) {
            case TCategory::Brace:
                if (Text[0] == '{')
                    Open(Line, I, LineNo);
                else
                    Close();
                break;
            case TCategory::Section:
                if (!FFrames.empty())
                    FPending = Text;
                break;
            case TCategory::Property: Property(Text.substr(0, Text.size() - 1), LineNo); break;
            case TCategory::Value:
                if (FValue) {
                    if (!FValue->empty())
                        *FValue += ' ';
                    *FValue += Text;
                }
                break;
            case TCategory::Keyword:
                if (!FFrames.empty() && FFrames.back().Section == TSection::Code && !FFrames.back().Row) {
                    if (EqualsNoCase(Text, "LOCAL"))
                        Local = true;
                    else if (EqualsNoCase(Text, "PROCEDURE"))
                        Procedure(Line.substr(std::size_t(Span.Start + Span.Length)), Local, LineNo);
                }
                break;
            default: break;
            }
        }
    }

    void Open(std::string_view Line, std::size_t SpanIndex, std::int32_t LineNo)
    {
        FValue = nullptr;
        TFrame Frame;
        Frame.Line = LineNo;
        if (FFrames.empty()) {
            Frame.Section = TSection::Object;
        } else if (!FPending.empty()) {
            Frame.Section = SectionOf(FPending);
            Frame.Word = FPending;
        } else {
            Frame.Row = true;
            Frame.Section = NearestSection();
            Frame.InsertAt = FEntries.size();
            // The cells: from the brace to the row's first property, nested
            // brace or section word, or the line's end.
            const TSpan& Brace = FSpans[SpanIndex];
            std::size_t End = Line.size();
            for (std::size_t I = SpanIndex + 1; I < FSpans.size(); ++I) {
                const TCategory Category = FSpans[I].Category;
                if (Category == TCategory::Property || Category == TCategory::Brace || Category == TCategory::Section) {
                    End = std::size_t(FSpans[I].Start);
                    break;
                }
            }
            std::string_view Cells = Line.substr(std::size_t(Brace.Start + 1), End - std::size_t(Brace.Start + 1));
            for (;;) {
                const auto Semicolon = Cells.find(';');
                Frame.Cells.push_back(Trim(Cells.substr(0, Semicolon)));
                if (Semicolon == std::string_view::npos)
                    break;
                Cells.remove_prefix(Semicolon + 1);
            }
            if (!Frame.Cells.empty() && Frame.Cells.back().empty())
                Frame.Cells.pop_back();
        }
        FPending = {};
        FFrames.push_back(std::move(Frame));
    }

    void Close()
    {
        FValue = nullptr;
        FPending = {};
        if (FFrames.empty())
            return;
        TFrame Frame = std::move(FFrames.back());
        FFrames.pop_back();
        if (!Frame.Row)
            return;
        std::string Caption;
        TOutlineKind Kind;
        switch (Frame.Section) {
        case TSection::Fields:
            Kind = TOutlineKind::Field;
            Caption = Frame.Cells.size() > 2 && IsNumber(Frame.Cells[0])
                          ? std::string(Frame.Cells[0]) + ' ' + std::string(Frame.Cells[2])
                          : std::string(Frame.LastCell());
            break;
        case TSection::Keys:
            Kind = TOutlineKind::Key;
            Caption = Frame.LastCell();
            break;
        case TSection::Controls: {
            Kind = TOutlineKind::Control;
            const std::string Name = Frame.ControlName();
            Caption = Frame.Type();
            if (!Name.empty())
                Caption += (Caption.empty() ? "" : " ") + Name;
            else if (!Frame.Cells.empty())
                Caption += (Caption.empty() ? "" : " ") + std::string(Frame.Cells[0]);
            break;
        }
        case TSection::DataItems:
            // A dataset's columns are rows too; only its data items count.
            if (!Frame.Cells.empty() &&
                std::find(Frame.Cells.begin(), Frame.Cells.end(), "DataItem") == Frame.Cells.end())
                return;
            Kind = TOutlineKind::DataItem;
            Caption = Frame.OwnerName();
            break;
        case TSection::Elements:
            Kind = TOutlineKind::Element;
            Caption = Frame.OwnerName();
            break;
        default: return;
        }
        FEntries.insert(FEntries.begin() + std::ptrdiff_t(Frame.InsertAt),
                        TOutlineEntry{Kind, Frame.Line, std::move(Caption)});
    }

    void Property(std::string_view Name, std::int32_t LineNo)
    {
        FValue = nullptr;
        TFrame* Row = NearestRow();
        const auto Qualifier = Name.rfind("::");
        const std::string_view Own = Qualifier == std::string_view::npos ? Name : Name.substr(Qualifier + 2);
        if (Own.size() > 2 && Own[0] == 'O' && Own[1] == 'n' && Own[2] >= 'A' && Own[2] <= 'Z') {
            std::string Owner = Row ? Row->OwnerName() : std::string(RequestWord());
            FEntries.push_back({TOutlineKind::Trigger, LineNo, Owner.empty() ? std::string(Name) : Owner + " - " + std::string(Name)});
            return;
        }
        if (!Row)
            return;
        if (Name == "Name")
            FValue = &Row->Name;
        else if (Name == "SourceExpr")
            FValue = &Row->SourceExpr;
        else if (Name == "CaptionML")
            FValue = &Row->Caption;
        else if (Name == "DataItemTable")
            FValue = &Row->DataItemTable;
        else if (Name == "DataItemVarName")
            FValue = &Row->DataItemVarName;
        else if (Name == "SectionType")
            FValue = &Row->SectionType;
        if (FValue)
            FValue->clear();
    }

    void Procedure(std::string_view Rest, bool Local, std::int32_t LineNo)
    {
        Rest = Trim(Rest);
        const std::string_view Name = Trim(Rest.substr(0, Rest.find_first_of("@(;: ")));
        if (Name.empty())
            return;
        FEntries.push_back({TOutlineKind::Procedure, LineNo, (Local ? "LOCAL " : "") + std::string(Name)});
    }

    TSection NearestSection() const
    {
        for (auto Frame = FFrames.rbegin(); Frame != FFrames.rend(); ++Frame)
            if (!Frame->Row)
                return Frame->Section;
        return TSection::Other;
    }
    TFrame* NearestRow()
    {
        for (auto Frame = FFrames.rbegin(); Frame != FFrames.rend(); ++Frame)
            if (Frame->Row)
                return &*Frame;
        return nullptr;
    }
    std::string_view RequestWord() const
    {
        for (const TFrame& Frame : FFrames)
            if (Frame.Section == TSection::Request && !Frame.Row)
                return Frame.Word;
        return {};
    }

    std::vector<TOutlineEntry>& FEntries;
    std::vector<TFrame> FFrames;
    std::vector<TSpan> FSpans;
    objectsyntax::TState FState = objectsyntax::StartState;
    std::string_view FPending;
    std::string* FValue = nullptr;
};

}  // namespace

TObjectOutline::TObjectOutline(std::string_view Text)
{
    TBuilder(FEntries).Run(Text);
}

std::int32_t TObjectOutline::EntryAt(std::int32_t Line) const
{
    const auto After = std::upper_bound(FEntries.begin(), FEntries.end(), Line,
                                        [](std::int32_t L, const TOutlineEntry& Entry) { return L < Entry.Line; });
    return std::int32_t(After - FEntries.begin()) - 1;
}
