#include "core/objectfilter.h"

#include "core/codepages.h"

#include <algorithm>

namespace {

constexpr std::string_view FieldNames[FilterFieldCount] = {"Type",     "ID",   "Name", "Version List",
                                                           "Modified", "Date", "Time"};

// A pattern's elements: a byte (0 to 255) or one of the wildcards.
using TPatternChar = short;
constexpr TPatternChar Star = 256; // any run of bytes
constexpr TPatternChar One = 257;  // one byte
using TPattern = std::vector<TPatternChar>;

// One condition. A comparison has a lower and an upper bound, either of which
// may be open: =X is [X, X], <X is (open, X), A..B is [A, B].
struct TTerm {
    bool IsPattern = false;
    bool Negate = false; // <>
    bool HasLow = false, LowIncluded = true;
    bool HasHigh = false, HighIncluded = true;
    bool IgnoreCase = false;
    std::string Low, High; // text bounds, folded when IgnoreCase
    std::int64_t LowNumber = 0, HighNumber = 0;
    TPattern Pattern; // bytes folded when IgnoreCase
};

using TAlternative = std::vector<TTerm>; // every term must hold

bool IsBlank(char C) { return C == ' ' || C == '\t'; }

// Value against Bound (folded already when Fold is given), in byte order.
int Compare(std::string_view Value, std::string_view Bound, const TFoldTable* Fold)
{
    const std::size_t N = std::min(Value.size(), Bound.size());
    for (std::size_t I = 0; I < N; ++I) {
        unsigned char A = static_cast<unsigned char>(Value[I]);
        if (Fold)
            A = (*Fold)[A];
        const unsigned char B = static_cast<unsigned char>(Bound[I]);
        if (A != B)
            return A < B ? -1 : 1;
    }
    return Value.size() < Bound.size() ? -1 : Value.size() > Bound.size() ? 1 : 0;
}

// Greedy, going back only to the last star: each star then only ever moves
// forward, so the time is at most pattern length times text length, whatever
// the stars.
bool MatchesPattern(const TPattern& Pattern, std::string_view Text, const TFoldTable* Fold)
{
    std::size_t P = 0, T = 0;
    std::size_t StarP = std::string_view::npos, StarT = 0;
    while (T < Text.size()) {
        if (P < Pattern.size() && Pattern[P] == Star) {
            StarP = ++P;
            StarT = T;
            continue;
        }
        if (P < Pattern.size()) {
            unsigned char C = static_cast<unsigned char>(Text[T]);
            if (Fold)
                C = (*Fold)[C];
            if (Pattern[P] == One || Pattern[P] == C) {
                ++P;
                ++T;
                continue;
            }
        }
        if (StarP == std::string_view::npos)
            return false;
        P = StarP; // the last star takes one byte more
        T = ++StarT;
    }
    while (P < Pattern.size() && Pattern[P] == Star)
        ++P;
    return P == Pattern.size();
}

bool MatchesText(const TTerm& Term, std::string_view Text, const TFoldTable* Fold)
{
    const TFoldTable* F = Term.IgnoreCase ? Fold : nullptr;
    bool Result;
    if (Term.IsPattern) {
        Result = MatchesPattern(Term.Pattern, Text, F);
    } else {
        Result = true;
        if (Term.HasLow) {
            const int C = Compare(Text, Term.Low, F);
            Result = C > 0 || (C == 0 && Term.LowIncluded);
        }
        if (Result && Term.HasHigh) {
            const int C = Compare(Text, Term.High, F);
            Result = C < 0 || (C == 0 && Term.HighIncluded);
        }
    }
    return Result != Term.Negate;
}

bool MatchesNumber(const TTerm& Term, std::int64_t Number)
{
    bool Result = true;
    if (Term.HasLow)
        Result = Number > Term.LowNumber || (Number == Term.LowNumber && Term.LowIncluded);
    if (Result && Term.HasHigh)
        Result = Number < Term.HighNumber || (Number == Term.HighNumber && Term.HighIncluded);
    return Result != Term.Negate;
}

// A value as written: its bytes and wildcards, quotes taken away.
struct TValue {
    TPattern Chars;
    bool Written = false; // anything at all, '' included
    bool Wild = false;
};

// Reads an expression into alternatives of terms; stops at the first fault,
// with its message in Error.
class TParser {
public:
    TParser(std::string_view Text, bool Trim, bool Numbers) : FText(Text), FTrim(Trim), FNumbers(Numbers) {}

