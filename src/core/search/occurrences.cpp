#include "core/search/occurrences.h"

#include "core/objectsyntax.h"
#include "core/search/linecount.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace search {

namespace {

const char* const SReadError = "Stream read error";

bool IsBreak(char C)
{
    return C == '\r' || C == '\n';
}

// Where the lines of a report layout lie in an object's text, as the line
// scanner finds them: one range per run of layout lines.
class TLayoutLines {
public:
    explicit TLayoutLines(std::string_view Text)
    {
        // Only a report with a layout has its section word: most need no scan.
        if (Text.find("RDLDATA") == std::string_view::npos && Text.find("WORDLAYOUT") == std::string_view::npos)
            return;
        std::vector<objectsyntax::TSpan> Spans;
        objectsyntax::TState State = objectsyntax::StartState;
        for (std::size_t Start = 0; Start <= Text.size();) {
            std::size_t End = Start;
            while (End < Text.size() && !IsBreak(Text[End]))
                ++End;
            State = objectsyntax::ScanLine(Text.substr(Start, End - Start), State, Spans);
            const bool Layout = std::any_of(Spans.begin(), Spans.end(), [](const objectsyntax::TSpan& Span) {
                return Span.Category == objectsyntax::TCategory::Layout;
            });
            std::size_t Next = End;
            if (Next < Text.size())
                Next += Text[Next] == '\r' && Next + 1 < Text.size() && Text[Next + 1] == '\n' ? 2 : 1;
            if (Layout) {
                if (!FRanges.empty() && FRanges.back().second == Start)
                    FRanges.back().second = Next;
                else
                    FRanges.emplace_back(Start, Next);
            }
            if (End == Text.size())
                break;
            Start = Next;
        }
    }

    // Positions must be asked for in increasing order.
    bool Contains(std::size_t Position)
    {
        while (FNext < FRanges.size() && FRanges[FNext].second <= Position)
            ++FNext;
        return FNext < FRanges.size() && FRanges[FNext].first <= Position;
    }

private:
    std::vector<std::pair<std::size_t, std::size_t>> FRanges;
    std::size_t FNext = 0;
};

}  // namespace

// The file read forward a block at a time, so that most objects are searched
// where they lie in a block that is still in the cache, and one read serves
// many of them (a call to the system costs as much as copying a few pages).
class TOccurrenceSearch::TBlockReader {
public:
    TBlockReader(platform::TStream& Stream, std::int64_t BlockSize)
        : FStream(Stream), FFileSize(Stream.Size()), FBlock(std::size_t(std::max<std::int64_t>(BlockSize, 1)), '\0')
    {
    }
    std::int64_t Capacity() const { return std::int64_t(FBlock.size()); }
    // Where the bytes read end when [Offset, Offset + Size) is among them, else
    // where they would end once it is read.
    std::int64_t ReadEnd(std::int64_t Offset, std::int64_t Size) const
    {
        return Offset >= FStart && Offset + Size <= FStart + FFilled ? FStart + FFilled : Offset + Capacity();
    }

    // The bytes [Offset, Offset + Size); valid until the next call.
    std::string_view View(std::int64_t Offset, std::int64_t Size)
    {
        if (Size > Capacity()) {
            // A big object: read whole, on its own.
            FWhole.resize(std::size_t(Size));
            Read(Offset, FWhole.data(), Size);
            return FWhole;
        }
        if (Offset < FStart || Offset + Size > End()) {
            // What is still ahead in the block moves to its front.
            const std::int64_t Kept = Offset >= FStart && Offset < End() ? End() - Offset : 0;
            if (Kept > 0)
                std::memmove(FBlock.data(), FBlock.data() + (Offset - FStart), std::size_t(Kept));
            FStart = Offset;
            FFilled = Kept;
            // A whole block when the file has it, else up to its end; a file
            // cut short since it was split ends the search.
            const std::int64_t Want = std::min(Capacity() - FFilled, FFileSize - End());
            if (Want < Offset + Size - End())
                throw platform::EReadError(SReadError);
            Read(End(), FBlock.data() + FFilled, Want);
            FFilled += Want;
        }
        return std::string_view(FBlock.data() + (Offset - FStart), std::size_t(Size));
    }

private:
    std::int64_t End() const { return FStart + FFilled; }
    void Read(std::int64_t Offset, char* Buffer, std::int64_t Count)
    {
        if (FStream.Seek(Offset, platform::TSeekOrigin::soBeginning) != Offset ||
            FStream.Read(Buffer, Count) != Count)
            throw platform::EReadError(SReadError);
    }

