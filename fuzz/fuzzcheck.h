// What every fuzz target checks: the model's results against plain, slow
// re-statements of its rules, so that the fuzzer finds wrong answers and not
// only crashes. Any disagreement prints what differs and aborts.
#pragma once

#include "core/quibfile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace fuzzcheck {

[[noreturn]] inline void Fail(const char* File, int Line, const char* What, const std::string& Detail)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n%s\n", File, Line, What, Detail.c_str());
    std::abort();
}

#define FUZZ_CHECK(Condition, Detail)                                     \
    do {                                                                  \
        if (!(Condition))                                                 \
            ::fuzzcheck::Fail(__FILE__, __LINE__, #Condition, (Detail)); \
    } while (0)

struct TEntry {
    std::int64_t Offset = 0, Size = 0;
    int Type = 0;
    std::int32_t ID = 0;
    std::string Name;
    bool operator==(const TEntry& O) const
    {
        return Offset == O.Offset && Size == O.Size && Type == O.Type && ID == O.ID && Name == O.Name;
    }
};

inline std::string Describe(const TEntry& E)
{
    return "{offset " + std::to_string(E.Offset) + ", size " + std::to_string(E.Size) + ", kind " +
           std::to_string(E.Type) + ", id " + std::to_string(E.ID) + ", name '" + E.Name + "'}";
}

struct TLoad {
    std::vector<TEntry> Entries;
    std::vector<std::pair<int, int>> Progress; // kind, percent
    bool Failed = false;
    std::string Error;
};

inline std::string Describe(const TLoad& L)
{
    std::string S = "entries:";
    for (const TEntry& E : L.Entries)
        S += " " + Describe(E);
    S += "\nprogress:";
    for (const auto& [Kind, Percent] : L.Progress)
        S += " " + std::to_string(Kind) + "/" + std::to_string(Percent);
    S += "\nerror: " + (L.Failed ? L.Error : std::string("none"));
    return S;
}

inline std::vector<TEntry> EntriesOf(TObjectTextFile& File)
{
    std::vector<TEntry> Result;
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const TObjectTextObject& O = File.Objects(I);
        Result.push_back({O.Offset(), O.Size(), int(O.ObjectType()), O.ID(), std::string(O.Name())});
    }
    return Result;
}

inline void Record(TObjectTextFile& File, TLoad& Load)
{
    File.SetOnProgress([&Load](TObjectTextFile&, TProgressKind Kind, std::uint8_t Percent) {
        Load.Progress.emplace_back(int(Kind), int(Percent));
    });
}

// --- the header, restated ----------------------------------------------------

struct THeader {
    bool Valid = false;
    std::string Error;
    int Type = otUnknown;
    std::int32_t ID = 0;
    std::string Name;
};

inline bool IsHexDigit(char C)
{
    return (C >= '0' && C <= '9') || (C >= 'a' && C <= 'f') || (C >= 'A' && C <= 'F');
}

inline unsigned HexValue(char C)
{
    return C <= '9' ? unsigned(C - '0') : C <= 'F' ? unsigned(C - 'A' + 10) : unsigned(C - 'a' + 10);
}

// The number rule, digit by digit: strip leading zeros, compare digit counts,
// then compare with the limits as text.
inline bool ReferenceStrToInt(const std::string& Text, std::int32_t& Value)
{
    std::string_view T = Text;
    bool Negative = false;
    if (!T.empty() && (T[0] == '+' || T[0] == '-')) {
        Negative = T[0] == '-';
        T.remove_prefix(1);
    }
    bool Hex = false;
    if (T.size() >= 1 && (T[0] == '$' || T[0] == 'x' || T[0] == 'X')) {
        Hex = true;
        T.remove_prefix(1);
    } else if (T.size() >= 2 && T[0] == '0' && (T[1] == 'x' || T[1] == 'X')) {
        Hex = true;
        T.remove_prefix(2);
    }
    if (T.empty())
        return false;
    for (char C : T)
        if (Hex ? !IsHexDigit(C) : !(C >= '0' && C <= '9'))
            return false;
    while (T.size() > 1 && T[0] == '0')
        T.remove_prefix(1);
    if (Hex) {
        if (T.size() > 8)
            return false;
        std::uint32_t Pattern = 0;
        for (char C : T)
            Pattern = Pattern * 16 + HexValue(C);
        if (Negative)
            Pattern = ~Pattern + 1;
        Value = std::int32_t(Pattern);
        return true;
    }
    const std::string_view Limit = Negative ? "2147483648" : "2147483647";
    if (T.size() > Limit.size() || (T.size() == Limit.size() && T > Limit))
        return false;
    std::int64_t Magnitude = 0;
    for (char C : T)
        Magnitude = Magnitude * 10 + (C - '0');
    Value = std::int32_t(Negative ? -Magnitude : Magnitude);
    return true;
}

inline THeader ReferenceHeader(const std::string& H)
{
    THeader R;
    const std::string Kinds = "?TFRDCXMPQ"; // index = TObjectType
    if (!H.empty())
        for (int K = 1; K < ObjectTypeCount; ++K)
            if (H[0] == Kinds[std::size_t(K)])
                R.Type = K;
    std::size_t First = 0;
    while (First < H.size() && H[First] != ' ')
        ++First;
    std::size_t Second = First + 1;
    while (Second < H.size() && H[Second] != ' ')
        ++Second;
    std::string Number;
    if (First < H.size())
        Number = H.substr(First + 1, std::min(Second, H.size()) - (First + 1));
    if (!ReferenceStrToInt(Number, R.ID)) {
        R.Error = "'" + Number + "' is not a valid integer value";
        return R;
    }
    if (Second < H.size())
        R.Name = H.substr(Second + 1, 30);
    R.Valid = true;
    return R;
}