    std::vector<TAlternative> Parse()
    {
        std::vector<TAlternative> Alternatives(1);
        while (Error.empty()) {
            Alternatives.back().push_back(Term());
            if (!Error.empty() || AtEnd())
                break;
            if (FText[FPos] == '|')
                Alternatives.emplace_back();
            ++FPos; // "|" or "&": Term stops at nothing else
        }
        return Alternatives;
    }

    std::string Error;

private:
    bool AtEnd() const { return FPos >= FText.size(); }
    bool At(std::string_view What) const { return FText.compare(FPos, What.size(), What) == 0; }
    void SkipBlanks()
    {
        if (FTrim)
            while (!AtEnd() && IsBlank(FText[FPos]))
                ++FPos;
    }

    void Fail(std::string Message)
    {
        if (Error.empty())
            Error = std::move(Message);
    }

    // What the text holds before the value that is missing.
    std::string Missing(std::string_view After)
    {
        if (!After.empty())
            return "A value is missing after \"" + std::string(After) + "\"";
        if (AtEnd())
            return FPos == 0 ? "A value is missing" : "A value is missing at the end";
        return "A value is missing before \"" + std::string(1, FText[FPos]) + "\"";
    }

    TValue Value()
    {
        TValue V;
        SkipBlanks();
        std::size_t Kept = 0; // without trailing blanks that do not count
        while (!AtEnd() && Error.empty()) {
            const char C = FText[FPos];
            if (C == '|' || C == '&' || At(".."))
                break;
            if (C == '\'') {
                ++FPos;
                for (;;) {
                    if (AtEnd()) {
                        Fail("A quote is not closed");
                        break;
                    }
                    if (FText[FPos] == '\'') {
                        if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
                            V.Chars.push_back('\'');
                            FPos += 2;
                            continue;
                        }
                        ++FPos;
                        break;
                    }
                    V.Chars.push_back(static_cast<unsigned char>(FText[FPos++]));
                }
                V.Written = true;
                Kept = V.Chars.size();
                continue;
            }
            if (C == '<' || C == '>' || C == '=' || C == '@') {
                Fail("\"" + std::string(1, C) + "\" only begins a condition: '" + std::string(1, C) +
                     "' looks for it");
                break;
            }
            ++FPos;
            if (C == '*' || C == '?') {
                V.Chars.push_back(C == '*' ? Star : One);
                V.Wild = true;
            } else {
                V.Chars.push_back(static_cast<unsigned char>(C));
            }
            if (!FTrim || !IsBlank(C)) {
                V.Written = true;
                Kept = V.Chars.size();
            }
        }
        if (FTrim)
            V.Chars.resize(Kept);
        return V;
    }

    // A term's bound: the bytes, or the number for ID.
    bool Bound(const TValue& V, std::string_view Operator, std::string& Text, std::int64_t& Number)
    {
        if (V.Wild && !FNumbers) {
            Fail("Wildcards do not go with \"" + std::string(Operator) + "\"");
            return false;
        }
        Text.clear();
        for (const TPatternChar C : V.Chars)
            Text += C == Star ? '*' : C == One ? '?' : char(C);
        return !FNumbers || ToNumber(Text, Number);
    }

    bool ToNumber(const std::string& Text, std::int64_t& Number)
    {
        std::size_t I = 0;
        const bool Negative = !Text.empty() && Text[0] == '-';
        if (!Text.empty() && (Text[0] == '-' || Text[0] == '+'))
            ++I;
        std::int64_t Value = 0;
        const std::size_t Digits = Text.size() - I;
        bool Valid = Digits > 0 && Digits <= 18; // beyond any ID, but far from overflow
        for (; Valid && I < Text.size(); ++I) {
            Valid = Text[I] >= '0' && Text[I] <= '9';
            Value = Value * 10 + (Text[I] - '0');
        }
        if (!Valid) {
            Fail("'" + Text + "' is not a number");
            return false;
        }
        Number = Negative ? -Value : Value;
        return true;
    }

