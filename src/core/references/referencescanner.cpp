#include "core/references/referencescanner.h"

#include "core/objectsyntax.h"
#include "core/simd.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace references {

namespace {

using objectsyntax::TCategory;
using objectsyntax::TSpan;

char Folded(char C) { return C >= 'A' && C <= 'Z' ? char(C + 32) : C; }

std::string FoldedName(std::string_view Name)
{
    std::string Key(Name);
    for (char& C : Key)
        C = Folded(C);
    return Key;
}

bool IsSpace(char C) { return C == ' ' || C == '\t'; }
bool IsBreak(char C) { return C == '\r' || C == '\n'; }
bool IsDigit(char C) { return C >= '0' && C <= '9'; }
bool IsIdentStart(char C)
{
    const unsigned char U = static_cast<unsigned char>(C);
    return (U >= 'A' && U <= 'Z') || (U >= 'a' && U <= 'z') || U == '_' || U >= 0x80;
}
bool IsIdentChar(char C) { return IsIdentStart(C) || IsDigit(C); }

struct TKindWord {
    std::string_view Word;
    TObjectType Type;
};

// The words of a variable's type.
constexpr TKindWord TypeWords[] = {{"record", otTable},     {"codeunit", otCodeunit}, {"page", otPage},
                                   {"form", otForm},        {"report", otReport},     {"xmlport", otXMLport},
                                   {"query", otQuery},      {"dataport", otDataport}};
// The words before :: that name objects.
constexpr TKindWord ColonWords[] = {{"database", otTable}, {"codeunit", otCodeunit}, {"page", otPage},
                                    {"form", otForm},      {"report", otReport},     {"xmlport", otXMLport},
                                    {"query", otQuery},    {"dataport", otDataport}};
// The kind words of property values ("Table18", "Page 21").
constexpr TKindWord ValueWords[] = {{"table", otTable},     {"codeunit", otCodeunit}, {"page", otPage},
                                    {"form", otForm},       {"report", otReport},     {"xmlport", otXMLport},
                                    {"query", otQuery},     {"dataport", otDataport}, {"menusuite", otMenuSuite}};

template <std::size_t N>
TObjectType KindOf(std::string_view Word, const TKindWord (&Words)[N])
{
    for (const TKindWord& Kind : Words)
        if (SameName(Word, Kind.Word))
            return Kind.Type;
    return otUnknown;
}

// The properties whose value names an object, and the kind a bare name has.
struct TNamingProperty {
    std::string_view Name;
    TObjectType Type;
    bool Weak;
};
constexpr TNamingProperty NamingProperties[] = {
    {"SourceTable", otTable, false},      {"DataItemTable", otTable, false},   {"TableNo", otTable, false},
    {"LinkTable", otTable, true},         {"RunObject", otUnknown, false},     {"LookupPageID", otPage, false},
    {"DrillDownPageID", otPage, false},   {"CardPageID", otPage, false},       {"PagePartID", otPage, false},
    {"LookupFormID", otForm, false},      {"DrillDownFormID", otForm, false},  {"SubFormID", otForm, false},
    {"SubPageID", otPage, false},
};

// Record functions whose first argument, or every argument, is a field.
constexpr std::string_view FirstFieldFunctions[] = {"setrange",    "setfilter",   "testfield",   "validate",
                                                    "fieldno",     "fieldcaption", "fielderror", "getfilter",
                                                    "getrangemin", "getrangemax", "modifyall",   "copyfilter"};
constexpr std::string_view FieldListFunctions[] = {"calcfields", "setcurrentkey", "calcsums", "setautocalcfields"};

template <std::size_t N>
bool OneOf(std::string_view Word, const std::string_view (&Words)[N])
{
    return std::any_of(std::begin(Words), std::end(Words), [Word](std::string_view W) { return SameName(Word, W); });
}

enum class TTokenKind : std::uint8_t {
    Ident, Keyword, Quoted, Number, Punct, Other, Property, Value, Cell, Section, Open, Close
};

struct TToken {
    std::int32_t Offset;
    std::int32_t Length;
    std::int32_t Line;
    TTokenKind Kind;
    std::int32_t CellsEnd = 0;  // an opening brace's: where the row's cells end
};

// A variable's type.
struct TVarType {
    TObjectType Type = otUnknown;
    std::int32_t ID = 0;
};

enum class TSection : std::uint8_t { None, Fields, Keys, Code, DataItems, Other };

}  // namespace

bool SameName(std::string_view A, std::string_view B)
{
    if (A.size() != B.size())
        return false;
    for (std::size_t I = 0; I < A.size(); ++I)
        if (Folded(A[I]) != Folded(B[I]))
            return false;
    return true;
}

class TReferenceScanner::TImpl {
public:
    const std::vector<TReference>& Scan(std::string_view Text, TObjectType Type, std::int32_t ID, TScanDepth Depth,
                                        std::string_view Member)
    {
        FText = Text;
        FWanted = Member;
        FType = Type;
        FID = ID;
        FMembers = Depth == TScanDepth::Members;
        FOut.clear();
        FGlobals.clear();
        FProcedures.clear();
        FOwnRecord = Type == otTable ? TVarType{otTable, ID} : TVarType{};
        FRecParameter = FOwnRecord;
        Tokenize();
        // The first walk learns the globals, the source table and the
        // procedures, which code written before them uses; references to
        // objects need none of them.
        if (FMembers)
            Walk(false);
        Walk(true);
        std::stable_sort(FOut.begin(), FOut.end(),
                         [](const TReference& A, const TReference& B) { return A.Offset < B.Offset; });
        return FOut;
    }

private:
    // --- tokens ------------------------------------------------------------

    void Tokenize()
    {
        FTokens.clear();
        FDropped = FDropsValue = false;
        objectsyntax::TState State = objectsyntax::StartState;
        std::size_t Start = 0;
        for (std::int32_t Line = 1;; ++Line) {
            const bool Continued = !FTokens.empty() && !FDropped && Continues(FTokens.back());
            // Code names an object only after a colon ("x : Record 18",
            // "DATABASE::Customer"), which most lines lack but for ":=";
            // of the others only the structure counts, and of the CODE
            // section's code, which is most of an object, none.
            if (!FMembers && !Continued) {
                std::int32_t Passed = 0;
                Start = objectsyntax::SkipCodeLines(FText, Start, State, Passed, &DeclaresObject);
                Line += Passed;
            }
            const std::size_t End = LineEnd(Start);
            const std::string_view Text = FText.substr(Start, End - Start);
            const bool Plain = FMembers || Continued || HasColon(Text);
            State = Plain ? objectsyntax::ScanLine(Text, State, FSpans) : objectsyntax::ScanStructure(Text, State, FSpans);
            std::int32_t Pos = 0;
            for (std::size_t I = 0; I < FSpans.size(); ++I) {
                const TSpan& Span = FSpans[I];
                if (Plain)
                    Gap(Text, Pos, Span.Start, std::int32_t(Start), Line);
                AddSpan(Text, I, std::int32_t(Start), Line, Plain);
                Pos = Span.Start + Span.Length;
            }
            if (Plain)
                Gap(Text, Pos, std::int32_t(Text.size()), std::int32_t(Start), Line);
            if (End == FText.size())
                break;
            Start = End + (FText[End] == '\r' && End + 1 < FText.size() && FText[End + 1] == '\n' ? 2 : 1);
        }
    }