// --- the split, restated line by line ----------------------------------------

// Percent of P in Length, rounded to nearest, halves to even: compares twice
// the remainder with the length.
inline int ReferencePercent(std::int64_t P, std::int64_t Length)
{
    const std::int64_t Whole = P * 100 / Length;
    const std::int64_t TwiceRest = 2 * (P * 100 - Whole * Length);
    if (TwiceRest > Length || (TwiceRest == Length && Whole % 2 == 1))
        return int(Whole + 1);
    return int(Whole);
}

inline TLoad ReferenceSplit(const std::string& Text)
{
    TLoad L;
    L.Progress.emplace_back(pkStart, 0);
    const std::int64_t Length = std::int64_t(Text.size());
    std::int64_t P = 0;
    int Last = 0;
    while (P < Length) {
        const std::int64_t LineStart = P;
        while (P < Length && Text[std::size_t(P)] != '\r' && Text[std::size_t(P)] != '\n' && Text[std::size_t(P)] != '\0')
            ++P;
        if (P - LineStart >= 7 && Text.compare(std::size_t(LineStart), 7, "OBJECT ") == 0) {
            if (!L.Entries.empty())
                L.Entries.back().Size = LineStart - L.Entries.back().Offset;
            const THeader H = ReferenceHeader(Text.substr(std::size_t(LineStart + 7), std::size_t(P - LineStart - 7)));
            if (!H.Valid) {
                L.Failed = true;
                L.Error = H.Error;
                return L;
            }
            L.Entries.push_back({LineStart, 0, H.Type, H.ID, H.Name});
        } else {
            const int Percent = ReferencePercent(P, Length);
            if (Percent != Last) {
                L.Progress.emplace_back(pkProgress, Percent);
                Last = Percent;
            }
        }
        // A NUL is taken as a one-byte line break.
        if (P < Length && Text[std::size_t(P)] == '\0') {
            ++P;
            continue;
        }
        if (P < Length && Text[std::size_t(P)] == '\r')
            ++P;
        if (P < Length && Text[std::size_t(P)] == '\n')
            ++P;
    }
    if (!L.Entries.empty())
        L.Entries.back().Size = Length - L.Entries.back().Offset;
    L.Progress.emplace_back(pkDone, 100);
    return L;
}

// The invariants of a load on their own, whatever the reference says.
inline void CheckInvariants(const TLoad& L, std::int64_t Length)
{
    const std::string What = Describe(L);
    for (std::size_t I = 0; I < L.Entries.size(); ++I) {
        const TEntry& E = L.Entries[I];
        FUZZ_CHECK(E.Offset >= 0 && E.Offset < Length, What);
        FUZZ_CHECK(E.Size >= 7, What); // at least its own marker
        if (I > 0) {
            FUZZ_CHECK(L.Entries[I - 1].Offset < E.Offset, What);
            FUZZ_CHECK(L.Entries[I - 1].Offset + L.Entries[I - 1].Size == E.Offset, What);
        }
        FUZZ_CHECK(E.Name.size() <= 30, What);
    }
    if (!L.Failed && !L.Entries.empty())
        FUZZ_CHECK(L.Entries.back().Offset + L.Entries.back().Size == Length, What);
    FUZZ_CHECK(!L.Progress.empty() && L.Progress.front() == std::make_pair(int(pkStart), 0), What);
    const std::size_t Steps = L.Progress.size() - (L.Failed ? 0 : 1);
    int Last = 0;
    for (std::size_t I = 1; I < Steps; ++I) {
        FUZZ_CHECK(L.Progress[I].first == pkProgress, What);
        FUZZ_CHECK(L.Progress[I].second > Last && L.Progress[I].second <= 100, What);
        Last = L.Progress[I].second;
    }
    if (!L.Failed)
        FUZZ_CHECK(L.Progress.back() == std::make_pair(int(pkDone), 100), What);
}

inline void CheckSameLoad(const TLoad& Expected, const TLoad& Actual, const std::string& How)
{
    const std::string What = How + "\nexpected " + Describe(Expected) + "\nactual " + Describe(Actual);
    FUZZ_CHECK(Expected.Entries == Actual.Entries, What);
    FUZZ_CHECK(Expected.Progress == Actual.Progress, What);
    FUZZ_CHECK(Expected.Failed == Actual.Failed, What);
    FUZZ_CHECK(Expected.Error == Actual.Error, What);
}

// --- the search, restated ----------------------------------------------------

inline char Upper(char C) { return C >= 'a' && C <= 'z' ? char(C - 32) : C; }

inline bool MatchesAt(const std::string& Text, std::size_t At, const std::string& Pattern, bool MatchCase)
{
    if (At + Pattern.size() > Text.size())
        return false;
    for (std::size_t I = 0; I < Pattern.size(); ++I) {
        const char A = Text[At + I], B = Pattern[I];
        if (MatchCase ? A != B : Upper(A) != Upper(B))
            return false;
    }
    return true;
}

// The 1-based position of the first match at or after Position, or 0.
inline std::int32_t ReferenceSearch(const std::string& Text, std::int32_t Position, const std::string& Pattern,
                                    bool MatchCase)
{
    if (Pattern.empty())
        return 0;
    for (std::size_t At = Position > 1 ? std::size_t(Position) - 1 : 0; At < Text.size(); ++At)
        if (MatchesAt(Text, At, Pattern, MatchCase))
            return std::int32_t(At + 1);
    return 0;
}

} // namespace fuzzcheck
