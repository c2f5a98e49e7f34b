#include "core/objectsyntax.h"

#include <algorithm>
#include <cstring>

#include "core/simd.h"

namespace objectsyntax {

namespace {

// Where a line is: in the structure, in a property's value (which may run over
// lines inside brackets), in a trigger's code, in the CODE section, or in a
// report layout.
enum class TMode : std::uint8_t { Structure, Value, TriggerCode, SectionCode, Layout };

// What the last section word announced, for the brace that opens its body.
enum class TPending : std::uint8_t { None, Other, Code, Layout };

// The state, unpacked. Counters saturate at their field's width.
struct TFields {
    int Depth = 0;       // structural braces open, 0..31
    TMode Mode = TMode::Structure;
    bool Comment = false;
    TPending Pending = TPending::None;
    int Blocks = 0;      // BEGIN/CASE not yet closed by END, 0..63
    bool VarPart = false;  // a trigger's declarations, before its BEGIN
    int Brackets = 0;    // [ open in a value, 0..7
};

constexpr int MaxDepth = 31, MaxBlocks = 63, MaxNesting = 7;

TState Pack(const TFields& F)
{
    return TState(F.Depth) | TState(F.Mode) << 5 | TState(F.Comment) << 8 | TState(F.Pending) << 9 |
           TState(F.Blocks) << 11 | TState(F.VarPart) << 17 | TState(F.Brackets) << 18;
}

TFields Unpack(TState State)
{
    TFields F;
    if (State < 0)
        return F;
    F.Depth = State & 31;
    F.Mode = TMode(std::min((State >> 5) & 7, int(TMode::Layout)));
    F.Comment = (State >> 8) & 1;
    F.Pending = TPending((State >> 9) & 3);
    F.Blocks = (State >> 11) & 63;
    F.VarPart = (State >> 17) & 1;
    F.Brackets = (State >> 18) & 7;
    return F;
}

bool IsSpace(char32_t C) { return C == ' ' || C == '\t'; }
bool IsDigit(char32_t C) { return C >= '0' && C <= '9'; }
bool IsAsciiLetter(char32_t C) { return (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z'); }
bool IsUpper(char32_t C) { return C >= 'A' && C <= 'Z'; }
// Letters beyond ASCII (umlauts in names) count as letters in every encoding.
bool IsIdentStart(char32_t C) { return IsAsciiLetter(C) || C == '_' || C >= 0x80; }
bool IsIdentChar(char32_t C) { return IsIdentStart(C) || IsDigit(C); }
char32_t UpperAscii(char32_t C) { return C >= 'a' && C <= 'z' ? C - 32 : C; }

// What a byte means where a fast loop runs over bytes: the bytes it may not
// skip in code (a name's, a comment's, a string's), in a value, in a cell.
enum : std::uint8_t { StopsCode = 1, IdentByte = 2, StopsValue = 4, StopsCell = 8 };

struct TByteTable {
    std::uint8_t Flags[256] = {};
    constexpr TByteTable()
    {
        for (int C = 0; C < 256; ++C) {
            const bool Ident = (C >= 'A' && C <= 'Z') || (C >= 'a' && C <= 'z') || (C >= '0' && C <= '9') ||
                               C == '_' || C >= 0x80;
            const bool Code = Ident || C == '/' || C == '{' || C == '}' || C == '\'' || C == '"' || C == ';';
            const bool Value = C == ';' || C == '}' || C == '[' || C == ']' || C == '\'' || C == '"';
            const bool Cell = C == ';' || C == '{' || C == '}' || C == '[' || C == ']' || C == '"';
            Flags[C] = std::uint8_t((Code ? StopsCode : 0) | (Ident ? IdentByte : 0) | (Value ? StopsValue : 0) |
                                    (Cell ? StopsCell : 0));
        }
    }
};
constexpr TByteTable ByteTable;

// The first byte in [P, End) with none of Flags' bits, or End.
inline const char* SkipWhile(const char* P, const char* End, std::uint8_t Flags)
{
    while (P < End && (ByteTable.Flags[static_cast<unsigned char>(*P)] & Flags))
        ++P;
    return P;
}
// The first byte in [P, End) that is no space or tab, or End: a line's
// indentation is a third of the bytes of an object.
inline const char* SkipBlanks(const char* P, const char* End)
{
#ifdef QUIB_SSE2
    if (End - P >= 16 && (*P == ' ' || *P == '\t')) {
        const __m128i Space = _mm_set1_epi8(' ');
        const __m128i Tab = _mm_set1_epi8('\t');
        for (; End - P >= 16; P += 16) {
            const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
            const unsigned Blank =
                unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(V, Space), _mm_cmpeq_epi8(V, Tab))));
            if (Blank != 0xFFFF)
                return P + simd::CountTrailingZeros(~Blank);
        }
    }
#endif
    while (P < End && (*P == ' ' || *P == '\t'))
        ++P;
    return P;
}
// The first byte in [P, End) with one of Flags' bits, or End.
inline const char* SkipUntil(const char* P, const char* End, std::uint8_t Flags)
{
    while (P < End && !(ByteTable.Flags[static_cast<unsigned char>(*P)] & Flags))
        ++P;
    return P;
}

// Whether a word at P (P[-1] readable) may be BEGIN, CASE, END or VAR: a B,
// C, E or V after anything but a letter, an underscore or a byte beyond
// ASCII. Words after a digit are among them (Cust@1001Begin); the caller
// reads the words.
inline bool IsKeywordInitial(const char* P)
{
    const unsigned char Folded = static_cast<unsigned char>(*P) | 0x20;
    const unsigned char B = static_cast<unsigned char>(P[-1]);
    const bool AfterName = ((B | 0x20) >= 'a' && (B | 0x20) <= 'z') || B == '_' || B >= 0x80;
    return !AfterName && (Folded == 'b' || Folded == 'c' || Folded == 'e' || Folded == 'v');
}

#ifdef QUIB_SSE2
// IsKeywordInitial for the 16 bytes V at P, as a byte mask.
inline __m128i KeywordInitials16(const char* P, __m128i V)
{
    const __m128i Before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P - 1));
    const __m128i Lower = _mm_set1_epi8(0x20);
    const __m128i Folded = _mm_or_si128(V, Lower);
    const __m128i Initial = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(Folded, _mm_set1_epi8('b')), _mm_cmpeq_epi8(Folded, _mm_set1_epi8('c'))),
        _mm_or_si128(_mm_cmpeq_epi8(Folded, _mm_set1_epi8('e')), _mm_cmpeq_epi8(Folded, _mm_set1_epi8('v'))));
    const __m128i Offset = _mm_sub_epi8(_mm_or_si128(Before, Lower), _mm_set1_epi8('a'));
    const __m128i Letter = _mm_cmpeq_epi8(_mm_min_epu8(Offset, _mm_set1_epi8(25)), Offset);
    const __m128i InName = _mm_or_si128(_mm_or_si128(Letter, _mm_cmpeq_epi8(Before, _mm_set1_epi8('_'))),
                                        _mm_cmplt_epi8(Before, _mm_setzero_si128()));
    return _mm_andnot_si128(InName, Initial);
}
#endif