    TTerm Term()
    {
        TTerm T;
        SkipBlanks();
        if (!AtEnd() && FText[FPos] == '@') {
            T.IgnoreCase = true;
            ++FPos;
            SkipBlanks();
        }
        static constexpr std::string_view Operators[] = {"<>", "<=", ">=", "<", ">", "=", ".."};
        std::string_view Operator;
        for (const std::string_view O : Operators)
            if (At(O)) {
                Operator = O;
                break;
            }
        FPos += Operator.size();
        const TValue First = Value();
        if (!Error.empty())
            return T;
        if (Operator.empty() && At("..")) {
            // A..B, or A.. open at the top.
            FPos += 2;
            const TValue Second = Value();
            if (!Error.empty())
                return T;
            if (!First.Written) {
                Fail(Missing(""));
                return T;
            }
            T.HasLow = true;
            if (!Bound(First, "..", T.Low, T.LowNumber))
                return T;
            if (Second.Written) {
                T.HasHigh = true;
                if (!Bound(Second, "..", T.High, T.HighNumber))
                    return T;
            }
        } else if (!First.Written) {
            Fail(Missing(Operator));
            return T;
        } else if (Operator == "..") {
            T.HasHigh = true;
            Bound(First, Operator, T.High, T.HighNumber);
        } else if (First.Wild && !FNumbers && (Operator.empty() || Operator == "<>" || Operator == "=")) {
            T.IsPattern = true;
            T.Negate = Operator == "<>";
            T.Pattern = First.Chars;
        } else {
            std::string Text;
            std::int64_t Number = 0;
            if (!Bound(First, Operator.empty() ? "=" : Operator, Text, Number))
                return T;
            const bool Low = Operator != "<" && Operator != "<=";
            const bool High = Operator != ">" && Operator != ">=";
            T.Negate = Operator == "<>";
            T.HasLow = Low;
            T.HasHigh = High;
            T.LowIncluded = Operator != ">";
            T.HighIncluded = Operator != "<";
            T.Low = Low ? Text : std::string();
            T.High = High ? Text : std::string();
            T.LowNumber = T.HighNumber = Number;
        }
        SkipBlanks();
        if (Error.empty() && !AtEnd() && At(".."))
            Fail("Unexpected \"..\": '..' looks for it");
        return T;
    }

    std::string_view FText;
    std::size_t FPos = 0;
    const bool FTrim;
    const bool FNumbers;
};

// Folds the bytes of the term's bounds and pattern once, so that only the
// values are folded when they are compared.
void FoldTerm(TTerm& T, const TFoldTable& Fold)
{
    for (char& C : T.Low)
        C = char(Fold[static_cast<unsigned char>(C)]);
    for (char& C : T.High)
        C = char(Fold[static_cast<unsigned char>(C)]);
    for (TPatternChar& C : T.Pattern)
        if (C < 256)
            C = Fold[std::size_t(C)];
}

TObjectProperty PropertyOf(TFilterField Field)
{
    switch (Field) {
    case TFilterField::VersionList: return TObjectProperty::VersionList;
    case TFilterField::Modified: return TObjectProperty::Modified;
    case TFilterField::Date: return TObjectProperty::Date;
    default: return TObjectProperty::Time;
    }
}

bool IsProperty(TFilterField Field) { return Field > TFilterField::Name; }

} // namespace

std::string_view FilterFieldName(TFilterField Field)
{
    return FieldNames[std::size_t(Field)];
}

struct TFieldFilter::TProgram {
    std::vector<TAlternative> Alternatives;
    const TFoldTable* Fold = nullptr;
    std::uint32_t Types = 0; // Type: a bit per kind that passes
    static_assert(ObjectTypeCount <= 32, "a bit per kind");

    bool Text(std::string_view Value) const
    {
        for (const TAlternative& A : Alternatives)
            if (std::all_of(A.begin(), A.end(), [&](const TTerm& T) { return MatchesText(T, Value, Fold); }))
                return true;
        return false;
    }
    bool Number(std::int64_t Value) const
    {
        for (const TAlternative& A : Alternatives)
            if (std::all_of(A.begin(), A.end(), [&](const TTerm& T) { return MatchesNumber(T, Value); }))
                return true;
        return false;
    }
};

TFieldFilter::TFieldFilter(TFilterField Field, std::string_view Expression, const TFoldTable* Fold) : FField(Field)
{
    const bool Header = Field == TFilterField::Type || Field == TFilterField::ID;
    if (std::all_of(Expression.begin(), Expression.end(), [Header](char C) { return Header && IsBlank(C); }))
        return; // empty: no condition
    TParser Parser(Expression, Header, Field == TFilterField::ID);
    auto Program = std::make_shared<TProgram>();
    Program->Alternatives = Parser.Parse();
    if (!Parser.Error.empty()) {
        FError = std::move(Parser.Error);
        return;
    }
    Program->Fold = Fold ? Fold : &codepages::FoldTable(codepages::TEncoding::Latin1);
    for (TAlternative& A : Program->Alternatives)
        for (TTerm& T : A) {
            if (Field == TFilterField::Type)
                T.IgnoreCase = true; // kinds are names, not bytes of the file
            if (T.IgnoreCase)
                FoldTerm(T, *Program->Fold);
        }
    if (Field == TFilterField::Type)
        for (int Kind = 0; Kind < ObjectTypeCount; ++Kind)
            if (Program->Text(ObjectTypeNames[Kind]))
                Program->Types |= 1u << Kind;
    FProgram = std::move(Program);
}