    // Where the line from Start ends: its CR or LF, or the text's end.
    std::size_t LineEnd(std::size_t Start) const
    {
        const char* const End = FText.data() + FText.size();
        const char* P = simd::FindLineBreak(FText.data() + Start, End);
        while (P < End && *P == '\0')
            P = simd::FindLineBreak(P + 1, End);
        return std::size_t(P - FText.data());
    }

    void Add(std::int32_t Offset, std::int32_t Length, std::int32_t Line, TTokenKind Kind)
    {
        FTokens.push_back({Offset, Length, Line, Kind});
        FDropped = FDropsValue = false;
    }

    // Plain text: names, numbers and punctuation of code.
    void Gap(std::string_view Text, std::int32_t From, std::int32_t To, std::int32_t Base, std::int32_t Line)
    {
        std::int32_t I = From;
        while (I < To) {
            const char C = Text[std::size_t(I)];
            std::int32_t J = I + 1;
            TTokenKind Kind = TTokenKind::Punct;
            if (IsSpace(C)) {
                ++I;
                continue;
            }
            if (IsIdentStart(C)) {
                while (J < To && IsIdentChar(Text[std::size_t(J)]))
                    ++J;
                Kind = TTokenKind::Ident;
            } else if (IsDigit(C)) {
                while (J < To && IsDigit(Text[std::size_t(J)]))
                    ++J;
                Kind = TTokenKind::Number;
            } else if (C == ':' && J < To && (Text[std::size_t(J)] == ':' || Text[std::size_t(J)] == '=')) {
                ++J;
            }
            Add(Base + I, J - I, Line, Kind);
            I = J;
        }
    }

    // A token after which a declaration or KIND::Name may go on on the next line.
    bool Continues(const TToken& Token) const
    {
        const std::string_view Text = TextOf(Token);
        switch (Token.Kind) {
        case TTokenKind::Punct: return Text == ":" || Text == "::" || Text == "[" || Text == "]" || Text == ",";
        case TTokenKind::Keyword: return SameName(Text, "TEMPORARY") || SameName(Text, "ARRAY") || SameName(Text, "OF");
        case TTokenKind::Ident:
        case TTokenKind::Number: return true;
        default: return false;
        }
    }

    // Whether Value() reads the property called Name when no member is looked for.
    static bool NamesObjects(std::string_view Name)
    {
        constexpr std::string_view Others[] = {"TableRelation", "CalcFormula", "Permissions", "RunObjectType",
                                               "RunObjectID"};
        const auto Is = [Name](std::string_view Wanted) { return Wanted == Name; };
        return std::any_of(std::begin(Others), std::end(Others), Is) ||
               std::any_of(std::begin(NamingProperties), std::end(NamingProperties),
                           [&Is](const TNamingProperty& Naming) { return Is(Naming.Name); });
    }

    // Whether the colon at Line[Colon], in code, may begin a declaration of
    // an object's type (Cust@1 : Record 18) or be the "::" after a kind word
    // (DATABASE::Customer): not when a word follows it that is no kind word
    // nor one a declaration passes over on its way to one (x@1 : Integer),
    // nor for "::" after anything but a kind word ("Document Type"::Order).
    // A colon at the line's end is read with the next line's first word
    // (TextEnd: where the text ends).
    static bool DeclaresObject(std::string_view Line, std::size_t Colon, const char* TextEnd)
    {
        if (Colon + 1 < Line.size() && Line[Colon + 1] == ':') {
            std::size_t End = Colon;
            while (End > 0 && IsSpace(Line[End - 1]))
                --End;
            std::size_t Start = End;
            while (Start > 0 && IsIdentChar(Line[Start - 1]))
                --Start;
            while (Start < End && IsDigit(Line[Start]))
                ++Start;  // 0DATABASE: a number, then the name
            if (Start == End)
                return End == 0 || Line[End - 1] != '"';
            return KindOf(Line.substr(Start, End - Start), ColonWords) != otUnknown;
        }
        const char* P = Line.data() + Colon + 1;
        const char* End = Line.data() + Line.size();
        while (P < End && IsSpace(*P))
            ++P;
        if (P == End) {
            End = TextEnd;
            while (P < End && (IsSpace(*P) || IsBreak(*P)))
                ++P;
        }
        if (P == End || !((*P >= 'A' && *P <= 'Z') || (*P >= 'a' && *P <= 'z')))
            return true;
        const char* const Word = P;
        while (P < End && IsIdentChar(*P))
            ++P;
        const std::string_view Text(Word, std::size_t(P - Word));
        return KindOf(Text, TypeWords) != otUnknown || SameName(Text, "TEMPORARY") || SameName(Text, "ARRAY") ||
               SameName(Text, "OF");
    }

    // Whether Text, a line, has a colon DeclaresObject wants, wherever it is.
    bool HasColon(std::string_view Text) const
    {
        const char* const TextEnd = FText.data() + FText.size();
        for (std::size_t I = Text.find(':'); I != std::string_view::npos; I = Text.find(':', I + 1)) {
            if (I + 1 < Text.size() && Text[I + 1] == '=') {
                ++I;
                continue;
            }
            if (DeclaresObject(Text, I, TextEnd))
                return true;
            if (I + 1 < Text.size() && Text[I + 1] == ':')
                ++I;
        }
        return false;
    }