// In code, from P (P[-1] readable): the first byte that may change the
// state, or End. That is a comment's, string's or name's opening, a brace, a
// semicolon when it may end the trigger (SemicolonEnds), and in a trigger
// (Words) a keyword's initial.
inline const char* NextCodeStop(const char* P, const char* End, bool Words, bool SemicolonEnds)
{
#ifdef QUIB_SSE2
    const __m128i Semicolon = _mm_set1_epi8(SemicolonEnds ? ';' : '/');
    for (; End - P >= 16; P += 16) {
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
        __m128i Hit = _mm_or_si128(
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('/')), _mm_cmpeq_epi8(V, _mm_set1_epi8('{'))),
                         _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('}')), _mm_cmpeq_epi8(V, _mm_set1_epi8('\'')))),
            _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('"')), _mm_cmpeq_epi8(V, Semicolon)));
        if (Words)
            Hit = _mm_or_si128(Hit, KeywordInitials16(P, V));
        if (const unsigned Mask = unsigned(_mm_movemask_epi8(Hit)))
            return P + simd::CountTrailingZeros(Mask);
    }
#endif
    for (; P < End; ++P) {
        const char C = *P;
        if (C == '/' || C == '{' || C == '}' || C == '\'' || C == '"' || (C == ';' && SemicolonEnds) ||
            (Words && IsKeywordInitial(P)))
            return P;
    }
    return End;
}

enum class TWord : std::uint8_t { Other, Begin, Case, End, Var };

struct TKeyword {
    std::string_view Text;
    TWord Word;
};

constexpr TKeyword Keywords[] = {
    {"AND", TWord::Other},       {"ARRAY", TWord::Other},  {"BEGIN", TWord::Begin},
    {"CASE", TWord::Case},       {"DIV", TWord::Other},    {"DO", TWord::Other},
    {"DOWNTO", TWord::Other},    {"ELSE", TWord::Other},   {"END", TWord::End},
    {"EXIT", TWord::Other},      {"FALSE", TWord::Other},  {"FOR", TWord::Other},
    {"FUNCTION", TWord::Other},  {"IF", TWord::Other},     {"IN", TWord::Other},
    {"LOCAL", TWord::Other},     {"MOD", TWord::Other},    {"NOT", TWord::Other},
    {"OF", TWord::Other},        {"OR", TWord::Other},     {"PROCEDURE", TWord::Other},
    {"REPEAT", TWord::Other},    {"TEMPORARY", TWord::Other}, {"THEN", TWord::Other},
    {"TO", TWord::Other},        {"TRUE", TWord::Other},   {"UNTIL", TWord::Other},
    {"VAR", TWord::Var},         {"WHILE", TWord::Other},  {"WITH", TWord::Other},
    {"XOR", TWord::Other},
};

