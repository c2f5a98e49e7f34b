#include "core/search/linelocator.h"

#include <algorithm>
#include <utility>

namespace {
constexpr std::int64_t BlockSize = 64 * 1024;
const char* const SReadError = "Stream read error";
} // namespace

TLineLocator::TLineLocator(std::unique_ptr<platform::TStream> Reader) : FReader(std::move(Reader)) {}

std::int32_t TLineLocator::LineOf(std::string_view Text, std::size_t Position, std::size_t* LineStart)
{
    std::int32_t Line = 1;
    std::size_t Start = 0;
    const std::size_t End = std::min(Position, Text.size());
    for (std::size_t I = 0; I < End; ++I) {
        const char C = Text[I];
        if (C == '\n' || (C == '\r' && (I + 1 >= Text.size() || Text[I + 1] != '\n'))) {
            ++Line;
            Start = I + 1;
        }
    }
    if (LineStart)
        *LineStart = Start;
    return Line;
}

int TLineLocator::ByteAt(std::int64_t P)
{
    if (P < FBlockStart || P >= FBlockStart + std::int64_t(FBlock.size())) {
        FBlock.resize(std::size_t(BlockSize));
        if (FReader->Seek(P, platform::TSeekOrigin::soBeginning) != P)
            throw platform::EReadError(SReadError);
        FBlock.resize(std::size_t(std::max<std::int64_t>(0, FReader->Read(FBlock.data(), BlockSize))));
        FBlockStart = P;
        if (FBlock.empty())
            return -1;
    }
    return static_cast<unsigned char>(FBlock[std::size_t(P - FBlockStart)]);
}

void TLineLocator::CountTo(std::int64_t To)
{
    while (FCounted < To) {
        if (ByteAt(FCounted) < 0)
            throw platform::EReadError(SReadError); // the position lies past the end
        const char* const Block = FBlock.data() - FBlockStart; // indexed by file position
        const std::int64_t Stop = std::min<std::int64_t>(To, FBlockStart + std::int64_t(FBlock.size()));
        for (std::int64_t P = FCounted; P < Stop; ++P) {
            const char C = Block[P];
            if (FPendingCR) { // a CR ends its line with the LF that follows, else alone
                FPendingCR = false;
                ++FLine;
                FLineStart = C == '\n' ? P + 1 : P;
                if (C == '\n')
                    continue;
            }
            if (C == '\n') {
                ++FLine;
                FLineStart = P + 1;
            } else if (C == '\r') {
                FPendingCR = true;
            }
        }
        FCounted = Stop;
    }
}

void TLineLocator::ReadLineText(std::int64_t LineStart)
{
    FTextStart = LineStart;
    FText.clear();
    for (std::int64_t P = LineStart;; ++P) {
        const int C = ByteAt(P);
        if (C < 0 || C == '\r' || C == '\n')
            return;
        FText.push_back(char(C));
    }
}

TLineLocator::TLine TLineLocator::At(std::int64_t ObjectStart, std::int64_t At)
{
    if (ObjectStart != FObjectStart || At < FCounted) {
        FObjectStart = ObjectStart;
        FCounted = FLineStart = ObjectStart;
        FLine = 1;
        FPendingCR = false;
    }
    CountTo(At);
    std::int32_t Line = FLine;
    std::int64_t LineStart = FLineStart;
    // A CR just before At: its line ends there unless At is its LF.
    if (FPendingCR && ByteAt(At) != '\n') {
        ++Line;
        LineStart = At;
    }
    if (FTextStart != LineStart)
        ReadLineText(LineStart);
    return {Line, FText};
}