    void AddSpan(std::string_view Text, std::size_t Index, std::int32_t Base, std::int32_t Line, bool Plain)
    {
        const TSpan& Span = FSpans[Index];
        const std::int32_t Offset = Base + Span.Start;
        if (!Plain && Span.Category >= TCategory::Keyword && Span.Category <= TCategory::Date)
            return;  // spaces, punctuation, names in code
        switch (Span.Category) {
        case TCategory::Keyword: Add(Offset, Span.Length, Line, TTokenKind::Keyword); break;
        case TCategory::Name: Add(Offset, Span.Length, Line, TTokenKind::Quoted); break;
        case TCategory::Number: Add(Offset, Span.Length, Line, TTokenKind::Number); break;
        case TCategory::String:
        case TCategory::Date: Add(Offset, Span.Length, Line, TTokenKind::Other); break;
        case TCategory::Property:
            // The object's walk reads only the properties that name objects.
            if (FMembers || NamesObjects(Text.substr(std::size_t(Span.Start), std::size_t(Span.Length - 1))))
                Add(Offset, Span.Length - 1, Line, TTokenKind::Property);
            else
                FDropped = FDropsValue = true;
            break;
        case TCategory::Value:
            if (FDropsValue)
                FDropped = true;
            else
                Add(Offset, Span.Length, Line, TTokenKind::Value);
            break;
        case TCategory::Cell:
            // Only a member's walk reads cells; the object's needs to know one ended the tokens.
            if (FMembers)
                Add(Offset, Span.Length, Line, TTokenKind::Cell);
            else
                FDropped = true;
            break;
        case TCategory::Section: Add(Offset, Span.Length, Line, TTokenKind::Section); break;
        case TCategory::Brace:
            if (Text[std::size_t(Span.Start)] == '{') {
                // A row's cells run to its first property, nested brace or
                // section word, or to the line's end.
                std::int32_t End = std::int32_t(Text.size());
                for (std::size_t I = Index + 1; I < FSpans.size(); ++I) {
                    const TCategory Category = FSpans[I].Category;
                    if (Category == TCategory::Property || Category == TCategory::Brace ||
                        Category == TCategory::Section) {
                        End = FSpans[I].Start;
                        break;
                    }
                }
                Add(Offset, 1, Line, TTokenKind::Open);
                FTokens.back().CellsEnd = Base + End;
            } else {
                Add(Offset, 1, Line, TTokenKind::Close);
            }
            break;
        default: break;  // comments, layouts
        }
    }

    // --- the walk ----------------------------------------------------------

    std::string_view TextOf(const TToken& Token) const
    {
        return FText.substr(std::size_t(Token.Offset), std::size_t(Token.Length));
    }
    // A name token's name, without quotes.
    std::string_view NameOf(const TToken& Token) const
    {
        std::string_view Text = TextOf(Token);
        if (Token.Kind == TTokenKind::Quoted) {
            Text.remove_prefix(1);
            if (!Text.empty() && Text.back() == '"')
                Text.remove_suffix(1);
        }
        return Text;
    }
    bool IsName(std::size_t I) const
    {
        return I < FTokens.size() && (FTokens[I].Kind == TTokenKind::Ident || FTokens[I].Kind == TTokenKind::Quoted);
    }
    bool IsPunct(std::size_t I, std::string_view P) const
    {
        return I < FTokens.size() && FTokens[I].Kind == TTokenKind::Punct && TextOf(FTokens[I]) == P;
    }
    bool IsKeyword(std::size_t I, std::string_view Word) const
    {
        return I < FTokens.size() && FTokens[I].Kind == TTokenKind::Keyword && SameName(TextOf(FTokens[I]), Word);
    }

    void Walk(bool Emit)
    {
        FEmit = Emit;
        FFrames.clear();
        FPendingSection = TSection::None;
        FLocals.clear();
        FWiths.clear();
        FBlocks = 0;
        FInRoutine = false;
        FSeenProcedure = false;
        FRunObjectType = otUnknown;
        FDataItems.clear();
        FDataItemIndent = 0;
        FCurrentDataItem = {};
        FSkip.assign(Emit && FMembers ? FTokens.size() : 0, false);
        for (std::size_t I = 0; I < FTokens.size(); ++I) {
            const TToken& Token = FTokens[I];
            switch (Token.Kind) {
            case TTokenKind::Section: FPendingSection = SectionOf(TextOf(Token)); break;
            case TTokenKind::Open: Open(Token); break;
            case TTokenKind::Close:
                FPendingSection = TSection::None;
                if (!FFrames.empty())
                    FFrames.pop_back();
                FInRoutine = false;
                break;
            case TTokenKind::Property: I = Property(I); break;
            case TTokenKind::Keyword: Keyword(I); break;
            case TTokenKind::Ident:
            case TTokenKind::Quoted: Name(I); break;
            case TTokenKind::Punct:
                if (!FWiths.empty() && !FWiths.back().Block && FWiths.back().Blocks == FBlocks &&
                    TextOf(Token) == ";")
                    FWiths.pop_back();
                break;
            default: break;
            }
        }
    }

    static TSection SectionOf(std::string_view Word)
    {
        if (Word == "FIELDS")
            return TSection::Fields;
        if (Word == "KEYS")
            return TSection::Keys;
        if (Word == "CODE")
            return TSection::Code;
        if (Word == "DATAITEMS")
            return TSection::DataItems;
        return TSection::Other;
    }

    struct TFrame {
        TSection Section;
        bool Row;
    };

    TSection Section() const
    {
        for (auto Frame = FFrames.rbegin(); Frame != FFrames.rend(); ++Frame)
            if (!Frame->Row)
                return Frame->Section;
        return TSection::None;
    }

    void Open(const TToken& Token)
    {
        FInRoutine = false;
        if (FPendingSection != TSection::None || FFrames.empty()) {
            FFrames.push_back({FPendingSection, false});
            FPendingSection = TSection::None;
            return;
        }
        FFrames.push_back({Section(), true});
        FDataItemTable = {};
        FDataItemVarName = {};
        FDataItemIndent = 0;
        FRunObjectType = otUnknown;
        const TSection In = FFrames.back().Section;
        if (!FEmit || !FMembers || (In != TSection::Fields && In != TSection::Keys) || FType != otTable)
            return;
        // The row's cells: a field's name is its third, a key's fields its second.
        std::int32_t Start = Token.Offset + 1;
        std::int32_t Cell = 0;
        for (std::int32_t I = Start; I <= Token.CellsEnd; ++I)
            if (I == Token.CellsEnd || FText[std::size_t(I)] == ';') {
                if (In == TSection::Fields && Cell == 2)
                    AddListed(Start, I, Token.Line, false, true);
                if (In == TSection::Keys && Cell == 1)
                    AddListed(Start, I, Token.Line, true, false);
                ++Cell;
                Start = I + 1;
            }
    }

    // The names in Text[Start, End), one, or comma-separated when List:
    // members of this table, or (Definition) its field's definition.
    void AddListed(std::int32_t Start, std::int32_t End, std::int32_t Line, bool List, bool Definition)
    {
        while (Start < End) {
            std::int32_t Stop = End;
            if (List)
                for (std::int32_t I = Start; I < End; ++I)
                    if (FText[std::size_t(I)] == ',') {
                        Stop = I;
                        break;
                    }
            std::int32_t B = Start, E = Stop;
            while (B < E && IsSpace(FText[std::size_t(B)]))
                ++B;
            while (E > B && IsSpace(FText[std::size_t(E - 1)]))
                --E;
            if (E > B) {
                TReference Reference = MemberReference(FOwnRecord, B, E - B, B, E - B, Line);
                Reference.Definition = Definition;
                FOut.push_back(Reference);
            }
            Start = Stop + 1;
        }
    }

    // --- properties ----------------------------------------------------------