// A byte of a name, of a number or of a name's @number.
bool InWord(char C) { return (ByteTable.Flags[static_cast<unsigned char>(C)] & IdentByte) || C == '@'; }

// Reads the word at Start (passing Next beyond it and any @number of a
// name): BEGIN, CASE, END or VAR, which change the state, or Other.
TWord KeywordAt(const char* Start, const char* End, const char*& Next)
{
    const char* P = SkipWhile(Start, End, IdentByte);
    const bool Name = !IsDigit(char32_t(*Start));
    const char* const NameEnd = P;
    // Cust@1001: the number is the name's, and a name may follow it.
    if (Name && End - P >= 2 && *P == '@' && IsDigit(char32_t(P[1])))
        for (++P; P < End && IsDigit(char32_t(*P));)
            ++P;
    Next = P;
    if (!Name || NameEnd - Start < 3 || NameEnd - Start > 5)
        return TWord::Other;
    char Upper[5];
    for (const char* K = Start; K < NameEnd; ++K)
        Upper[K - Start] = char(UpperAscii(char32_t(static_cast<unsigned char>(*K))));
    const std::string_view Text(Upper, std::size_t(NameEnd - Start));
    return Text == "BEGIN" ? TWord::Begin : Text == "CASE" ? TWord::Case : Text == "END" ? TWord::End
         : Text == "VAR"   ? TWord::Var
                           : TWord::Other;
}

// A keyword's mark on a trigger's state: BEGIN and CASE open a block, END
// closes one, VAR before the first BEGIN opens the declarations.
void CountBlocks(TFields& F, TWord Word)
{
    switch (Word) {
    case TWord::Begin:
        F.Blocks = std::min(F.Blocks + 1, MaxBlocks);
        F.VarPart = false;
        break;
    case TWord::Case: F.Blocks = std::min(F.Blocks + 1, MaxBlocks); break;
    case TWord::End: F.Blocks = std::max(F.Blocks - 1, 0); break;
    case TWord::Var:
        if (F.Blocks == 0)
            F.VarPart = true;
        break;
    case TWord::Other: break;
    }
}

constexpr std::string_view SectionWords[] = {
    "OBJECT-PROPERTIES", "PROPERTIES", "FIELDS",   "KEYS",     "FIELDGROUPS", "CONTROLS",
    "DATAITEMS",         "SECTIONS",   "ELEMENTS", "EVENTS",   "REQUESTFORM", "REQUESTPAGE",
    "LABELS",            "MENUNODES",  "CODE",     "RDLDATA",  "WORDLAYOUT",  "DATASET",
    "ACTIONS",
};

// StructureOnly: only the spans of the structure (Brace, Section, Property,
// Value, Cell) and of code only what changes the state (comments, strings,
// BEGIN, CASE, END, VAR), for readers that skip the code.
template <typename TChar, bool StructureOnly = false>
class TScanner {
public:
    TScanner(std::basic_string_view<TChar> Line, TState State, std::vector<TSpan>& Spans)
        : FLine(Line), FN(std::int32_t(Line.size())), F(Unpack(State)), FSpans(Spans)
    {
        FSpans.clear();
    }

    TState Run()
    {
        std::int32_t I = 0;
        bool ItemStart = true;
        while (I < FN) {
            switch (F.Mode) {
            case TMode::Structure: I = Structure(I, ItemStart); break;
            case TMode::Value: I = Value(I, ItemStart); break;
            case TMode::TriggerCode:
            case TMode::SectionCode: I = Code(I, ItemStart); break;
            case TMode::Layout: I = Layout(I); break;
            }
        }
        return Pack(F);
    }

private:
    char32_t At(std::int32_t I) const { return I < FN ? char32_t(Unsigned(FLine[std::size_t(I)])) : 0; }
    static char32_t Unsigned(char C) { return static_cast<unsigned char>(C); }
    static char32_t Unsigned(char16_t C) { return C; }

    void Emit(std::int32_t Start, std::int32_t End, TCategory Category)
    {
        if constexpr (StructureOnly)
            if (Category > TCategory::Cell)
                return;
        if (End > Start)
            FSpans.push_back({Start, End - Start, Category});
    }

