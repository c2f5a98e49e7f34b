#include "core/search/findtext.h"

#include "core/simd.h"

#include <algorithm>
#include <cstring>
#include <utility>

using codepages::TEncoding;

namespace {

using TFoldPairs = std::vector<std::pair<char32_t, char32_t>>;

// Every character with a lower case that one of the code pages also holds,
// with that lower case; sorted by character. The code pages agree with one
// another, being all read from Unicode.
const TFoldPairs& FoldPairs()
{
    static const TFoldPairs Pairs = [] {
        TFoldPairs All;
        for (int E = 0; E < codepages::EncodingCount; ++E) {
            const auto Encoding = static_cast<TEncoding>(E);
            if (!codepages::IsSingleByte(Encoding))
                continue;
            const auto& Decode = codepages::DecodeTable(Encoding);
            const auto& Fold = codepages::FoldTable(Encoding);
            for (int Byte = 0; Byte < 256; ++Byte)
                if (Decode[std::size_t(Byte)] != Decode[Fold[std::size_t(Byte)]])
                    All.emplace_back(Decode[std::size_t(Byte)], Decode[Fold[std::size_t(Byte)]]);
        }
        std::sort(All.begin(), All.end());
        All.erase(std::unique(All.begin(), All.end()), All.end());
        return All;
    }();
    return Pairs;
}

// The characters that fold to Folded: itself and its other cases.
std::u32string CasesOf(char32_t Folded)
{
    std::u32string Cases(1, Folded);
    for (const auto& Pair : FoldPairs())
        if (Pair.second == Folded)
            Cases += Pair.first;
    return Cases;
}

std::size_t Utf8Length(char32_t Code) { return Code < 0x80 ? 1 : Code < 0x800 ? 2 : Code < 0x10000 ? 3 : 4; }

unsigned char Utf8LeadByte(char32_t Code)
{
    if (Code < 0x80)
        return static_cast<unsigned char>(Code);
    if (Code < 0x800)
        return static_cast<unsigned char>(0xC0 | (Code >> 6));
    if (Code < 0x10000)
        return static_cast<unsigned char>(0xE0 | (Code >> 12));
    return static_cast<unsigned char>(0xF0 | (Code >> 18));
}

bool IsAscii(std::string_view Text)
{
    return std::all_of(Text.begin(), Text.end(), [](char C) { return static_cast<unsigned char>(C) < 0x80; });
}

// Up to two bytes, from a 256-entry set; false when the set holds more.
bool TwoOrFewer(const std::array<unsigned char, 256>& Set, std::array<unsigned char, 2>& Bytes)
{
    int Count = 0;
    for (int Byte = 0; Byte < 256; ++Byte)
        if (Set[std::size_t(Byte)]) {
            if (Count == 2)
                return false;
            Bytes[std::size_t(Count++)] = static_cast<unsigned char>(Byte);
        }
    if (Count == 1)
        Bytes[1] = Bytes[0];
    return Count > 0;
}

// The scan for places where an occurrence may begin: the places whose byte is
// one of at most two, and whose byte LastOffset further on is one of at most
// two (the same test twice when LastOffset is 0).
struct TScan {
    unsigned char First[2];
    unsigned char Last[2];
    std::size_t LastOffset;
};

#ifdef QUIB_SSE2
// The loop that looks for candidates keeps its position and the scan's bytes
// in registers: it calls nothing, and goes back to the caller's I only at the end.
template <class TMatch>
const char* ScanSse2(const char* Bytes, std::size_t& I, std::size_t Starts, const TScan& Scan, TMatch Match)
{
    const __m128i F1 = _mm_set1_epi8(char(Scan.First[0])), F2 = _mm_set1_epi8(char(Scan.First[1]));
    const __m128i L1 = _mm_set1_epi8(char(Scan.Last[0])), L2 = _mm_set1_epi8(char(Scan.Last[1]));
    const std::size_t LastOffset = Scan.LastOffset;
    std::size_t J = I;
    for (;;) {
        unsigned Mask = 0;
        for (; J + 16 <= Starts; J += 16) {
            const __m128i A = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Bytes + J));
            const __m128i B = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Bytes + J + LastOffset));
            const __m128i Hit = _mm_and_si128(_mm_or_si128(_mm_cmpeq_epi8(A, F1), _mm_cmpeq_epi8(A, F2)),
                                              _mm_or_si128(_mm_cmpeq_epi8(B, L1), _mm_cmpeq_epi8(B, L2)));
            if ((Mask = unsigned(_mm_movemask_epi8(Hit))) != 0)
                break;
        }
        if (Mask == 0)
            break;
        for (; Mask; Mask &= Mask - 1) {
            const char* P = Bytes + J + simd::CountTrailingZeros(Mask);
            if (Match(P)) {
                I = J;
                return P;
            }
        }
        J += 16;
    }
    I = J;
    return nullptr;
}
#endif