    // A property at I; returns the last token it took.
    std::size_t Property(std::size_t I)
    {
        const std::string_view Name = TextOf(FTokens[I]);
        const std::size_t Qualifier = Name.rfind("::");
        const std::string_view Own = Qualifier == std::string_view::npos ? Name : Name.substr(Qualifier + 2);
        FInRoutine = false;
        if (Own.size() > 2 && Own[0] == 'O' && Own[1] == 'n' && Own[2] >= 'A' && Own[2] <= 'Z') {
            StartRoutine();
            // A codeunit's OnRun works on its TableNo's record as if inside WITH Rec.
            FOwnNames = FType != otCodeunit || Own == "OnRun";
            return I;
        }
        std::size_t Last = I;
        while (Last + 1 < FTokens.size() && FTokens[Last + 1].Kind == TTokenKind::Value)
            ++Last;
        if (Last == I)
            return I;
        const TToken& First = FTokens[I + 1];
        const std::int32_t End = FTokens[Last].Offset + FTokens[Last].Length;
        Value(Name, First.Offset, End, First.Line);
        return Last;
    }

    void Value(std::string_view Property, std::int32_t Start, std::int32_t End, std::int32_t Line)
    {
        TValueCursor Value{FText, Start, End, Start, Line};
        if (Property == "TableRelation") {
            if (FEmit)
                TableRelation(Value);
            return;
        }
        if (Property == "CalcFormula") {
            if (FEmit)
                CalcFormula(Value);
            return;
        }
        if (Property == "Permissions") {
            if (FEmit)
                Permissions(Value);
            return;
        }
        if (Property == "SourceExpr") {
            if (FEmit && FMembers)
                SourceExpr(Value);
            return;
        }
        if (Property == "RunObjectType") {
            FRunObjectType = KindOf(Value.Rest(), ValueWords);
            return;
        }
        if (Property == "RunObjectID") {
            if (FEmit && FRunObjectType != otUnknown)
                NamedObject(Value, FRunObjectType, false);
            return;
        }
        if (Property == "DataItemVarName") {
            FDataItemVarName = Value.Rest();
            DataItemVariable();
            return;
        }
        if (Property == "DataItemIndent") {
            const std::string_view Indent = Value.Rest();
            FDataItemIndent = Indent.size() == 1 && IsDigit(Indent[0]) ? Indent[0] - '0' : 0;
            return;
        }
        if (Property == "DataItemTableView" || Property == "DataItemLink") {
            if (FEmit && FMembers && FDataItemTable.Type != otUnknown && FDataItemTable.ID != 0) {
                if (Property == "DataItemLink")
                    DataItemLink(Value);
                else
                    TableView(Value);
            }
            return;
        }
        for (const TNamingProperty& Naming : NamingProperties)
            if (Property == Naming.Name) {
                const TReference Reference = NamedObject(Value, Naming.Type, Naming.Weak);
                if (Property == "DataItemTable") {
                    FDataItemTable = {Reference.Type, Reference.ID};
                    DataItemVariable();
                    // Each data item's parent is the last one indented one step less.
                    FDataItems.resize(std::size_t(FDataItemIndent) + 1);
                    FDataItems.back() = FCurrentDataItem = FDataItemTable;
                }
                if (Property == "SourceTable" && (FType == otPage || FType == otForm) &&
                    std::none_of(FFrames.begin(), FFrames.end(), [](const TFrame& F) { return F.Row; }))
                    FOwnRecord = FRecParameter = {Reference.Type, Reference.ID};
                if (Property == "TableNo" && FType == otCodeunit)
                    FRecParameter = {Reference.Type, Reference.ID};
                return;
            }
    }

    // Whose fields unqualified names and SourceExpr name: the table's, the
    // page's source table, or inside a report's or dataport's data items,
    // whose code and sections work on its record, the data item's table.
    TVarType OwnRecord() const
    {
        const bool DataItem = (FType == otReport || FType == otDataport) && FCurrentDataItem.Type != otUnknown &&
                              std::any_of(FFrames.begin(), FFrames.end(), [](const TFrame& Frame) {
                                  return !Frame.Row && Frame.Section == TSection::DataItems;
                              });
        return DataItem ? FCurrentDataItem : FOwnRecord;
    }

    // A data item's variable: its own name, else the table's (not known here).
    void DataItemVariable()
    {
        if (!FDataItemVarName.empty() && FDataItemTable.Type != otUnknown && FDataItemTable.ID != 0)
            FGlobals[FoldedName(FDataItemVarName)] = FDataItemTable;
    }

    // Reads a property value's characters, knowing their lines.
    struct TValueCursor {
        std::string_view Text;
        std::int32_t Start, End;
        std::int32_t Pos;
        std::int32_t Line;  // of Pos

        char At(std::int32_t I) const { return I < End ? Text[std::size_t(I)] : '\0'; }
        void Skip()
        {
            while (Pos < End && (IsSpace(Text[std::size_t(Pos)]) || IsBreak(Text[std::size_t(Pos)])))
                Step();
        }
        void Step()
        {
            const char C = Text[std::size_t(Pos)];
            ++Pos;
            if (C == '\n' || (C == '\r' && At(Pos) != '\n'))
                ++Line;
        }
        void To(std::int32_t I)
        {
            while (Pos < I)
                Step();
        }
        std::string_view Rest() const
        {
            std::int32_t B = Pos, E = End;
            while (B < E && IsSpace(Text[std::size_t(B)]))
                ++B;
            while (E > B && IsSpace(Text[std::size_t(E - 1)]))
                --E;
            return Text.substr(std::size_t(B), std::size_t(E - B));
        }
        bool Word(std::string_view W)
        {
            Skip();
            const std::int32_t N = std::int32_t(W.size());
            if (End - Pos < N || !SameName(Text.substr(std::size_t(Pos), std::size_t(N)), W) ||
                IsIdentChar(At(Pos + N)))
                return false;
            To(Pos + N);
            return true;
        }
        // Past the brackets that open at Pos.
        void SkipBrackets()
        {
            int Depth = 0;
            while (Pos < End) {
                const char C = Text[std::size_t(Pos)];
                Step();
                if (C == '(')
                    ++Depth;
                else if (C == ')' && --Depth <= 0)
                    return;
            }
        }
    };