bool TFieldFilter::Matches(std::string_view Text) const
{
    return !FProgram || FProgram->Text(Text);
}

bool TFieldFilter::Matches(std::int32_t Number) const
{
    return !FProgram || FProgram->Number(Number);
}

bool TFieldFilter::Matches(TObjectType Type) const
{
    return !FProgram || (FProgram->Types >> unsigned(Type) & 1u) != 0;
}

// --- TObjectFilter ---------------------------------------------------------

std::string TObjectFilter::Set(TFilterField Field, std::string_view Expression, const TFoldTable* Fold)
{
    FFilters.erase(std::remove_if(FFilters.begin(), FFilters.end(),
                                  [Field](const TFieldFilter& F) { return F.Field() == Field; }),
                   FFilters.end());
    return Add(Field, Expression, Fold);
}

std::string TObjectFilter::Add(TFilterField Field, std::string_view Expression, const TFoldTable* Fold)
{
    return Put(TFieldFilter(Field, Expression, Fold));
}

std::string TObjectFilter::Put(TFieldFilter Filter)
{
    // The fields held in the entry come first: they need no read.
    const auto At = std::find_if(FFilters.begin(), FFilters.end(), [&Filter](const TFieldFilter& F) {
        return IsProperty(F.Field()) > IsProperty(Filter.Field());
    });
    return FFilters.insert(At, std::move(Filter))->Error();
}

const TFieldFilter& TObjectFilter::Filter(TFilterField Field) const
{
    static const TFieldFilter None;
    for (const TFieldFilter& F : FFilters)
        if (F.Field() == Field)
            return F;
    return None;
}

bool TObjectFilter::Active() const
{
    return std::any_of(FFilters.begin(), FFilters.end(), [](const TFieldFilter& F) { return F.Active(); });
}

bool TObjectFilter::ReadsProperties() const
{
    return std::any_of(FFilters.begin(), FFilters.end(),
                       [](const TFieldFilter& F) { return F.Active() && IsProperty(F.Field()); });
}

namespace {

// Every filter against the entry's fields; the property values are asked of
// Values only when a filter needs them, once.
template <class TValuesOf>
bool MatchesAll(const std::vector<TFieldFilter>& Filters, TObjectType Type, std::int32_t ID, std::string_view Name,
                TValuesOf&& ValuesOf)
{
    const TPropertyValues* Values = nullptr;
    for (const TFieldFilter& F : Filters) {
        bool Passes = true;
        switch (F.Field()) {
        case TFilterField::Type: Passes = F.Matches(Type); break;
        case TFilterField::ID: Passes = F.Matches(ID); break;
        case TFilterField::Name: Passes = F.Matches(Name); break;
        default:
            if (!F.Active())
                break;
            if (!Values)
                Values = &ValuesOf();
            Passes = F.Matches((*Values)[std::size_t(PropertyOf(F.Field()))]);
            break;
        }
        if (!Passes)
            return false;
    }
    return true;
}

} // namespace

bool TObjectFilter::Matches(TObjectType Type, std::int32_t ID, std::string_view Name,
                            const TPropertyValues& Values) const
{
    return MatchesAll(FFilters, Type, ID, Name, [&Values]() -> const TPropertyValues& { return Values; });
}

bool TObjectFilter::Matches(const TObjectTextObject& Object, std::string& Buffer) const
{
    // The filters of the entry's own fields come first, so an object that
    // fails one of them costs no read.
    TPropertyValues Values;
    return MatchesAll(FFilters, Object.ObjectType(), Object.ID(), Object.Name(),
                      [&]() -> const TPropertyValues& { return Values = Object.ReadProperties(Buffer); });
}

std::vector<std::int32_t> TObjectFilter::Apply(const TObjectTextFile& File) const
{
    std::vector<std::int32_t> Indexes;
    std::string Buffer;
    for (std::int32_t I = 0; I < File.Count(); ++I)
        if (Matches(File.Objects(I), Buffer))
            Indexes.push_back(I);
    return Indexes;
}