    std::int32_t SkipSpaces(std::int32_t I) const
    {
        if constexpr (sizeof(TChar) == 1)
            return I >= FN ? I : std::int32_t(SkipBlanks(FLine.data() + I, FLine.data() + FN) - FLine.data());
        while (I < FN && IsSpace(At(I)))
            ++I;
        return I;
    }
    std::int32_t TrimEnd(std::int32_t Start, std::int32_t End) const
    {
        while (End > Start && IsSpace(At(End - 1)))
            --End;
        return End;
    }
    // The closing quote on this line, or -1.
    std::int32_t Find(char32_t C, std::int32_t From) const
    {
        if constexpr (sizeof(TChar) == 1) {
            if (From >= FN)
                return -1;
            const void* Found = std::memchr(FLine.data() + From, int(C), std::size_t(FN - From));
            return Found ? std::int32_t(static_cast<const TChar*>(Found) - FLine.data()) : -1;
        }
        for (std::int32_t I = From; I < FN; ++I)
            if (At(I) == C)
                return I;
        return -1;
    }
    bool Equals(std::int32_t Start, std::int32_t End, std::string_view Word) const
    {
        if (End - Start != std::int32_t(Word.size()))
            return false;
        for (std::int32_t I = Start; I < End; ++I)
            if (At(I) != char32_t(static_cast<unsigned char>(Word[std::size_t(I - Start)])))
                return false;
        return true;
    }

    // --- structure ---------------------------------------------------------

    std::int32_t Structure(std::int32_t I, bool& ItemStart)
    {
        const char32_t C = At(I);
        if (IsSpace(C))
            return SkipSpaces(I);
        if (C == '{') {
            Emit(I, I + 1, TCategory::Brace);
            F.Depth = std::min(F.Depth + 1, MaxDepth);
            if (F.Pending == TPending::Code) {
                F.Mode = TMode::SectionCode;
                F.Blocks = 0;
                F.Comment = false;
            } else if (F.Pending == TPending::Layout) {
                F.Mode = TMode::Layout;
            }
            F.Pending = TPending::None;
            ItemStart = true;
            return I + 1;
        }
        if (C == '}') {
            Emit(I, I + 1, TCategory::Brace);
            F.Depth = std::max(F.Depth - 1, 0);
            F.Pending = TPending::None;
            ItemStart = false;
            return I + 1;
        }
        if (C == ';') {
            ItemStart = true;
            return I + 1;
        }
        if (F.Depth == 0) {
            // Outside the object's braces: its header line.
            const std::int32_t End = TrimEnd(I, FN);
            if (ItemStart && Equals(I, std::min(I + 6, End), "OBJECT") && (I + 6 == End || IsSpace(At(I + 6))))
                Emit(I, End, TCategory::Section);
            std::int32_t Brace = I;
            while (Brace < FN && At(Brace) != '{' && At(Brace) != '}')
                ++Brace;
            return Brace;
        }
        if (ItemStart) {
            ItemStart = false;
            if (const std::int32_t End = SectionWord(I); End > I) {
                Emit(I, End, TCategory::Section);
                F.Pending = PendingFor(I, End);
                return End;
            }
            if (const std::int32_t End = PropertyName(I); End > I) {
                Emit(I, End, TCategory::Property);
                if (IsTrigger(I, End - 1)) {
                    F.Mode = TMode::TriggerCode;
                    F.Blocks = 0;
                    F.VarPart = false;
                    F.Comment = false;
                    return End;
                }
                // A value that is a section word opens a body of rows
                // (ActionList=ACTIONS, then the rows in braces).
                const std::int32_t Start = SkipSpaces(End);
                if (const std::int32_t WordEnd = SectionWord(Start); WordEnd > Start) {
                    Emit(Start, WordEnd, TCategory::Section);
                    F.Pending = TPending::Other;
                    return WordEnd;
                }
                F.Mode = TMode::Value;
                F.Brackets = 0;
                return End;
            }
        }
        return Cell(I);
    }

    // A known section word at I with nothing after it on the line: its end.
    std::int32_t SectionWord(std::int32_t I) const
    {
        std::int32_t End = I;
        while (End < FN && (IsUpper(At(End)) || At(End) == '-' || At(End) == '_'))
            ++End;
        if (End == I || SkipSpaces(End) != FN)
            return I;
        for (std::string_view Word : SectionWords)
            if (Equals(I, End, Word))
                return End;
        return I;
    }

    TPending PendingFor(std::int32_t Start, std::int32_t End) const
    {
        if (Equals(Start, End, "CODE"))
            return TPending::Code;
        if (Equals(Start, End, "RDLDATA") || Equals(Start, End, "WORDLAYOUT"))
            return TPending::Layout;
        return TPending::Other;
    }