#ifdef QUIB_AVX2
// The same scan, 32 places at a time, on processors that have AVX2. Single:
// one byte each (a text matched with its case), half the comparisons.
template <bool Single, class TMatch>
__attribute__((target("avx2"))) const char* ScanAvx2(const char* Bytes, std::size_t& I, std::size_t Starts,
                                                      const TScan& Scan, TMatch Match)
{
    const __m256i F1 = _mm256_set1_epi8(char(Scan.First[0])), F2 = _mm256_set1_epi8(char(Scan.First[1]));
    const __m256i L1 = _mm256_set1_epi8(char(Scan.Last[0])), L2 = _mm256_set1_epi8(char(Scan.Last[1]));
    const std::size_t LastOffset = Scan.LastOffset;
    std::size_t J = I;
    for (;;) {
        unsigned Mask = 0;
        for (; J + 32 <= Starts; J += 32) {
            const __m256i A = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Bytes + J));
            const __m256i B = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(Bytes + J + LastOffset));
            __m256i Hit;
            if constexpr (Single)
                Hit = _mm256_and_si256(_mm256_cmpeq_epi8(A, F1), _mm256_cmpeq_epi8(B, L1));
            else
                Hit = _mm256_and_si256(_mm256_or_si256(_mm256_cmpeq_epi8(A, F1), _mm256_cmpeq_epi8(A, F2)),
                                       _mm256_or_si256(_mm256_cmpeq_epi8(B, L1), _mm256_cmpeq_epi8(B, L2)));
            if ((Mask = unsigned(_mm256_movemask_epi8(Hit))) != 0)
                break;
        }
        if (Mask == 0)
            break;
        for (; Mask; Mask &= Mask - 1) {
            const char* P = Bytes + J + simd::CountTrailingZeros(Mask);
            if (Match(P)) {
                I = J;
                return P;
            }
        }
        J += 32;
    }
    I = J;
    return nullptr;
}
#endif

}  // namespace

char32_t FoldChar(char32_t Code)
{
    if (Code < 0x80)
        return Code >= 'A' && Code <= 'Z' ? Code + ('a' - 'A') : Code;
    const TFoldPairs& Pairs = FoldPairs();
    const auto Found = std::lower_bound(Pairs.begin(), Pairs.end(), std::make_pair(Code, char32_t(0)));
    return Found != Pairs.end() && Found->first == Code ? Found->second : Code;
}

// --- TNeedle --------------------------------------------------------------------------

TNeedle::TNeedle(std::string_view Bytes, const std::array<unsigned char, 256>* Fold)
    : FBytes(Bytes), FFold(Fold), FLongest(Bytes.size())
{
    if (FBytes.empty())
        return;
    std::array<unsigned char, 256> LastBytes{};
    for (char& Byte : FBytes)
        Byte = char(Fold ? (*Fold)[static_cast<unsigned char>(Byte)] : static_cast<unsigned char>(Byte));
    const auto First = static_cast<unsigned char>(FBytes.front());
    const auto Last = static_cast<unsigned char>(FBytes.back());
    for (int Byte = 0; Byte < 256; ++Byte) {
        const unsigned char Folded = Fold ? (*Fold)[std::size_t(Byte)] : static_cast<unsigned char>(Byte);
        FFirstBytes[std::size_t(Byte)] = Folded == First;
        LastBytes[std::size_t(Byte)] = Folded == Last;
    }
    std::array<unsigned char, 2> LastScan{};
    FScanVectorised = TwoOrFewer(FFirstBytes, FScanBytes) && TwoOrFewer(LastBytes, LastScan);
    FScanLast = LastScan;
    FScanLastOffset = FBytes.size() - 1;
}