    // A name in a value: quoted, or up to one of Stops, a space or a break.
    struct TValueName {
        std::int32_t Start = 0, End = 0;      // with any quotes
        std::int32_t NameStart = 0, NameEnd = 0;
        std::int32_t Line = 0;
        bool Empty() const { return NameEnd <= NameStart; }
    };
    static TValueName ValueName(TValueCursor& Value, std::string_view Stops, bool Spaces = false)
    {
        Value.Skip();
        TValueName Name;
        Name.Start = Name.NameStart = Value.Pos;
        Name.Line = Value.Line;
        if (Value.At(Value.Pos) == '"') {
            std::int32_t Close = Value.Pos + 1;
            while (Close < Value.End && Value.Text[std::size_t(Close)] != '"' && !IsBreak(Value.Text[std::size_t(Close)]))
                ++Close;
            Name.NameStart = Value.Pos + 1;
            Name.NameEnd = Close;
            Value.To(std::min(Close + (Value.At(Close) == '"' ? 1 : 0), Value.End));
            Name.End = Value.Pos;
            return Name;
        }
        std::int32_t I = Value.Pos;
        while (I < Value.End) {
            const char C = Value.Text[std::size_t(I)];
            if (IsBreak(C) || (!Spaces && IsSpace(C)) || Stops.find(C) != std::string_view::npos)
                break;
            ++I;
        }
        std::int32_t E = I;
        while (E > Value.Pos && IsSpace(Value.Text[std::size_t(E - 1)]))
            --E;
        Name.NameEnd = Name.End = E;
        Value.To(I);
        return Name;
    }

    std::string_view Bytes(std::int32_t Start, std::int32_t End) const
    {
        return FText.substr(std::size_t(Start), std::size_t(std::max(End - Start, 0)));
    }

    // A value that names one object: "Table18", "Page 21", "18", or a name.
    TReference NamedObject(TValueCursor& Value, TObjectType Default, bool Weak)
    {
        const std::string_view Text = Value.Rest();
        const std::int32_t Start = std::int32_t(Text.data() - FText.data());
        Value.Skip();
        TReference Reference;
        Reference.Offset = Reference.MarkOffset = Start;
        Reference.Length = Reference.MarkLength = std::int32_t(Text.size());
        Reference.Line = Value.Line;
        Reference.Type = Default;
        Reference.Weak = Weak;
        std::size_t Letters = 0;
        while (Letters < Text.size() && IsIdentStart(Text[Letters]) && !(static_cast<unsigned char>(Text[Letters]) >= 0x80))
            ++Letters;
        std::size_t Digits = Letters;
        while (Digits < Text.size() && IsSpace(Text[Digits]))
            ++Digits;
        const std::size_t DigitsStart = Digits;
        while (Digits < Text.size() && IsDigit(Text[Digits]))
            ++Digits;
        const TObjectType Kind = Letters > 0 ? KindOf(Text.substr(0, Letters), ValueWords) : Default;
        if (Kind != otUnknown && Digits == Text.size() && Digits > DigitsStart && Digits - DigitsStart <= 9) {
            Reference.Type = Kind;
            Reference.ID = std::stoi(std::string(Text.substr(DigitsStart)));
        } else {
            std::string_view Name = Text;
            if (Name.size() >= 2 && Name.front() == '"' && Name.back() == '"')
                Name = Name.substr(1, Name.size() - 2);
            Reference.Name = Name;
        }
        if (FEmit && Reference.Type != otUnknown && (Reference.ID != 0 || !Reference.Name.empty()))
            FOut.push_back(Reference);
        return Reference;
    }

    TReference ObjectByName(const TValueName& Name, TObjectType Type)
    {
        TReference Reference;
        Reference.Offset = Reference.MarkOffset = Name.Start;
        Reference.Length = Reference.MarkLength = Name.End - Name.Start;
        Reference.Line = Name.Line;
        Reference.Type = Type;
        Reference.Name = Bytes(Name.NameStart, Name.NameEnd);
        return Reference;
    }

    // SORTING(Field,...) ORDER(...) WHERE(Field=CONST(...),...): fields of
    // the data item's table.
    void TableView(TValueCursor& Value)
    {
        TReference Table;
        Table.Type = FDataItemTable.Type;
        Table.ID = FDataItemTable.ID;
        for (;;) {
            if (Value.Word("SORTING")) {
                Value.Skip();
                if (Value.At(Value.Pos) != '(')
                    return;
                Value.Step();
                for (;;) {
                    const TValueName Field = ValueName(Value, ",)", true);
                    if (!Field.Empty())
                        FOut.push_back(MemberReference(FDataItemTable, Field.Start, Field.End - Field.Start,
                                                       Field.NameStart, Field.NameEnd - Field.NameStart, Field.Line));
                    if (Value.At(Value.Pos) != ',')
                        break;
                    Value.Step();
                }
                if (Value.At(Value.Pos) == ')')
                    Value.Step();
            } else if (Value.Word("ORDER")) {
                Value.Skip();
                Value.SkipBrackets();
            } else if (Value.Word("WHERE")) {
                Value.Skip();
                if (Value.At(Value.Pos) != '(')
                    return;
                Conditions(Value, &Table);
            } else {
                return;
            }
        }
    }

    // Field=FIELD(Parent Field),...: a field of the data item's table, then
    // one of its parent's.
    void DataItemLink(TValueCursor& Value)
    {
        const std::size_t Indent = std::size_t(FDataItemIndent);
        const TVarType Parent = Indent > 0 && Indent <= FDataItems.size() ? FDataItems[Indent - 1] : TVarType{};
        while (Value.Pos < Value.End) {
            const TValueName Field = ValueName(Value, "=,", true);
            if (!Field.Empty())
                FOut.push_back(MemberReference(FDataItemTable, Field.Start, Field.End - Field.Start, Field.NameStart,
                                               Field.NameEnd - Field.NameStart, Field.Line));
            if (Value.At(Value.Pos) != '=')
                return;
            Value.Step();
            if (Value.Word("FIELD") && Value.At(Value.Pos) == '(') {
                Value.Step();
                const TValueName Own = ValueName(Value, ")", true);
                if (!Own.Empty() && Parent.Type != otUnknown)
                    FOut.push_back(MemberReference(Parent, Own.Start, Own.End - Own.Start, Own.NameStart,
                                                   Own.NameEnd - Own.NameStart, Own.Line));
                if (Value.At(Value.Pos) == ')')
                    Value.Step();
            }
            // On to the next link, past any brackets.
            int Depth = 0;
            while (Value.Pos < Value.End && !(Depth == 0 && Value.At(Value.Pos) == ',')) {
                Depth += Value.At(Value.Pos) == '(' ? 1 : Value.At(Value.Pos) == ')' ? -1 : 0;
                Value.Step();
            }
            if (Value.Pos < Value.End)
                Value.Step();
        }
    }

    // Table[.Field] [WHERE (...)], the table named: returns it.
    void RelatedTable(TValueCursor& Value)
    {
        const TValueName Table = ValueName(Value, ".(;,)");
        if (Table.Empty())
            return;
        TReference Reference = ObjectByName(Table, otTable);
        if (Value.At(Value.Pos) == '.') {
            Value.Step();
            const TValueName Field = ValueName(Value, "(;,)");
            if (!Field.Empty()) {
                Reference.Length = Field.End - Reference.Offset;
                if (FMembers) {
                    Reference.Member = Bytes(Field.NameStart, Field.NameEnd);
                    Reference.MarkOffset = Field.Start;
                    Reference.MarkLength = Field.End - Field.Start;
                }
            }
        }
        FOut.push_back(Reference);
        if (Value.Word("WHERE")) {
            Value.Skip();
            if (FMembers && Value.At(Value.Pos) == '(')
                Conditions(Value, &Reference);
            else
                Value.SkipBrackets();
        }
    }