    // "Name=" at I ("Version List=", "Import::OnBeforeInsertRecord="): the end,
    // after the equals sign.
    std::int32_t PropertyName(std::int32_t I) const
    {
        if (!IsAsciiLetter(At(I)))
            return I;
        std::int32_t J = I;
        for (;;) {
            while (J < FN && (IsAsciiLetter(At(J)) || IsDigit(At(J)) || At(J) == ' ' || At(J) == '-' || At(J) == '_'))
                ++J;
            if (At(J) == ':' && At(J + 1) == ':' && IsAsciiLetter(At(J + 2)))
                J += 2;
            else
                break;
        }
        if (At(J) != '=' || At(J - 1) == ' ')
            return I;
        return J + 1;
    }

    // A property whose value is code: On and a capital (OnValidate), after
    // any qualifier (Import::OnBeforeInsertRecord).
    bool IsTrigger(std::int32_t Start, std::int32_t End) const
    {
        for (std::int32_t I = End - 2; I > Start; --I)
            if (At(I) == ':' && At(I - 1) == ':') {
                Start = I + 1;
                break;
            }
        return End - Start > 2 && At(Start) == 'O' && At(Start + 1) == 'n' && IsUpper(At(Start + 2));
    }

    // One cell of a row, up to the next separator; brackets ([{GUID}]) and
    // double quotes closed on the line hold separators of their own.
    std::int32_t Cell(std::int32_t I)
    {
        std::int32_t J = I;
        int Brackets = 0;
        for (; J < FN; ++J) {
            if constexpr (sizeof(TChar) == 1) {
                J = std::int32_t(SkipUntil(FLine.data() + J, FLine.data() + FN, StopsCell) - FLine.data());
                if (J == FN)
                    break;
            }
            const char32_t C = At(J);
            if (C == '[')
                ++Brackets;
            else if (C == ']' && Brackets > 0)
                --Brackets;
            else if (C == '"') {
                const std::int32_t Close = Find('"', J + 1);
                if (Close > 0)
                    J = Close;
            } else if (Brackets == 0 && (C == ';' || C == '{' || C == '}'))
                break;
        }
        const std::int32_t End = TrimEnd(I, J);
        bool Digits = true;
        for (std::int32_t K = I; K < End && Digits; ++K)
            Digits = IsDigit(At(K));
        Emit(I, End, Digits ? TCategory::Number : TCategory::Cell);
        return std::max(J, I + 1);
    }

    // --- property values ---------------------------------------------------

    std::int32_t Value(std::int32_t I, bool& ItemStart)
    {
        std::int32_t J = I;
        for (; J < FN; ++J) {
            if constexpr (sizeof(TChar) == 1) {
                J = std::int32_t(SkipUntil(FLine.data() + J, FLine.data() + FN, StopsValue) - FLine.data());
                if (J == FN)
                    break;
            }
            const char32_t C = At(J);
            if (F.Brackets == 0 && (C == ';' || C == '}'))
                break;
            if (C == '[') {
                F.Brackets = std::min(F.Brackets + 1, MaxNesting);
            } else if (C == ']') {
                if (F.Brackets > 0)
                    --F.Brackets;
            } else if (F.Brackets == 0 && (C == '\'' || C == '"')) {
                // An expression's string may hold a semicolon. Quotes count
                // only when closed on the line: a description's apostrophe
                // is no string.
                const std::int32_t Close = Find(C, J + 1);
                if (Close > 0)
                    J = Close;
            }
        }
        const std::int32_t Start = SkipSpaces(I);
        Emit(Start, TrimEnd(Start, J), TCategory::Value);
        if (J < FN) {
            F.Mode = TMode::Structure;
            if (At(J) == ';') {
                ItemStart = true;
                return J + 1;
            }
            ItemStart = false;
        }
        return J;
    }

    // --- code --------------------------------------------------------------