    platform::TStream& FStream;
    const std::int64_t FFileSize;
    std::string FBlock;
    std::int64_t FStart = 0;  // file offset of FBlock[0]
    std::int64_t FFilled = 0;
    std::string FWhole;
};

std::int64_t TOccurrenceSearch::BlockSize = 256 * 1024;

TOccurrenceSearch::TOccurrenceSearch(platform::TStream& Stream, TObjectList Objects, const TFindText& Find,
                                     TEncodingChoice& Encodings)
    : FObjects(std::move(Objects)), FFind(Find), FEncodings(Encodings),
      FBlocks(std::make_unique<TBlockReader>(Stream, BlockSize))
{
}

TOccurrenceSearch::~TOccurrenceSearch() = default;

void TOccurrenceSearch::Run(std::int32_t Object, std::int32_t Position, const TOccurrenceCallbacks& Callbacks)
{
    if (FFind.Empty() || Object < 0)
        return;
    const auto Cancelled = [&Callbacks] { return Callbacks.Cancelled && Callbacks.Cancelled(); };
    const auto Searched = [&Callbacks](std::int32_t Index) {
        if (Callbacks.Searched)
            Callbacks.Searched(Index);
    };
    std::int32_t I = Object;
    if (Position > 0 && I < FObjects.Count) {
        // Begins inside an object: only the rest of it is searched.
        if (!SearchObject(I, Position, Callbacks))
            return;
        Searched(I++);
    }
    while (I < FObjects.Count && !Cancelled()) {
        const auto Next = std::int32_t(PassOver(std::size_t(I)));
        if (Next == I && !SearchObject(I, 0, Callbacks))
            return;
        I = std::max(Next, I + 1);
        Searched(I - 1);
    }
}

// False when a callback stopped the search.
bool TOccurrenceSearch::SearchObject(std::int32_t Index, std::int32_t From, const TOccurrenceCallbacks& Callbacks)
{
    const TObjectBytes Bytes = FObjects.At(Index);
    const std::string_view Text = FBlocks->View(Bytes.Offset, Bytes.Size);
    codepages::TEncoding Encoding{};
    const TNeedle* Needle = NeedleFor(Index, Text, From, Encoding);
    return !Needle || Collect(Index, Text, Encoding, *Needle, std::size_t(From), Callbacks);
}

bool TOccurrenceSearch::LastBefore(std::int32_t Object, std::int32_t Before, TOccurrence& Found)
{
    if (FFind.Empty() || Object < 0 || Object >= FObjects.Count)
        return false;
    const TObjectBytes Bytes = FObjects.At(Object);
    const std::string_view Text = FBlocks->View(Bytes.Offset, Bytes.Size);
    const codepages::TEncoding Encoding =
        FFind.DependsOnEncoding() ? FEncodings.ForText(Object, Text) : codepages::TEncoding::Latin1;
    const TNeedle* Needle = FFind.In(Encoding);
    std::size_t Length = 0;
    const char* Hit = Needle ? Needle->FindLastIn(Text.data(), Text.size(), std::size_t(std::max(Before, 0)), Length)
                             : nullptr;
    if (!Hit)
        return false;
    const auto Position = std::size_t(Hit - Text.data());
    std::size_t LineStart = 0;
    const std::int32_t Line = TLineCount::LineOf(Text, Position, &LineStart);
    Found = {Object, std::int32_t(Position), std::int32_t(Length), Line, std::int32_t(LineStart), Encoding, Text};
    return true;
}