    // (Field=CONST(x),Field=FIELD(Own Field),...): the left fields are the
    // related table's (Related; null: this record's), FIELD's this record's.
    void Conditions(TValueCursor& Value, const TReference* Related)
    {
        Value.Step();  // the opening bracket
        while (Value.Pos < Value.End) {
            const TValueName Field = ValueName(Value, "=)", true);
            if (!Field.Empty()) {
                if (Related) {
                    TReference Member = *Related;
                    Member.Offset = Member.MarkOffset = Field.Start;
                    Member.Length = Member.MarkLength = Field.End - Field.Start;
                    Member.Line = Field.Line;
                    Member.Member = Bytes(Field.NameStart, Field.NameEnd);
                    FOut.push_back(Member);
                } else {
                    OwnValueMember(Field);
                }
            }
            if (Value.At(Value.Pos) != '=')
                break;
            Value.Step();
            // CONST(...), FILTER(...), FIELD(name), UPPERLIMIT(FIELD(name)): to
            // the next condition or the end, taking FIELD's name.
            int Depth = 0;
            while (Value.Pos < Value.End) {
                const char C = Value.At(Value.Pos);
                if (Depth == 0 && (C == ',' || C == ')'))
                    break;
                if (IsIdentStart(C)) {
                    const std::int32_t WordStart = Value.Pos;
                    while (IsIdentChar(Value.At(Value.Pos)))
                        Value.Step();
                    if (SameName(Bytes(WordStart, Value.Pos), "FIELD") && Value.At(Value.Pos) == '(') {
                        Value.Step();
                        ++Depth;
                        for (const std::string_view Limit : {"UPPERLIMIT", "LOWERLIMIT"})
                            if (Value.Word(Limit) && Value.At(Value.Pos) == '(') {
                                Value.Step();
                                ++Depth;
                            }
                        const TValueName Own = ValueName(Value, ")", true);
                        if (!Own.Empty())
                            OwnValueMember(Own);
                    }
                    continue;
                }
                Depth += C == '(' ? 1 : C == ')' ? -1 : 0;
                Value.Step();
            }
            if (Value.At(Value.Pos) != ',') {
                if (Value.Pos < Value.End)
                    Value.Step();
                break;
            }
            Value.Step();
        }
    }

    void OwnValueMember(const TValueName& Field)
    {
        if (FOwnRecord.Type == otUnknown)
            return;
        FOut.push_back(
            MemberReference(FOwnRecord, Field.Start, Field.End - Field.Start, Field.NameStart,
                            Field.NameEnd - Field.NameStart, Field.Line));
    }

    // [IF (conditions)] Table[.Field] [WHERE (...)] [ELSE ...]
    void TableRelation(TValueCursor& Value)
    {
        for (;;) {
            if (Value.Word("IF")) {
                Value.Skip();
                if (Value.At(Value.Pos) != '(')
                    return;
                if (FMembers)
                    Conditions(Value, nullptr);
                else
                    Value.SkipBrackets();
            }
            const std::int32_t Before = Value.Pos;
            RelatedTable(Value);
            if (!Value.Word("ELSE") || Value.Pos == Before)
                return;
        }
    }

    // [-]Sum(Table.Field WHERE (...)), Exist(Table WHERE ...), Count, Lookup ...
    void CalcFormula(TValueCursor& Value)
    {
        Value.Skip();
        if (Value.At(Value.Pos) == '-')
            Value.Step();
        while (IsIdentChar(Value.At(Value.Pos)))
            Value.Step();
        Value.Skip();
        if (Value.At(Value.Pos) != '(')
            return;
        Value.Step();
        RelatedTable(Value);
    }

    // TableData 18=rimd,TableData Customer=r
    void Permissions(TValueCursor& Value)
    {
        while (Value.Pos < Value.End) {
            if (Value.Word("TableData")) {
                const TValueName Table = ValueName(Value, "=,;");
                if (!Table.Empty()) {
                    TReference Reference = ObjectByName(Table, otTable);
                    const std::string_view Name = Reference.Name;
                    if (std::all_of(Name.begin(), Name.end(), IsDigit) && Name.size() <= 9) {
                        Reference.ID = std::stoi(std::string(Name));
                        Reference.Name = {};
                    }
                    FOut.push_back(Reference);
                }
            }
            while (Value.Pos < Value.End && Value.At(Value.Pos) != ',')
                Value.Step();
            if (Value.Pos < Value.End)
                Value.Step();
        }
    }

    // SourceExpr="No.", SourceExpr=Rec.Amount, SourceExpr=Name: this record's
    // member unless it names a variable.
    void SourceExpr(TValueCursor& Value)
    {
        const TValueName Name = ValueName(Value, ".;()[]+-*/<>=,'");
        if (Name.Empty())
            return;
        const std::string_view Text = Bytes(Name.NameStart, Name.NameEnd);
        const TVarType* Variable = VariableNamed(Text);
        if (Variable && Value.At(Value.Pos) == '.') {
            Value.Step();
            const TValueName Field = ValueName(Value, ".;()[]+-*/<>=,'");
            if (!Field.Empty())
                FOut.push_back(MemberReference(*Variable, Name.Start, Field.End - Name.Start, Field.NameStart,
                                               Field.NameEnd - Field.NameStart, Field.Line, Field.Start,
                                               Field.End - Field.Start));
            return;
        }
        if (const TVarType Own = OwnRecord(); !Variable && !IsDigit(Text.front()) && Own.Type != otUnknown) {
            TReference Reference = MemberReference(Own, Name.Start, Name.End - Name.Start, Name.NameStart,
                                                   Name.NameEnd - Name.NameStart, Name.Line);
            Reference.Implicit = true;
            FOut.push_back(Reference);
        }
    }

    // --- code --------------------------------------------------------------

    void StartRoutine()
    {
        FInRoutine = true;
        FLocals.clear();
        FWiths.clear();
        FBlocks = 0;
    }