    std::int32_t Code(std::int32_t I, bool& ItemStart)
    {
        if constexpr (StructureOnly)
            if (!F.Comment)
                if (const std::int32_t J = SkipCode(I); J > I)
                    return J;
        if (F.Comment) {
            const std::int32_t Close = Find('}', I);
            const std::int32_t End = Close < 0 ? FN : Close + 1;
            Emit(I, End, TCategory::Comment);
            F.Comment = Close < 0;
            return End;
        }
        const char32_t C = At(I);
        if (IsSpace(C))
            return SkipSpaces(I);
        if (C == '/' && At(I + 1) == '/') {
            Emit(I, FN, TCategory::Comment);
            return FN;
        }
        if (C == '{') {
            F.Comment = true;
            Emit(I, I + 1, TCategory::Comment);
            return I + 1;
        }
        if (C == '}') {
            // No comment is open: the brace closes the structure around the code.
            const bool Section = F.Mode == TMode::SectionCode;
            F.Mode = TMode::Structure;
            F.Blocks = 0;
            F.VarPart = false;
            ItemStart = false;
            if (!Section)
                return I;  // the row's brace, for the structure to read
            Emit(I, I + 1, TCategory::Brace);
            F.Depth = std::max(F.Depth - 1, 0);
            return I + 1;
        }
        if (C == '\'') {
            std::int32_t J = I + 1;
            for (;;) {
                J = Find('\'', J);
                if (J < 0) {
                    J = FN;
                    break;
                }
                if (At(J + 1) != '\'') {
                    ++J;
                    break;
                }
                J += 2;  // '' is a quote inside the string
            }
            Emit(I, J, TCategory::String);
            return J;
        }
        if (C == '"') {
            const std::int32_t Close = Find('"', I + 1);
            const std::int32_t End = Close < 0 ? FN : Close + 1;
            Emit(I, End, TCategory::Name);
            return End;
        }
        if (IsDigit(C))
            return Number(I);
        if (IsIdentStart(C))
            return Word(I);
        if (C == ';' && F.Mode == TMode::TriggerCode && F.Blocks == 0 && !F.VarPart) {
            // The trigger's last statement is over; the structure goes on.
            F.Mode = TMode::Structure;
            ItemStart = true;
        }
        return I + 1;
    }

    // Past the code at I that leaves the state as it is: spaces,
    // punctuation, numbers and names but BEGIN, CASE, END and VAR, and a
    // semicolon that ends no trigger. Whole blocks of bytes are passed over
    // at once up to the next byte that may matter (see NextCodeStop); from
    // there the words are read one by one.
    std::int32_t SkipCode(std::int32_t I) const
    {
        const char* const Begin = FLine.data();
        const char* const End = Begin + FN;
        const bool Trigger = F.Mode == TMode::TriggerCode;
        const bool SemicolonEnds = Trigger && F.Blocks == 0 && !F.VarPart;
        const char* P = Begin + I;
        while (P < End) {
            // P is where no word is under way, so its byte is read whatever
            // comes before it.
            const bool Matters = ByteTable.Flags[static_cast<unsigned char>(*P)] & StopsCode;
            const char* const Stop = Matters ? P : NextCodeStop(P + 1, End, Trigger, SemicolonEnds);
            if (Stop == End)
                return FN;
            // The words are read from the last place where none can be under way.
            const char* Q = Stop;
            while (Q > P && InWord(Q[-1]))
                --Q;
            for (;;) {
                Q = SkipUntil(Q, End, StopsCode);
                if (Q == End)
                    return FN;
                if (!(ByteTable.Flags[static_cast<unsigned char>(*Q)] & IdentByte)) {
                    if (*Q != ';' || SemicolonEnds)
                        return std::int32_t(Q - Begin);
                    ++Q;
                } else {
                    const char* const Word = Q;
                    if (KeywordAt(Word, End, Q) != TWord::Other && Trigger)
                        return std::int32_t(Word - Begin);
                }
                if (Q > Stop)
                    break;
            }
            P = Q;
        }
        return FN;
    }

    std::int32_t Number(std::int32_t I)
    {
        std::int32_t J = I;
        while (IsDigit(At(J)))
            ++J;
        if (At(J) == '.' && IsDigit(At(J + 1))) {
            ++J;
            while (IsDigit(At(J)))
                ++J;
        }
        const char32_t Suffix = UpperAscii(At(J));
        if (Suffix == 'D' || Suffix == 'T') {
            std::int32_t K = J + 1;
            if (Suffix == 'D' && UpperAscii(At(K)) == 'T')
                ++K;
            if (!IsIdentChar(At(K))) {
                Emit(I, K, TCategory::Date);
                return K;
            }
        }
        if (IsIdentChar(At(J))) {
            while (IsIdentChar(At(J)))
                ++J;
            return J;
        }
        Emit(I, J, TCategory::Number);
        return J;
    }

    std::int32_t Word(std::int32_t I)
    {
        std::int32_t J = I;
        while (IsIdentChar(At(J)))
            ++J;
        const std::int32_t End = J;
        // Cust@1001: the number is part of the variable's name.
        if (At(J) == '@' && IsDigit(At(J + 1))) {
            ++J;
            while (IsDigit(At(J)))
                ++J;
        }
        const std::int32_t Length = End - I;
        if (Length < 2 || Length > 9)
            return J;
        char Upper[10];
        for (std::int32_t K = 0; K < Length; ++K) {
            const char32_t C = UpperAscii(At(I + K));
            if (!IsUpper(C))
                return J;
            Upper[K] = char(C);
        }
        const std::string_view Text(Upper, std::size_t(Length));
        for (const TKeyword& Keyword : Keywords) {
            if (Keyword.Text != Text)
                continue;
            Emit(I, End, TCategory::Keyword);
            // Only a trigger's end depends on its blocks: the CODE section
            // ends at its brace.
            if (F.Mode == TMode::TriggerCode)
                CountBlocks(F, Keyword.Word);
            break;
        }
        return J;
    }