TNeedle TNeedle::FoldedUtf8(std::string_view Utf8Text)
{
    TNeedle Needle;
    for (std::size_t I = 0; I < Utf8Text.size();) {
        char32_t Code = 0;
        const std::size_t Length = codepages::Utf8SequenceAt(Utf8Text, I, Code);
        if (Length == 0)
            return TNeedle(std::string_view(), nullptr);  // not UTF-8: occurs nowhere
        const char32_t Folded = FoldChar(Code);
        Needle.FFoldedChars += Folded;
        std::size_t Longest = 0;
        for (const char32_t Case : CasesOf(Folded)) {
            Longest = std::max(Longest, Utf8Length(Case));
            if (I == 0)
                Needle.FFirstBytes[Utf8LeadByte(Case)] = 1;
        }
        Needle.FLongest += Longest;
        I += Length;
    }
    Needle.FScanVectorised = TwoOrFewer(Needle.FFirstBytes, Needle.FScanBytes);
    Needle.FScanLast = Needle.FScanBytes;
    Needle.FScanLastOffset = 0;
    return Needle;
}

std::size_t TNeedle::ShortestMatch() const
{
    return FFoldedChars.empty() ? FBytes.size() : FFoldedChars.size();
}

std::size_t TNeedle::MatchAt(const char* P, const char* End) const
{
    if (FFoldedChars.empty()) {
        const std::size_t M = FBytes.size();
        if (std::size_t(End - P) < M)
            return 0;
        if (!FFold)
            return std::memcmp(P, FBytes.data(), M) == 0 ? M : 0;
        const auto& Fold = *FFold;
        for (std::size_t K = 0; K < M; ++K)
            if (Fold[static_cast<unsigned char>(P[K])] != static_cast<unsigned char>(FBytes[K]))
                return 0;
        return M;
    }
    const char* Q = P;
    for (const char32_t Want : FFoldedChars) {
        if (Q == End)
            return 0;
        char32_t Code = static_cast<unsigned char>(*Q);
        std::size_t Length = 1;
        if (Code >= 0x80 && (Length = codepages::Utf8SequenceAt(std::string_view(Q, std::size_t(End - Q)), 0,
                                                                 Code)) == 0)
            return 0;
        if (FoldChar(Code) != Want)
            return 0;
        Q += Length;
    }
    return std::size_t(Q - P);
}

const char* TNeedle::FindIn(const char* Bytes, std::size_t Size, std::size_t& Length) const
{
    Length = 0;
    const std::size_t Shortest = ShortestMatch();
    if (Shortest == 0 || Shortest > Size)
        return nullptr;
    const char* End = Bytes + Size;
    // Places beyond Starts leave too few bytes for the shortest occurrence.
    const std::size_t Starts = Size - Shortest + 1;
    const auto Match = [&](const char* P) { return (Length = MatchAt(P, End)) != 0; };
    std::size_t I = 0;
    if (FScanVectorised) {
        const TScan Scan{{FScanBytes[0], FScanBytes[1]}, {FScanLast[0], FScanLast[1]}, FScanLastOffset};
        const char* Hit = nullptr;
#ifdef QUIB_AVX2
        const bool Single = Scan.First[0] == Scan.First[1] && Scan.Last[0] == Scan.Last[1];
        if (simd::HasAvx2() && (Hit = Single ? ScanAvx2<true>(Bytes, I, Starts, Scan, Match)
                                             : ScanAvx2<false>(Bytes, I, Starts, Scan, Match)))
            return Hit;
#endif
#ifdef QUIB_SSE2
        if ((Hit = ScanSse2(Bytes, I, Starts, Scan, Match)))
            return Hit;
#endif
    }
    for (; I < Starts; ++I)
        if (IsFirstByte(static_cast<unsigned char>(Bytes[I])) && Match(Bytes + I))
            return Bytes + I;
    return nullptr;
}