    void Keyword(std::size_t I)
    {
        const std::string_view Word = TextOf(FTokens[I]);
        if (SameName(Word, "PROCEDURE")) {
            StartRoutine();
            FOwnNames = FType != otCodeunit;
            FSeenProcedure = true;
            if (IsName(I + 1)) {
                const std::string_view Name = NameOf(FTokens[I + 1]);
                if (!FEmit)
                    FProcedures.insert(FoldedName(Name));
                else if (FMembers) {
                    const TToken& Token = FTokens[I + 1];
                    TReference Reference = MemberReference({FType, FID}, Token.Offset, Token.Length,
                                                           std::int32_t(Name.data() - FText.data()),
                                                           std::int32_t(Name.size()), Token.Line);
                    Reference.Definition = true;
                    FOut.push_back(Reference);
                }
                if (FEmit && FMembers)
                    FSkip[I + 1] = true;
            }
        } else if (SameName(Word, "BEGIN") || SameName(Word, "CASE")) {
            ++FBlocks;
        } else if (SameName(Word, "END")) {
            // Ends a WITH's BEGIN ... END, and a WITH's statement that the END follows.
            while (!FWiths.empty() && FBlocks <= FWiths.back().Blocks + (FWiths.back().Block ? 1 : 0))
                FWiths.pop_back();
            FBlocks = std::max(FBlocks - 1, 0);
        } else if (FMembers && SameName(Word, "WITH")) {
            With(I);
        }
    }

    // WITH Var DO: the names inside are first the record's.
    void With(std::size_t I)
    {
        if (!IsName(I + 1) || !IsKeyword(I + 2, "DO"))
            return;
        const TVarType* Variable = VariableNamed(NameOf(FTokens[I + 1]));
        if (!Variable)
            return;
        const bool Block = IsKeyword(I + 3, "BEGIN");
        FWiths.push_back({*Variable, FBlocks, Block});
    }

    void Fold(std::string_view Name)
    {
        FKey.assign(Name.data(), Name.size());
        for (char& C : FKey)
            C = Folded(C);
    }

    // The type of the variable called Name where the walk is.
    const TVarType* VariableNamed(std::string_view Name)
    {
        Fold(Name);
        if (const auto Local = FLocals.find(FKey); Local != FLocals.end())
            return &Local->second;
        if (const auto Global = FGlobals.find(FKey); Global != FGlobals.end())
            return &Global->second;
        if ((FKey == "rec" || FKey == "xrec") && FRecParameter.Type != otUnknown)
            return &FRecParameter;
        return nullptr;
    }

    void Name(std::size_t I)
    {
        if (Declaration(I))
            return;
        if (ColonReference(I))
            return;
        if (!FEmit || !FMembers || FSkip[I] || IsPunct(I - 1, ".") || (I > 0 && FTokens[I - 1].Kind == TTokenKind::Property))
            return;
        const std::string_view Name = NameOf(FTokens[I]);
        if (IsPunct(I + 1, ".") && IsName(I + 2)) {
            if (!FWanted.empty() && !MayName(I + 2))
                return;  // another member of Name's record
            if (const TVarType* Variable = VariableNamed(Name); Variable && Variable->Type != otUnknown) {
                Qualified(I, *Variable);
                return;
            }
        }
        if (IsPunct(I + 1, "@") || IsPunct(I + 1, ".") || (I > 0 && IsPunct(I - 1, ":")))
            return;
        if (!FWanted.empty() && !SameName(Name, FWanted))
            return;
        if (FTokens[I].Kind == TTokenKind::Ident && VariableNamed(Name))
            return;
        Unqualified(I);
    }

    // Whether the member token Member (after "Var.") may lead to a reference
    // to the wanted member: it is that member, or a function naming fields.
    bool MayName(std::size_t Member) const
    {
        const std::string_view Name = NameOf(FTokens[Member]);
        return SameName(Name, FWanted) || (IsPunct(Member + 1, "(") && (OneOf(Name, FirstFieldFunctions) ||
                                                                        OneOf(Name, FieldListFunctions)));
    }

    // Var.Member, and the fields named in Var.SETRANGE(Field, ...) and the like.
    void Qualified(std::size_t I, TVarType Variable)
    {
        const TToken& Member = FTokens[I + 2];
        const std::string_view Name = NameOf(Member);
        if (Name.empty())
            return;  // "": no member of anything
        FOut.push_back(MemberReference(Variable, FTokens[I].Offset, Member.Offset + Member.Length - FTokens[I].Offset,
                                       std::int32_t(Name.data() - FText.data()), std::int32_t(Name.size()), Member.Line,
                                       Member.Offset, Member.Length));
        FSkip[I + 2] = true;
        if (Variable.Type == otTable && Member.Kind == TTokenKind::Ident && IsPunct(I + 3, "("))
            FieldArguments(I + 3, Variable, Name);
    }

    // The fields a record function at Bracket names.
    void FieldArguments(std::size_t Bracket, TVarType Record, std::string_view Function)
    {
        const bool All = OneOf(Function, FieldListFunctions);
        if (!All && !OneOf(Function, FirstFieldFunctions))
            return;
        for (std::size_t J = Bracket + 1; IsName(J); J += 2) {
            if (!IsPunct(J + 1, ",") && !IsPunct(J + 1, ")"))
                return;
            const TToken& Field = FTokens[J];
            const std::string_view Name = NameOf(Field);
            if (Name.empty())
                return;
            FOut.push_back(MemberReference(Record, Field.Offset, Field.Length, std::int32_t(Name.data() - FText.data()),
                                           std::int32_t(Name.size()), Field.Line));
            FSkip[J] = true;
            if (!All || IsPunct(J + 1, ")"))
                return;
        }
    }

    // A name standing alone: a member of the WITH record or of this record.
    void Unqualified(std::size_t I)
    {
        const TToken& Token = FTokens[I];
        const std::string_view Name = NameOf(Token);
        if (Name.empty())
            return;
        const auto Add = [&](TVarType Record) {
            TReference Reference = MemberReference(Record, Token.Offset, Token.Length,
                                                   std::int32_t(Name.data() - FText.data()),
                                                   std::int32_t(Name.size()), Token.Line);
            Reference.Implicit = true;
            FOut.push_back(Reference);
        };
        if (!FWiths.empty())
            Add(FWiths.back().Record);
        const TVarType Own = FType == otCodeunit ? FRecParameter : OwnRecord();
        if (Own.Type == otUnknown || !FInRoutine || !FOwnNames)
            return;
        // A page's own procedures are not its table's.
        if (FType != otTable && (Fold(Name), FProcedures.count(FKey) != 0))
            return;
        if (FWiths.empty() || FWiths.back().Record.Type != Own.Type || FWiths.back().Record.ID != Own.ID)
            Add(Own);
    }

