// Fuzzes the filters: arbitrary expressions on every field against arbitrary
// values give a result or a message, never an exception or a crash; and
// expressions built from the input (quoted values, ranges, wildcard patterns)
// are checked against plain restatements, the wildcards against a table of
// every prefix pair, which takes its time however the stars nest.
//
// Input: the expression, the value and a second text (each up to 512 bytes,
// as FuzzedDataProvider cuts them), then (from the end) a byte that picks the
// field and a number for ID.
#include "fuzzcheck.h"

#include "core/codepages.h"
#include "core/objectfilter.h"

#include <fuzzer/FuzzedDataProvider.h>

using namespace fuzzcheck;

namespace {

// The value between quotes, so that every byte stands for itself.
std::string Quoted(const std::string& Value)
{
    std::string Result = "'";
    for (const char C : Value)
        Result += C == '\'' ? std::string("''") : std::string(1, C);
    return Result + "'";
}

std::string Folded(std::string Text)
{
    for (char& C : Text)
        if (C >= 'A' && C <= 'Z')
            C = char(C + 32);
    return Text;
}

// The input's bytes as a pattern: * and ? are wildcards, the bytes between
// them quoted (each run as one: two quotes in a row are a quote).
std::string PatternOf(const std::string& Bytes)
{
    std::string Expression, Run;
    for (const char C : Bytes)
        if (C == '*' || C == '?') {
            Expression += (Run.empty() ? std::string() : Quoted(Run)) + C;
            Run.clear();
        } else {
            Run += C;
        }
    return Expression + (Run.empty() ? std::string() : Quoted(Run));
}

// Whether Text matches: Match[i][j] says whether the first i bytes of the
// pattern match the first j of the text.
bool ReferenceWildcards(const std::string& Pattern, const std::string& Text)
{
    std::vector<std::vector<bool>> Match(Pattern.size() + 1, std::vector<bool>(Text.size() + 1, false));
    Match[0][0] = true;
    for (std::size_t I = 1; I <= Pattern.size(); ++I)
        for (std::size_t J = 0; J <= Text.size(); ++J) {
            const char P = Pattern[I - 1];
            if (P == '*')
                Match[I][J] = Match[I - 1][J] || (J > 0 && Match[I][J - 1]);
            else
                Match[I][J] = J > 0 && Match[I - 1][J - 1] && (P == '?' || P == Text[J - 1]);
        }
    return Match[Pattern.size()][Text.size()];
}

TFieldFilter Compiled(TFilterField Field, const std::string& Expression)
{
    try {
        return TFieldFilter(Field, Expression);
    } catch (...) {
        Fail(__FILE__, __LINE__, "no exception", "an exception from '" + Expression + "'");
    }
}

void CheckText(const std::string& Expression, const std::string& Value, bool Expected)
{
    const TFieldFilter Filter = Compiled(TFilterField::Name, Expression);
    FUZZ_CHECK(Filter.Error().empty(), "'" + Expression + "': " + Filter.Error());
    FUZZ_CHECK(Filter.Matches(Value) == Expected,
               "'" + Expression + "' on '" + Value + "' should give " + (Expected ? "true" : "false"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size)
{
    FuzzedDataProvider In(Data, Size);
    const std::uint8_t Pick = In.ConsumeIntegral<std::uint8_t>();
    const std::int32_t Number = In.ConsumeIntegral<std::int32_t>();
    const std::string Expression = In.ConsumeRandomLengthString(512);
    const std::string Value = In.ConsumeRandomLengthString(512);
    const std::string Other = In.ConsumeRandomLengthString(512);
    const TFilterField Field = TFilterField(Pick % FilterFieldCount);

    // Anything at all: a filter or a message, and a malformed one passes everything.
    const TFieldFilter Filter = Compiled(Field, Expression);
    if (!Filter.Error().empty()) {
        FUZZ_CHECK(!Filter.Active(), Filter.Error());
        FUZZ_CHECK(Filter.Error().size() <= 64 + Expression.size(), Filter.Error());
        FUZZ_CHECK(Filter.Matches(Value) && Filter.Matches(Number), Filter.Error());
    }
    const bool Result = Field == TFilterField::ID ? Filter.Matches(Number) : Filter.Matches(Value);
    if (Field == TFilterField::Type)
        for (int Kind = 0; Kind < ObjectTypeCount; ++Kind)
            FUZZ_CHECK(Filter.Matches(TObjectType(Kind)) == Filter.Matches(std::string_view(ObjectTypeNames[Kind])),
                       Expression + " on " + ObjectTypeNames[Kind]);
    // An alternative or a condition twice changes nothing.
    if (Filter.Active())
        for (const char* Join : {"|", "&"}) {
            const TFieldFilter Twice = Compiled(Field, Expression + Join + Expression);
            FUZZ_CHECK(Twice.Error().empty(), Expression + Join + Expression + ": " + Twice.Error());
            FUZZ_CHECK((Field == TFilterField::ID ? Twice.Matches(Number) : Twice.Matches(Value)) == Result,
                       Expression + Join + Expression);
        }

    // Quoted values are themselves, whatever bytes they hold.
    CheckText(Quoted(Value), Other, Other == Value);
    CheckText(Quoted(Value), Value, true);
    CheckText("<>" + Quoted(Value), Other, Other != Value);
    CheckText("@" + Quoted(Value), Other, Folded(Other) == Folded(Value));
    CheckText(Quoted(Value) + ".." + Quoted(Other), Expression, Value <= Expression && Expression <= Other);
    CheckText(">" + Quoted(Value) + "&<=" + Quoted(Other), Expression, Value < Expression && Expression <= Other);
    CheckText(Quoted(Value) + "|" + Quoted(Other), Expression, Expression == Value || Expression == Other);

    // Wildcards, however the stars nest.
    if (const std::string Pattern = Expression.substr(0, 64); !Pattern.empty()) {
        CheckText(PatternOf(Pattern), Value, ReferenceWildcards(Pattern, Value));
        CheckText("<>" + PatternOf(Pattern), Other, !ReferenceWildcards(Pattern, Other));
    }

    // Numbers, as numbers.
    const std::int32_t Low = std::int32_t(std::min<std::size_t>(Value.size(), 9)) - 4;
    const TFieldFilter Range = Compiled(TFilterField::ID, std::to_string(Low) + ".." + std::to_string(Number));
    FUZZ_CHECK(Range.Error().empty(), Range.Error());
    for (const std::int32_t N : {Low, Number, std::int32_t(Low - 1), std::int32_t(Low / 2)})
        FUZZ_CHECK(Range.Matches(N) == (Low <= N && N <= Number), std::to_string(N));
    return 0;
}
