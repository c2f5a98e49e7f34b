#include "core/search/linecount.h"

#include "core/simd.h"

#include <algorithm>
#include <cstring>

namespace search {

namespace {

// Line ends in [Begin, End): every LF, and every CR the byte after which (Next
// past the end, -1 when unknown yet) is not an LF.
std::int64_t CountBreaks(const char* Begin, const char* End, int Next)
{
    std::int64_t Count = 0;
    const char* P = Begin;
#ifdef QUIB_SSE2
    // 64 bytes at a time: breaks are a line apart, too close for memchr.
    for (; End - P > 64; P += 64) {
        const std::uint64_t Lf = simd::ByteMask64(P, '\n');
        const std::uint64_t Cr = simd::ByteMask64(P, '\r');
        const std::uint64_t LfAfter = (Lf >> 1) | (std::uint64_t(P[64] == '\n') << 63);
        Count += simd::PopCount64(Lf) + simd::PopCount64(Cr & ~LfAfter);
    }
#endif
    for (; P < End; ++P) {
        const int After = P + 1 < End ? static_cast<unsigned char>(P[1]) : Next;
        Count += *P == '\n' || (*P == '\r' && After != '\n');
    }
    return Count;
}

}  // namespace

void TLineCount::Advance(std::string_view Bytes, std::int64_t Base)
{
    if (Bytes.empty())
        return;
    const char* Begin = Bytes.data();
    const char* const End = Begin + Bytes.size();
    if (FPendingCR) {
        FPendingCR = false;
        ++FLine;
        FLineStart = Base;
        if (*Begin == '\n') {
            ++Begin;
            ++Base;
            FLineStart = Base;
        }
    }
    // A CR last ends its line with what follows, not known yet.
    const bool EndsWithCR = Begin < End && End[-1] == '\r';
    const char* const Counted = EndsWithCR ? End - 1 : End;
    FLine += std::int32_t(CountBreaks(Begin, Counted, EndsWithCR ? '\r' : -1));
    FPendingCR = EndsWithCR;
    // The line goes on from after the last break counted.
    for (const char* P = Counted; P > Begin; --P)
        if (P[-1] == '\n' || P[-1] == '\r') {
            FLineStart = Base + (P - Begin);
            break;
        }
}

std::int32_t TLineCount::LineOf(std::string_view Text, std::size_t Position, std::size_t* LineStart)
{
    TTextLines Lines(Text);
    Lines.AdvanceTo(std::min(Position, Text.size()));
    if (LineStart)
        *LineStart = Lines.LineStart();
    return Lines.Line();
}

void TTextLines::AdvanceTo(std::size_t Position)
{
    if (Position <= FCounted)
        return;
    FCount.Advance(FText.substr(FCounted, Position - FCounted), std::int64_t(FCounted));
    FCounted = Position;
}

}  // namespace search