    // Name@1 : [TEMPORARY] [ARRAY [n] OF] Record 18 at the kind word I: the
    // object referred to, and the variable known by its type.
    bool Declaration(std::size_t I)
    {
        if (IsPunct(I + 1, "@") && I + 3 < FTokens.size() && FTokens[I + 2].Kind == TTokenKind::Number &&
            IsPunct(I + 3, ":")) {
            // Any variable: its name is no member, whatever its type.
            if (!FMembers)
                return true;
            Fold(NameOf(FTokens[I]));
            if (FInRoutine)
                FLocals.emplace(FKey, TVarType{});
            else if (!FEmit && Section() == TSection::Code && !FSeenProcedure)
                FGlobals.emplace(FKey, TVarType{});
            return true;
        }
        const TToken& Kind = FTokens[I];
        if (Kind.Kind != TTokenKind::Ident || I + 1 >= FTokens.size() || FTokens[I + 1].Kind != TTokenKind::Number)
            return false;
        const TObjectType Type = KindOf(TextOf(Kind), TypeWords);
        if (Type == otUnknown)
            return false;
        // Back to the colon, over TEMPORARY and ARRAY [n] OF.
        std::size_t Colon = I;
        while (Colon > 0) {
            --Colon;
            const TToken& Before = FTokens[Colon];
            const std::string_view Text = TextOf(Before);
            if (Before.Kind == TTokenKind::Punct && Text == ":")
                break;
            const bool Skippable = Before.Kind == TTokenKind::Number ||
                                   (Before.Kind == TTokenKind::Punct && (Text == "[" || Text == "]" || Text == ",")) ||
                                   SameName(Text, "TEMPORARY") || SameName(Text, "ARRAY") || SameName(Text, "OF");
            if (!Skippable || I - Colon > 12)
                return false;
        }
        if (!IsPunct(Colon, ":"))
            return false;
        const TToken& Number = FTokens[I + 1];
        const std::string_view Digits = TextOf(Number);
        if (Digits.size() > 9)
            return false;
        const TVarType Variable{Type, std::stoi(std::string(Digits))};
        // The variable: Name@1000 : ... or Name : ...
        std::size_t NameAt = Colon;
        if (Colon >= 3 && IsPunct(Colon - 2, "@") && FTokens[Colon - 1].Kind == TTokenKind::Number)
            NameAt = Colon - 3;
        else if (Colon >= 1)
            NameAt = Colon - 1;
        if (FMembers && NameAt < Colon && IsName(NameAt)) {
            const std::string Key = FoldedName(NameOf(FTokens[NameAt]));
            if (FInRoutine)
                FLocals[Key] = Variable;
            else if (!FEmit && Section() == TSection::Code && !FSeenProcedure)
                FGlobals[Key] = Variable;
            if (FEmit)
                FSkip[NameAt] = true;
        }
        if (FEmit) {
            TReference Reference;
            Reference.Offset = Reference.MarkOffset = Kind.Offset;
            Reference.Length = Reference.MarkLength = Number.Offset + Number.Length - Kind.Offset;
            Reference.Line = Kind.Line;
            Reference.Type = Variable.Type;
            Reference.ID = Variable.ID;
            FOut.push_back(Reference);
        }
        return true;
    }

    // DATABASE::Customer, PAGE::"Customer List" at the kind word I.
    bool ColonReference(std::size_t I)
    {
        const TToken& Kind = FTokens[I];
        if (Kind.Kind != TTokenKind::Ident || !IsPunct(I + 1, "::") || FTokens[I + 1].Line != Kind.Line ||
            I + 2 >= FTokens.size() || IsPunct(I - 1, "."))
            return false;
        const TObjectType Type = KindOf(TextOf(Kind), ColonWords);
        const TToken& Target = FTokens[I + 2];
        if (Type == otUnknown || (!IsName(I + 2) && Target.Kind != TTokenKind::Number))
            return false;
        if (FEmit) {
            TReference Reference;
            Reference.Offset = Kind.Offset;
            Reference.Length = Target.Offset + Target.Length - Kind.Offset;
            Reference.MarkOffset = Target.Offset;
            Reference.MarkLength = Target.Length;
            Reference.Line = Kind.Line;
            Reference.Type = Type;
            const std::string_view Name = NameOf(Target);
            if (Target.Kind == TTokenKind::Number && Name.size() <= 9)
                Reference.ID = std::stoi(std::string(Name));
            else
                Reference.Name = Name;
            FOut.push_back(Reference);
            if (FMembers)
                FSkip[I + 2] = true;
        }
        return true;
    }

    TReference MemberReference(TVarType Target, std::int32_t Offset, std::int32_t Length, std::int32_t NameOffset,
                               std::int32_t NameLength, std::int32_t Line, std::int32_t MarkOffset = -1,
                               std::int32_t MarkLength = 0) const
    {
        TReference Reference;
        Reference.Offset = Offset;
        Reference.Length = Length;
        Reference.MarkOffset = MarkOffset < 0 ? Offset : MarkOffset;
        Reference.MarkLength = MarkOffset < 0 ? Length : MarkLength;
        Reference.Line = Line;
        Reference.Type = Target.Type;
        Reference.ID = Target.ID;
        Reference.Member = FText.substr(std::size_t(NameOffset), std::size_t(NameLength));
        return Reference;
    }

    struct TWith {
        TVarType Record;
        int Blocks;  // BEGIN/CASE open at the WITH
        bool Block;  // DO BEGIN ... END, else one statement
    };

    std::string_view FText;
    TObjectType FType = otUnknown;
    std::int32_t FID = 0;
    bool FMembers = false;
    std::string_view FWanted;  // the member looked for; empty: every one
    bool FEmit = false;
    std::vector<TReference> FOut;
    std::vector<TToken> FTokens;
    bool FDropped = false;     // a cell or a property, not kept, came after FTokens.back()
    bool FDropsValue = false;  // the value of a property not kept goes on
    std::vector<TSpan> FSpans;
    std::vector<bool> FSkip;  // names a rule has taken
    std::vector<TFrame> FFrames;
    TSection FPendingSection = TSection::None;
    std::unordered_map<std::string, TVarType> FGlobals, FLocals;
    std::unordered_set<std::string> FProcedures;  // folded
    std::vector<TWith> FWiths;
    std::string FKey;
    TVarType FOwnRecord;     // unqualified names' record: the table, a page's source table
    TVarType FRecParameter;  // Rec's and xRec's
    TVarType FDataItemTable;
    std::string_view FDataItemVarName;
    int FDataItemIndent = 0;
    std::vector<TVarType> FDataItems;  // the last data item's table at each indent
    TVarType FCurrentDataItem;         // the last data item's
    TObjectType FRunObjectType = otUnknown;
    int FBlocks = 0;
    bool FInRoutine = false;
    bool FOwnNames = false;  // unqualified names may be the own record's
    bool FSeenProcedure = false;
};

TReferenceScanner::TReferenceScanner() : FImpl(std::make_unique<TImpl>()) {}
TReferenceScanner::~TReferenceScanner() = default;

const std::vector<TReference>& TReferenceScanner::Scan(std::string_view Text, TObjectType Type, std::int32_t ID,
                                                       TScanDepth Depth, std::string_view Member)
{
    return FImpl->Scan(Text, Type, ID, Depth, Member);
}

}  // namespace references
