#include "ui/find/findallworker.h"

#include "core/search/findtext.h"
#include "core/search/occurrences.h"
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

// The engine's occurrences as rows, sent in batches.
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
        FSearched = Range.Object;
        FLastSent = std::chrono::steady_clock::now();
        if (!FFind.Empty() && Range.Object >= 0 && std::size_t(Range.Object) < Objects.size()) {
            if (!W.FSnapshot.Stream)
                throw platform::EReadError(SReadError);
            search::TOccurrenceSearch Search(*W.FSnapshot.Stream, ObjectList(), FFind, W.FSnapshot.Encodings);
            Search.SetSkipLayouts(W.FQuery.SkipLayouts);
            FSlot = Range.ObjectSlot;
            FSlotObject = Range.ObjectSlot >= 0 ? Range.Object : -1;
            Search.Run(Range.Object, Range.Position,
                       {[this](const search::TOccurrence& Found) { return Take(Found); },
                        [this] { return W.Cancelled(); },
                        [this](std::int32_t Object) { Searched(Object); }});
        }
        Send();
    }

private:
    search::TObjectList ObjectList() const
    {
        const std::vector<TFindAllSnapshot::TObject>* Objects = &W.FSnapshot.Objects;
        return {std::int32_t(Objects->size()), [Objects](std::int32_t Index) {
                    const TFindAllSnapshot::TObject& Object = (*Objects)[std::size_t(Index)];
                    return search::TObjectBytes{Object.Offset, Object.Size, Object.Kind == otReport};
                }};
    }

    bool Take(const search::TOccurrence& Found)
    {
        if (FFound == W.FRange.Limit) {
            // The next search begins with this one.
            const std::int32_t Slot = FSlotObject == Found.Object ? FSlot : -1;
            FBatch->Next = TFindAllRange{Found.Object, Found.Position, Slot, FObjectsReported, W.FRange.Limit};
            return false;
        }
        ++FFound;
        if (FSlotObject != Found.Object) {
            FSlotObject = Found.Object;
            FSlot = AddObject(Found.Object, Found.Encoding);
        }
        FBatch->Hits.push_back(Row(Found, FSlot));
        if (FBatch->Hits.size() % 1024 == 0 && std::chrono::steady_clock::now() - FLastSent >= BatchInterval)
            Send();
        return true;
    }

    void Searched(std::int32_t Object)
    {
        const std::vector<TFindAllSnapshot::TObject>& Objects = W.FSnapshot.Objects;
        for (; FSearched <= Object; ++FSearched)
            FBytesDone += Objects[std::size_t(FSearched)].Size;
        if (!FBatch->Hits.empty() && !FSentAny)
            Send();  // the first rows at once
        else if (std::chrono::steady_clock::now() - FLastSent >= BatchInterval)
            Send();
    }

    std::int32_t AddObject(std::int32_t Index, codepages::TEncoding TextEncoding)
    {
        const TFindAllSnapshot::TObject& Object = W.FSnapshot.Objects[std::size_t(Index)];
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

    static TFindAllHit Row(const search::TOccurrence& Found, std::int32_t Slot)
    {
        // Where the row's text begins: after the line's indentation.
        const std::string_view Text = Found.Text;
        auto Begin = std::size_t(Found.LineStart);
        const auto Position = std::size_t(Found.Position);
        while (Begin < Position && (Text[Begin] == ' ' || Text[Begin] == '\t'))
            ++Begin;
        const std::size_t Lead = Position - Begin;
        return {Slot, Found.Position, Found.Line,
                std::uint16_t(std::min<std::int32_t>(Found.Length, std::numeric_limits<std::uint16_t>::max())),
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
    std::int32_t FSlotObject = -1;  // the object the last rows were of, and its slot
    std::int32_t FSlot = -1;
    std::int32_t FSearched = 0;  // objects counted in FBytesDone
    std::int32_t FFound = 0;
    bool FSentAny = false;
    std::int64_t FBytesDone = 0;
    std::int64_t FBytesTotal = 0;
    std::chrono::steady_clock::time_point FLastSent;
};

// --- TFindAllWorker --------------------------------------------------------------

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