    // --- layout ------------------------------------------------------------

    std::int32_t Layout(std::int32_t I)
    {
        const std::int32_t Start = SkipSpaces(I);
        const std::int32_t End = TrimEnd(Start, FN);
        if (Start == End)
            return FN;
        if (End - Start == 1 && At(Start) == '}') {
            // A layout that never said it ended: the section's brace.
            F.Mode = TMode::Structure;
            return Start;
        }
        Emit(Start, End, TCategory::Layout);
        if (End - Start >= 7 && Equals(Start, Start + 7, "END_OF_"))
            F.Mode = TMode::Structure;
        return FN;
    }

    std::basic_string_view<TChar> FLine;
    std::int32_t FN;
    TFields F;
    std::vector<TSpan>& FSpans;
};

template <typename TChar>
std::vector<TCategory> CategorizeText(std::basic_string_view<TChar> Text)
{
    std::vector<TCategory> Categories(Text.size(), TCategory::Plain);
    std::vector<TSpan> Spans;
    TState State = StartState;
    std::size_t Start = 0;
    while (Start <= Text.size()) {
        std::size_t End = Start;
        while (End < Text.size() && Text[End] != TChar('\n') && Text[End] != TChar('\r'))
            ++End;
        State = ScanLine(Text.substr(Start, End - Start), State, Spans);
        for (const TSpan& Span : Spans)
            std::fill_n(Categories.begin() + std::ptrdiff_t(Start) + Span.Start, Span.Length, Span.Category);
        if (End == Text.size())
            break;
        Start = End + (Text[End] == TChar('\r') && End + 1 < Text.size() && Text[End + 1] == TChar('\n') ? 2 : 1);
    }
    return Categories;
}

}  // namespace

TState ScanLine(std::string_view Line, TState State, std::vector<TSpan>& Spans)
{
    return TScanner<char>(Line, State, Spans).Run();
}

TState ScanLine(std::u16string_view Line, TState State, std::vector<TSpan>& Spans)
{
    return TScanner<char16_t>(Line, State, Spans).Run();
}

TState ScanStructure(std::string_view Line, TState State, std::vector<TSpan>& Spans)
{
    return TScanner<char, true>(Line, State, Spans).Run();
}

namespace {

// The bytes of code that may matter, found 64 at a time and handed out one
// by one: line breaks, braces, quotes, slashes and colons, and in a trigger
// semicolons and the first letters of words that may be BEGIN, CASE, END or
// VAR (IsKeywordInitial).
class TCodeStops {
public:
    TCodeStops(const char* End, bool Trigger) : FEnd(End), FTrigger(Trigger) {}

    // The first one at or after P (P[-1] readable), or End.
    const char* Next(const char* P)
    {
        for (;;) {
            if (FBlock && P >= FBlock && P - FBlock < 64) {
                if (const std::uint64_t Mask = FMask >> (P - FBlock))
                    return P + simd::CountTrailingZeros64(Mask);
                P = FBlock + 64;
            }
            if (P >= FEnd)
                return FEnd;
            Load(P);
        }
    }

private:
    void Load(const char* P)
    {
        FBlock = P;
        FMask = 0;
#ifdef QUIB_SSE2
        if (FEnd - P >= 64) {
            for (int Part = 0; Part < 4; ++Part)
                FMask |= std::uint64_t(Stops16(P + 16 * Part)) << (16 * Part);
            return;
        }
#endif
        for (const char* Q = P; Q < FEnd && Q - P < 64; ++Q)
            if (IsStop(Q))
                FMask |= std::uint64_t(1) << (Q - P);
    }

    bool IsStop(const char* Q) const
    {
        const char C = *Q;
        if (C == '\r' || C == '\n' || C == '{' || C == '}' || C == '\'' || C == '"' || C == '/' || C == ':')
            return true;
        return FTrigger && (C == ';' || IsKeywordInitial(Q));
    }

#ifdef QUIB_SSE2
    unsigned Stops16(const char* P) const
    {
        const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(P));
        const auto Is = [&V](char C) { return _mm_cmpeq_epi8(V, _mm_set1_epi8(C)); };
        __m128i Hit = _mm_or_si128(_mm_or_si128(_mm_or_si128(Is('\r'), Is('\n')), _mm_or_si128(Is('{'), Is('}'))),
                                   _mm_or_si128(_mm_or_si128(Is('\''), Is('"')), _mm_or_si128(Is('/'), Is(':'))));
        if (FTrigger)
            Hit = _mm_or_si128(_mm_or_si128(Hit, Is(';')), KeywordInitials16(P, V));
        return unsigned(_mm_movemask_epi8(Hit));
    }
#endif