// The objects from First on that lie in one block and hold no occurrence,
// told by one scan of the block for what every encoding writes alike: the
// index of the first one not passed over.
std::size_t TOccurrenceSearch::PassOver(std::size_t First)
{
    const TNeedle* Probe = FFind.DependsOnEncoding() ? FFind.AsciiPart() : FFind.In(codepages::TEncoding::Latin1);
    const auto Count = std::size_t(FObjects.Count);
    TObjectBytes Object = FObjects.At(std::int32_t(First));
    const std::int64_t Start = Object.Offset;
    // Never more than the block holds: reading on would move what it holds.
    const std::int64_t Limit = FBlocks->ReadEnd(Start, Object.Size);
    std::int64_t End = Start;
    std::size_t Last = First;
    while (Last < Count && Object.Offset >= End && Object.Offset + std::int64_t(Object.Size) <= Limit) {
        End = Object.Offset + std::int64_t(Object.Size);
        if (++Last < Count)
            Object = FObjects.At(std::int32_t(Last));
    }
    if (!Probe || Last - First < 2)
        return First;
    const std::string_view Bytes = FBlocks->View(Start, End - Start);
    std::size_t Length = 0;
    const char* Hit = Probe->FindIn(Bytes.data(), Bytes.size(), Length);
    if (!Hit)
        return Last;
    // Those wholly before the first place it could be.
    const std::int64_t At = Start + (Hit - Bytes.data());
    while (First < Last) {
        const TObjectBytes Passed = FObjects.At(std::int32_t(First));
        if (Passed.Offset + std::int64_t(Passed.Size) > At)
            break;
        ++First;
    }
    return First;
}

// The text in the encoding object Index is searched in, or null when the
// object cannot hold it from byte From on. An object without the text's
// ASCII part, or without the text in the encoding known for it, is passed
// over before its encoding is detected.
const TNeedle* TOccurrenceSearch::NeedleFor(std::int32_t Index, std::string_view Text, std::int32_t From,
                                            codepages::TEncoding& Encoding)
{
    const std::string_view Rest = Text.substr(std::min(Text.size(), std::size_t(std::max(From, 0))));
    std::size_t Length = 0;
    const TNeedle* Probe = nullptr;
    if (!FFind.DependsOnEncoding()) {
        Probe = FFind.In(codepages::TEncoding::Latin1);
    } else if (const std::optional<codepages::TEncoding> Known = FEncodings.KnownForText(Index)) {
        Probe = FFind.In(*Known);
        if (!Probe)
            return nullptr;
    } else {
        Probe = FFind.AsciiPart();
    }
    if (Probe && !Probe->FindIn(Rest.data(), Rest.size(), Length))
        return nullptr;
    Encoding = FEncodings.ForText(Index, Text);
    return FFind.DependsOnEncoding() ? FFind.In(Encoding) : Probe;
}

// Every occurrence from From on, each found after the one before it as Find
// Next would: from its end on. False when a callback stopped the search.
bool TOccurrenceSearch::Collect(std::int32_t Index, std::string_view Text, codepages::TEncoding Encoding,
                                const TNeedle& Needle, std::size_t From, const TOccurrenceCallbacks& Callbacks)
{
    const bool SkipLayouts = FSkipLayouts && FObjects.At(Index).MayHoldLayout;
    TLayoutLines Layouts(SkipLayouts ? Text : std::string_view());
    TTextLines Lines(Text);
    std::size_t Count = 0;
    while (From < Text.size()) {
        std::size_t Length = 0;
        const char* Hit = Needle.FindIn(Text.data() + From, Text.size() - From, Length);
        if (!Hit)
            break;
        const auto Position = std::size_t(Hit - Text.data());
        From = Position + std::max<std::size_t>(Length, 1);
        if (SkipLayouts && Layouts.Contains(Position))
            continue;
        Lines.AdvanceTo(Position);
        const TOccurrence Found{Index,        std::int32_t(Position),          std::int32_t(Length),
                                Lines.Line(), std::int32_t(Lines.LineStart()), Encoding,
                                Text};
        if (!Callbacks.Found(Found))
            return false;
        if (++Count % 1024 == 0 && Callbacks.Cancelled && Callbacks.Cancelled())
            return false;
    }
    return true;
}

}  // namespace search
