#include "core/fileencodings.h"

#include "platform/filestream.h"

#include <algorithm>
#include <cstdint>
#include <memory>

namespace {
const char* const SReadError = "Stream read error";
}

using codepages::TEncoding;

void TFileEncodings::Add(std::string_view Text)
{
    const codepages::TTextScores Scores = codepages::ScoreText(Text);
    FSum.Add(Scores);
    TObject Object{Scores.Detected ? std::int8_t(*Scores.Detected) : Ascii, Scores.Impossible, {}};
    for (std::size_t E = 0; E < Object.Behind.size(); ++E)
        Object.Behind[E] = std::int16_t(std::min<std::int32_t>(Scores.Behind[E], INT16_MAX));
    if (Scores.Detected && codepages::IsSingleByte(*Scores.Detected)) {
        ++FCodePageObjects;
        for (int E = 0; E < codepages::EncodingCount; ++E)
            FCannotBe[std::size_t(*Scores.Detected)][std::size_t(E)] += Scores.CannotBe(TEncoding(E));
    }
    FObjects.push_back(Object);
}

bool TFileEncodings::OneOfTheFiles(TEncoding Encoding, TEncoding Main) const
{
    // One in a hundred, rounded up: a few odd objects do not make a second export.
    const std::int32_t Enough = (FCodePageObjects + 99) / 100;
    return Encoding == Main || FCannotBe[std::size_t(Encoding)][std::size_t(Main)] >= Enough;
}

std::vector<TEncoding> TFileEncodings::CodePages() const
{
    std::vector<TEncoding> Result;
    const std::optional<TEncoding> Main = CodePage();
    if (!Main)
        return Result;
    Result.push_back(*Main);
    for (int E = 0; E < codepages::EncodingCount; ++E)
        if (TEncoding(E) != *Main && codepages::IsSingleByte(TEncoding(E)) && OneOfTheFiles(TEncoding(E), *Main))
            Result.push_back(TEncoding(E));
    return Result;
}

std::optional<TEncoding> TFileEncodings::DetectedAlone(std::int32_t Index) const
{
    if (Index < 0 || Index >= Count() || FObjects[std::size_t(Index)].Detected == Ascii)
        return std::nullopt;
    return TEncoding(FObjects[std::size_t(Index)].Detected);
}

std::optional<TEncoding> TFileEncodings::ForObject(std::int32_t Index) const
{
    const std::optional<TEncoding> Alone = DetectedAlone(Index);
    const std::optional<TEncoding> Main = CodePage();
    if (!Alone || *Alone == TEncoding::Utf8 || !Main)
        return Alone;
    const TObject& Object = FObjects[std::size_t(Index)];
    if (((Object.Impossible >> int(*Main)) & 1u) || OneOfTheFiles(*Alone, *Main))
        return Alone;
    TEncoding Best = *Main;
    for (const TEncoding Other : CodePages())
        if (Object.Behind[std::size_t(Other)] < Object.Behind[std::size_t(Best)])
            Best = Other;
    return Best;
}

std::vector<TByteRange> ObjectRanges(const TObjectTextFile& File)
{
    std::vector<TByteRange> Ranges;
    Ranges.reserve(std::size_t(File.Count()));
    for (std::int32_t I = 0; I < File.Count(); ++I)
        Ranges.push_back({File.Objects(I).Offset(), File.Objects(I).Size()});
    return Ranges;
}

namespace {

// The objects lie one after the other: they are read a few megabytes at a
// time, each handed out as a view into the window that holds it.
class TWindowReader {
public:
    explicit TWindowReader(platform::TStream& Stream) : FStream(Stream) {}

    std::string_view View(const TByteRange& Range)
    {
        const std::int64_t Start = Range.Offset, End = Start + Range.Length;
        if (Start < FStart || End > FStart + FLength)
            Fill(Start, std::max<std::int64_t>(Range.Length, WindowSize));
        if (End > FStart + FLength)  // a file cut short since it was split
            throw platform::EReadError(SReadError);
        return std::string_view(FBuffer.get() + (Start - FStart), std::size_t(Range.Length));
    }

private:
    static constexpr std::int64_t WindowSize = 4 << 20;

    void Fill(std::int64_t Start, std::int64_t Length)
    {
        if (Length > FCapacity) {
            FBuffer = std::make_unique<char[]>(std::size_t(Length));  // not zeroed: every byte is read
            FCapacity = Length;
        }
        FStart = Start;
        FLength = 0;
        if (FStream.Seek(Start, platform::TSeekOrigin::soBeginning) != Start)
            throw platform::EReadError(SReadError);
        // Short at the end of the file.
        FLength = std::max<std::int64_t>(FStream.Read(FBuffer.get(), Length), 0);
    }

    platform::TStream& FStream;
    std::unique_ptr<char[]> FBuffer;
    std::int64_t FCapacity = 0, FStart = 0, FLength = 0;
};

}  // namespace

std::optional<TFileEncodings> DetectFileEncodings(platform::TStream& Stream, const std::vector<TByteRange>& Objects,
                                                  const std::atomic<bool>* Cancelled)
{
    TFileEncodings Result;
    TWindowReader Reader(Stream);
    for (const TByteRange& Range : Objects) {
        if (Cancelled && Cancelled->load(std::memory_order_relaxed))
            return std::nullopt;
        Result.Add(Reader.View(Range));
    }
    return Result;
}