const char* TNeedle::FindLastIn(const char* Bytes, std::size_t Size, std::size_t Before, std::size_t& Length) const
{
    Length = 0;
    const std::size_t Shortest = ShortestMatch();
    if (Shortest == 0 || Shortest > Size)
        return nullptr;
    const char* End = Bytes + Size;
    // One place at a time: a backward search runs once per key press.
    for (std::size_t I = std::min(Before, Size - Shortest + 1); I-- > 0;)
        if (IsFirstByte(static_cast<unsigned char>(Bytes[I])) && (Length = MatchAt(Bytes + I, End)) != 0)
            return Bytes + I;
    return nullptr;
}

// --- TFindText ------------------------------------------------------------------------

TFindText TFindText::OfBytes(std::string_view Bytes, bool MatchCase)
{
    TFindText Text;
    if (Bytes.empty())
        return Text;
    Text.FNeedles.emplace_back(Bytes, MatchCase ? nullptr : &codepages::FoldTable(TEncoding::Latin1));
    Text.FNeedleOf.fill(0);
    return Text;
}

TFindText TFindText::OfUnicode(std::string_view Utf8Text, bool MatchCase)
{
    // Below 0x80 every encoding here is ASCII, and no byte above it folds to
    // one below: plain ASCII is the same search everywhere.
    if (IsAscii(Utf8Text))
        return OfBytes(Utf8Text, MatchCase);
    TFindText Text;
    Text.FDependsOnEncoding = true;
    std::size_t RunStart = 0, BestStart = 0, BestLength = 0;
    for (std::size_t I = 0; I <= Utf8Text.size(); ++I)
        if (I == Utf8Text.size() || static_cast<unsigned char>(Utf8Text[I]) >= 0x80) {
            if (I - RunStart > BestLength)
                BestStart = RunStart, BestLength = I - RunStart;
            RunStart = I + 1;
        }
    if (BestLength >= 3)
        Text.FAsciiPart.emplace_back(Utf8Text.substr(BestStart, BestLength),
                                     MatchCase ? nullptr : &codepages::FoldTable(TEncoding::Latin1));
    // Without regard to case, a letter's lower case is the likelier one to be
    // in a code page; the upper case is tried when only it is there.
    std::string Folded;
    if (!MatchCase)
        for (std::size_t I = 0; I < Utf8Text.size();) {
            char32_t Code = 0;
            const std::size_t Length = codepages::Utf8SequenceAt(Utf8Text, I, Code);
            if (Length == 0)
                return Text;  // not UTF-8: occurs nowhere
            codepages::AppendUtf8(Folded, FoldChar(Code));
            I += Length;
        }
    for (int E = 0; E < codepages::EncodingCount; ++E) {
        const auto Encoding = static_cast<TEncoding>(E);
        if (Encoding == TEncoding::Utf8 && !MatchCase) {
            Text.FNeedles.push_back(TNeedle::FoldedUtf8(Utf8Text));
        } else {
            std::optional<std::string> Bytes;
            if (!MatchCase)
                Bytes = codepages::EncodeUtf8(Folded, Encoding);
            if (!Bytes)
                Bytes = codepages::EncodeUtf8(Utf8Text, Encoding);
            if (!Bytes)
                continue;
            Text.FNeedles.emplace_back(*Bytes, MatchCase ? nullptr : &codepages::FoldTable(Encoding));
        }
        Text.FNeedleOf[std::size_t(E)] = std::int8_t(Text.FNeedles.size() - 1);
    }
    return Text;
}

const TNeedle* TFindText::In(TEncoding Encoding) const
{
    const std::int8_t Index = FNeedleOf[std::size_t(Encoding)];
    return Index < 0 ? nullptr : &FNeedles[std::size_t(Index)];
}