    const char* const FEnd;
    const bool FTrigger;
    const char* FBlock = nullptr;
    std::uint64_t FMask = 0;
};

// A line break at P: past it (CR LF is one).
const char* PastBreak(const char* P, const char* End) { return P + (*P == '\r' && P + 1 < End && P[1] == '\n' ? 2 : 1); }

}  // namespace

std::size_t SkipCodeLines(std::string_view Text, std::size_t Start, TState& State, std::int32_t& Lines,
                          TColonTest Wanted)
{
    TFields F = Unpack(State);
    if (State < 0 || (F.Mode != TMode::SectionCode && F.Mode != TMode::TriggerCode) || Start == 0)
        return Start;
    const bool Trigger = F.Mode == TMode::TriggerCode;
    const char* const Begin = Text.data();
    const char* const End = Begin + Text.size();
    const char* LineStart = Begin + Start;
    TFields LineFields = F;  // at LineStart
    const char* P = LineStart;
    TCodeStops Stops(End, Trigger);
    // Passes the line break at P, the line before it passed over.
    const auto NextLine = [&] {
        P = PastBreak(P, End);
        LineStart = P;
        LineFields = F;
        ++Lines;
    };
    const auto IsBreak = [&] { return *P == '\r' || *P == '\n'; };
    // To the end of a string or name opened at P on its line, as ScanLine reads them.
    const auto CloseOnLine = [&](char Quote) {
        for (;;) {
            P = Stops.Next(P + 1);
            while (P < End && *P != Quote && !IsBreak())
                P = Stops.Next(P + 1);
            if (P == End || *P != Quote)
                return;
            if (Quote != '\'' || P + 1 == End || P[1] != '\'')
                break;
            ++P;  // '' is a quote inside the string
        }
        ++P;
    };
    const auto ToLineEnd = [&] {
        while (P < End && !IsBreak())
            P = Stops.Next(P + 1);
    };
    // The words from From, where none is under way, to the one at Word,
    // counting a trigger's blocks.
    const auto ReadWords = [&](const char* From, const char* Word) {
        const char* Q = Word;
        while (Q > From && InWord(Q[-1]))
            --Q;
        while (Q <= Word) {
            if (!(ByteTable.Flags[static_cast<unsigned char>(*Q)] & IdentByte)) {
                ++Q;  // the @ of a number's @number, which is no name's
                continue;
            }
            CountBlocks(F, KeywordAt(Q, End, Q));
        }
        P = Q;
    };
    bool Stop = false;  // on a line the structure must read
    while (P < End && !Stop) {
        if (F.Comment) {
            P = Stops.Next(P);
            while (P < End && *P != '}' && !IsBreak())
                P = Stops.Next(P + 1);
            if (P < End && *P == '}') {
                F.Comment = false;
                ++P;
            } else if (P < End) {
                NextLine();
            }
            continue;
        }
        const char* const From = P;
        P = Stops.Next(P);
        if (P == End)
            break;
        switch (*P) {
        case '\r':
        case '\n': NextLine(); break;
        case '{':
            F.Comment = true;
            ++P;
            break;
        case '}': Stop = true; break;  // the code's end
        case ';':
            // The trigger's end, or a statement's.
            Stop = F.Blocks == 0 && !F.VarPart;
            ++P;
            break;
        case '\'':
        case '"': CloseOnLine(*P); break;
        case '/':
            if (P + 1 < End && P[1] == '/')
                ToLineEnd();
            else
                ++P;
            break;
        case ':':
            if (P + 1 < End && P[1] == '=') {
                P += 2;
                break;
            }
            {
                const char* const LineStop = P;
                ToLineEnd();
                Stop = Wanted(std::string_view(LineStart, std::size_t(P - LineStart)),
                              std::size_t(LineStop - LineStart), End);
                P = LineStop + (LineStop + 1 < End && LineStop[1] == ':' ? 2 : 1);
            }
            break;
        default: ReadWords(From, P); break;
        }
    }
    State = Pack(LineFields);
    return std::size_t(LineStart - Begin);
}

std::vector<TCategory> Categorize(std::string_view Text) { return CategorizeText(Text); }

std::vector<TCategory> Categorize(std::u16string_view Text) { return CategorizeText(Text); }

}  // namespace objectsyntax
