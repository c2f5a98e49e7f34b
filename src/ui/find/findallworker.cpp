#include "ui/find/findallworker.h"

#include "core/findtext.h"
#include "core/objectsyntax.h"
#include "ui/views/textviewmap.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <string_view>

namespace {

const char* const SReadError = "Stream read error";

// How much of a long line a row shows around the occurrence, in bytes.
constexpr std::size_t ContextBefore = 60;
constexpr std::size_t ContextAfter = 200;
static_assert(ContextBefore < TFindAllHit::LeadCut);
// A batch goes out this long after the one before.
constexpr auto BatchInterval = std::chrono::milliseconds(30);

bool IsBreak(char C)
{
    return C == '\r' || C == '\n';
}

bool IsContinuation(char C)
{
    return (static_cast<unsigned char>(C) & 0xC0) == 0x80;
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
        std::size_t Start = 0;
        while (Start <= Text.size()) {
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

// Line numbers and starts of positions asked for in increasing order: CR LF,
// CR and LF each end one line, as the text view counts them.
class TLineCounter {
public:
    explicit TLineCounter(std::string_view Text) : FText(Text) {}

    void AdvanceTo(std::size_t Position)
    {
        const char* Base = FText.data();
        for (const char* P = Base + FCounted; P < Base + Position;) {
            const void* Found = std::memchr(P, '\n', std::size_t(Base + Position - P));
            if (!Found)
                break;
            P = static_cast<const char*>(Found) + 1;
            ++FLine;
            FLineStart = std::size_t(P - Base);
        }
        for (const char* P = Base + FCounted; P < Base + Position;) {
            const void* Found = std::memchr(P, '\r', std::size_t(Base + Position - P));
            if (!Found)
                break;
            P = static_cast<const char*>(Found) + 1;
            const std::size_t After = std::size_t(P - Base);
            if (After < FText.size() && FText[After] == '\n')
                continue;  // ends its line with the LF after it
            ++FLine;
            FLineStart = std::max(FLineStart, After);
        }
        FCounted = std::max(FCounted, Position);
    }
    std::int32_t Line() const { return FLine; }
    std::size_t LineStart() const { return FLineStart; }

private:
    std::string_view FText;
    std::size_t FCounted = 0;
    std::int32_t FLine = 1;
    std::size_t FLineStart = 0;
};

// The file read forward a block at a time, so that most objects are searched
// where they lie in a block that is still in the cache, and one read serves
// many of them (a call to the system costs as much as copying a few pages).
class TBlockReader {
public:
    TBlockReader(platform::TStream& Stream, std::int64_t BlockSize)
        : FStream(Stream), FFileSize(Stream.Size()), FBlock(std::size_t(std::max<std::int64_t>(BlockSize, 1)), '\0')
    {
    }
    std::int64_t FileSize() const { return FFileSize; }
    std::int64_t Capacity() const { return std::int64_t(FBlock.size()); }
    // Where the bytes read end when [Offset, Offset + Size) is among them, else
    // where they would end once it is read.
    std::int64_t ReadEnd(std::int64_t Offset, std::int64_t Size) const
    {
        return Offset >= FStart && Offset + Size <= FStart + FFilled ? FStart + FFilled : Offset + Capacity();
    }

    // The bytes [Offset, Offset + Size); valid until the next call.
    const char* View(std::int64_t Offset, std::int64_t Size)
    {
        if (Size > Capacity()) {
            // A big object: read whole, on its own.
            FWhole.resize(std::size_t(Size));
            Read(Offset, FWhole.data(), Size);
            return FWhole.data();
        }
        const std::int64_t End = FStart + FFilled;
        if (Offset < FStart || Offset + Size > End) {
            // What is still ahead in the block moves to its front.
            const std::int64_t Kept = Offset >= FStart && Offset < End ? End - Offset : 0;
            if (Kept > 0)
                std::memmove(FBlock.data(), FBlock.data() + (Offset - FStart), std::size_t(Kept));
            FStart = Offset;
            FFilled = Kept;
            const std::int64_t Want = std::min(Capacity() - FFilled, FFileSize - (FStart + FFilled));
            if (Want < Offset + Size - (FStart + FFilled))
                throw platform::EReadError(SReadError);
            Read(FStart + FFilled, FBlock.data() + FFilled, Want);
            FFilled += Want;
        }
        return FBlock.data() + (Offset - FStart);
    }

private:
    void Read(std::int64_t Offset, char* Buffer, std::int64_t Count)
    {
        if (FStream.Seek(Offset, platform::TSeekOrigin::soBeginning) != Offset ||
            FStream.Read(Buffer, Count) != Count)
            throw platform::EReadError(SReadError);
    }

    platform::TStream& FStream;
    const std::int64_t FFileSize;
    std::string FBlock;
    std::int64_t FStart = 0;   // file offset of FBlock[0]
    std::int64_t FFilled = 0;
    std::string FWhole;
};

QString Decoded(std::string_view Text, std::size_t Start, std::size_t End, codepages::TEncoding Encoding)
{
    return LabelFromBytes(Text.substr(Start, End - Start), Encoding);
}

}  // namespace

// --- a row's line ------------------------------------------------------------------

TFindAllLine ReadFindAllLine(platform::TStream& Stream, const TFindAllObject& Object, const TFindAllHit& Hit)
{
    const std::size_t Size = std::size_t(std::max(Object.Size, 0));
    const std::size_t Position = std::min(std::size_t(std::max(Hit.Position, 0)), Size);
    const bool CutBefore = Hit.Lead == TFindAllHit::LeadCut;
    std::size_t Begin = Position - std::min(Position, CutBefore ? ContextBefore : std::size_t(Hit.Lead));
    const std::size_t MatchEnd = std::min(Size, Position + Hit.Length);
    // One byte past the most a row shows tells whether the line goes on.
    const std::size_t ReadEnd = std::min(Size, MatchEnd + ContextAfter + 1);
    std::string Bytes(ReadEnd - Begin, '\0');
    if (Stream.Seek(std::int64_t(Object.Offset) + std::int64_t(Begin), platform::TSeekOrigin::soBeginning) !=
            std::int64_t(Object.Offset) + std::int64_t(Begin) ||
        Stream.Read(Bytes.data(), std::int64_t(Bytes.size())) != std::int64_t(Bytes.size()))
        throw platform::EReadError(SReadError);
    // Offsets in Bytes from here on.
    const std::string_view Text(Bytes);
    const std::size_t At = Position - Begin, Matched = MatchEnd - Begin;
    std::size_t From = 0;
    const std::size_t Limit = std::min(Text.size(), Matched + ContextAfter);
    std::size_t End = Matched;
    while (End < Limit && !IsBreak(Text[End]))
        ++End;
    const bool CutAfter = End < Text.size() && !IsBreak(Text[End]);
    // A UTF-8 character is never cut in two.
    if (Object.Encoding == codepages::TEncoding::Utf8) {
        while (From < At && IsContinuation(Text[From]))
            ++From;
        while (CutAfter && End > Matched && IsContinuation(Text[End]))
            --End;
    }
    const QChar Ellipsis(0x2026);
    TFindAllLine Line;
    if (CutBefore)
        Line.Text = Ellipsis;
    Line.Text += Decoded(Text, From, At, Object.Encoding);
    Line.MatchStart = std::int32_t(Line.Text.size());
    Line.Text += Decoded(Text, At, Matched, Object.Encoding);
    Line.MatchLength = std::int32_t(Line.Text.size()) - Line.MatchStart;
    Line.Text += Decoded(Text, Matched, End, Object.Encoding);
    if (CutAfter)
        Line.Text += Ellipsis;
    Line.Text.replace(QLatin1Char('\t'), QLatin1Char(' '));
    return Line;
}

// --- TFindAllSnapshot ------------------------------------------------------------

TFindAllSnapshot TFindAllSnapshot::Of(const TObjectTextFile& File, const TEncodingChoice& Encodings)
{
    TFindAllSnapshot Snapshot;
    Snapshot.Stream = File.SecondReader();
    Snapshot.Encodings = Encodings;
    Snapshot.Objects.reserve(std::size_t(File.Count()));
    for (std::int32_t I = 0; I < File.Count(); ++I) {
        const TObjectTextObject& Object = File.Objects(I);
        Snapshot.Objects.push_back(
            {Object.Offset(), Object.Size(), Object.ID(), Object.ObjectType(), std::string(Object.Name())});
    }
    return Snapshot;
}

// --- the search ------------------------------------------------------------------

class TFindAllWorker::TSearch {
public:
    explicit TSearch(TFindAllWorker& Worker)
        : W(Worker), FFind(TFindText::OfUnicode(Worker.FQuery.Text, Worker.FQuery.MatchCase))
    {
    }

    void Run()
    {
        const std::vector<TFindAllSnapshot::TObject>& Objects = W.FSnapshot.Objects;
        const TFindAllRange& Range = W.FRange;
        for (std::size_t I = 0; I < Objects.size(); ++I) {
            FBytesTotal += Objects[I].Size;
            if (I < std::size_t(std::max(Range.Object, 0)))
                FBytesDone += Objects[I].Size;
        }
        FLastSent = std::chrono::steady_clock::now();
        if (!FFind.Empty() && Range.Object >= 0 && std::size_t(Range.Object) < Objects.size()) {
            if (!W.FSnapshot.Stream)
                throw platform::EReadError(SReadError);
            TBlockReader Blocks(*W.FSnapshot.Stream, BlockSize);
            // A file cut short since it was split.
            if (Blocks.FileSize() < std::int64_t(Objects.back().Offset) + Objects.back().Size)
                throw platform::EReadError(SReadError);
            std::size_t I = std::size_t(Range.Object);
            if (Range.Position > 0 || Range.ObjectSlot >= 0) {
                // Where the search before stopped, in the middle of an object.
                SearchObject(Blocks, Range.Object, Objects[I], Range.Position, Range.ObjectSlot);
                FBytesDone += Objects[I++].Size;
            }
            while (I < Objects.size() && !W.Cancelled() && !FBatch->Next) {
                std::size_t Next = PassOver(Blocks, I);
                if (Next == I)
                    SearchObject(Blocks, std::int32_t(Next++), Objects[I]);
                for (; I < Next; ++I)
                    FBytesDone += Objects[I].Size;
                if (FBatch->Next)
                    break;  // at the limit: the last batch goes below
                if (!FBatch->Hits.empty() && !FSentAny)
                    Send();  // the first rows at once
                else if (std::chrono::steady_clock::now() - FLastSent >= BatchInterval)
                    Send();
            }
        }
        Send();
    }

private:
    // The objects from First on that lie in one block and hold no occurrence,
    // told by one scan of the block for what every encoding writes alike:
    // the index of the first one not passed over.
    std::size_t PassOver(TBlockReader& Blocks, std::size_t First)
    {
        const TNeedle* Probe =
            FFind.DependsOnEncoding() ? FFind.AsciiPart() : FFind.In(codepages::TEncoding::Latin1);
        const std::vector<TFindAllSnapshot::TObject>& Objects = W.FSnapshot.Objects;
        const std::int64_t Start = Objects[First].Offset;
        // Never more than the block holds: reading on would move what it holds.
        const std::int64_t Limit = Blocks.ReadEnd(Start, Objects[First].Size);
        std::int64_t End = Start;
        std::size_t Last = First;
        for (; Last < Objects.size() && Objects[Last].Offset >= End &&
               Objects[Last].Offset + std::int64_t(Objects[Last].Size) <= Limit;
             ++Last)
            End = Objects[Last].Offset + std::int64_t(Objects[Last].Size);
        if (!Probe || Last - First < 2)
            return First;
        const char* Bytes = Blocks.View(Start, End - Start);
        std::size_t Length = 0;
        const char* Hit = Probe->FindIn(Bytes, std::size_t(End - Start), Length);
        if (!Hit)
            return Last;
        // Those wholly before the first place it could be.
        const std::int64_t At = Start + (Hit - Bytes);
        while (First < Last && Objects[First].Offset + std::int64_t(Objects[First].Size) <= At)
            ++First;
        return First;
    }

    // From is where in the object to begin, and ObjectSlot its slot when
    // rows of it were reported before.
    void SearchObject(TBlockReader& Blocks, std::int32_t Index, const TFindAllSnapshot::TObject& Object,
                      std::int32_t From = 0, std::int32_t ObjectSlot = -1)
    {
        const std::string_view Text(Blocks.View(Object.Offset, Object.Size), std::size_t(Object.Size));
        // As Find Next does: an object without the text's ASCII part, or
        // without the text in the encoding known for it, is passed over
        // before its encoding is detected.
        TEncodingChoice& Encodings = W.FSnapshot.Encodings;
        const TNeedle* Probe = nullptr;
        if (!FFind.DependsOnEncoding())
            Probe = FFind.In(codepages::TEncoding::Latin1);
        else if (const std::optional<codepages::TEncoding> Known = Encodings.KnownForText(Index)) {
            Probe = FFind.In(*Known);
            if (!Probe)
                return;
        } else {
            Probe = FFind.AsciiPart();
        }
        std::size_t Length = 0;
        if (Probe && !Probe->FindIn(Text.data(), Text.size(), Length))
            return;
        const codepages::TEncoding Encoding = Encodings.ForText(Index, Text);
        const TNeedle* Needle = FFind.DependsOnEncoding() ? FFind.In(Encoding) : Probe;
        if (Needle)
            Collect(Index, Object, Text, Encoding, *Needle, std::size_t(std::max(From, 0)), ObjectSlot);
    }

    // Every occurrence, each found after the one before it as Find Next
    // would: from its end on.
    void Collect(std::int32_t Index, const TFindAllSnapshot::TObject& Object, std::string_view Text,
                 codepages::TEncoding Encoding, const TNeedle& Needle, std::size_t From, std::int32_t ObjectSlot)
    {
        // Only a report has a layout.
        const bool SkipLayouts = W.FQuery.SkipLayouts && Object.Kind == otReport;
        TLayoutLines Layouts(SkipLayouts ? Text : std::string_view());
        TLineCounter Lines(Text);
        std::size_t Count = 0;
        while (From < Text.size()) {
            std::size_t Length = 0;
            const char* Hit = Needle.FindIn(Text.data() + From, Text.size() - From, Length);
            if (!Hit)
                break;
            const std::size_t Position = std::size_t(Hit - Text.data());
            From = Position + std::max<std::size_t>(Length, 1);
            if (SkipLayouts && Layouts.Contains(Position))
                continue;
            if (FFound == W.FRange.Limit) {
                // The next search begins with this one.
                FBatch->Next = TFindAllRange{Index, std::int32_t(Position), ObjectSlot, FObjectsReported,
                                             W.FRange.Limit};
                return;
            }
            ++FFound;
            if (ObjectSlot < 0)
                ObjectSlot = AddObject(Index, Object, Encoding);
            Lines.AdvanceTo(Position);
            FBatch->Hits.push_back(Row(Text, Lines, ObjectSlot, Position, Length));
            if (++Count % 1024 == 0) {
                if (W.Cancelled())
                    return;
                if (std::chrono::steady_clock::now() - FLastSent >= BatchInterval)
                    Send();
            }
        }
    }

    std::int32_t AddObject(std::int32_t Index, const TFindAllSnapshot::TObject& Object,
                           codepages::TEncoding TextEncoding)
    {
        std::string Label = ObjectTypeNames[Object.Kind];
        Label += ' ';
        Label += std::to_string(Object.ID);
        Label += ' ';
        Label += Object.Name;
        const codepages::TEncoding Encoding = W.FSnapshot.Encodings.ForLabel(Index, Object.Name);
        FBatch->Objects.push_back(
            {Index, Object.Kind, TextEncoding, Object.Offset, Object.Size, LabelFromBytes(Label, Encoding)});
        return FObjectsReported++;
    }

    static TFindAllHit Row(std::string_view Text, const TLineCounter& Lines, std::int32_t ObjectSlot,
                           std::size_t Position, std::size_t Length)
    {
        // Where the row's text begins: after the line's indentation.
        std::size_t Begin = Lines.LineStart();
        while (Begin < Position && (Text[Begin] == ' ' || Text[Begin] == '\t'))
            ++Begin;
        const std::size_t Lead = Position - Begin;
        return {ObjectSlot, std::int32_t(Position), Lines.Line(),
                std::uint16_t(std::min<std::size_t>(Length, std::numeric_limits<std::uint16_t>::max())),
                Lead > ContextBefore ? TFindAllHit::LeadCut : std::uint8_t(Lead)};
    }

    void Send()
    {
        FBatch->Search = W.FSearch;
        FBatch->BytesDone = FBytesDone;
        FBatch->BytesTotal = FBytesTotal;
        FSentAny = FSentAny || !FBatch->Hits.empty();
        emit W.Found(TFindAllBatchPtr(std::move(FBatch)));
        FBatch = std::make_shared<TFindAllBatch>();
        FLastSent = std::chrono::steady_clock::now();
    }

    TFindAllWorker& W;
    const TFindText FFind;
    std::shared_ptr<TFindAllBatch> FBatch = std::make_shared<TFindAllBatch>();
    std::int32_t FObjectsReported = W.FRange.SlotsTaken;
    std::int32_t FFound = 0;
    bool FSentAny = false;
    std::int64_t FBytesDone = 0;
    std::int64_t FBytesTotal = 0;
    std::chrono::steady_clock::time_point FLastSent;
};

// --- TFindAllWorker --------------------------------------------------------------

std::int64_t TFindAllWorker::BlockSize = 256 * 1024;

TFindAllWorker::TFindAllWorker(std::uint64_t Search, TFindAllSnapshot Snapshot, TFindAllQuery Query,
                               TFindAllRange Range, QObject* Parent)
    : QThread(Parent), FSearch(Search), FSnapshot(std::move(Snapshot)), FQuery(std::move(Query)), FRange(Range)
{
}

TFindAllWorker::~TFindAllWorker()
{
    Cancel();
    wait();
}

void TFindAllWorker::run()
{
    try {
        TSearch(*this).Run();
    } catch (const std::exception& Error) {
        emit Failed(FSearch, QString::fromUtf8(Error.what()));
    } catch (...) {
        emit Failed(FSearch, QStringLiteral("Find All stopped by an unknown error"));
    }
    emit Done(FSearch, Cancelled());
}
