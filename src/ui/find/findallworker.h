// Edit > Find All's search: every occurrence of a find text in every object,
// off the GUI thread. The search itself is the model's (core/search); this
// keeps the thread, the snapshot, the batching and the signals.
//
// The search works on a snapshot of what it needs of the loaded file (each
// object's byte range, kind, number and name, and the encodings known so far)
// and reads the objects' bytes through a stream of its own, so nothing it
// does touches the window's model, which may change or go while it runs.
// The occurrences are the ones that successive presses of Find Next select.
//
// Results go to the GUI thread in batches through queued signals: the first
// as soon as an object has an occurrence, then at most one every 30 ms, however
// fast occurrences come, so the GUI thread is never flooded. Cancel()
// sets a flag the search checks between pieces of text; nothing is thrown
// out of run(): a failure is reported by Failed.
#pragma once

#include "core/encodingchoice.h"
#include "core/quibfile.h"

#include <QMetaType>
#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the search needs of the loaded file, taken on the GUI thread.
struct TFindAllSnapshot {
    struct TObject {
        std::int32_t Offset;
        std::int32_t Size;
        std::int32_t ID;
        TObjectType Kind;
        std::string Name;
    };
    // The model's file, read beside it (shared: a snapshot is copied).
    std::shared_ptr<platform::TStream> Stream;
    std::vector<TObject> Objects;
    // A copy of the window's: the search detects into it.
    TEncodingChoice Encodings;

    static TFindAllSnapshot Of(const TObjectTextFile& File, const TEncodingChoice& Encodings);
};

struct TFindAllQuery {
    std::string Text;  // UTF-8
    bool MatchCase = false;
    // Occurrences inside a report's layout (RDLDATA, WORDLAYOUT) left out.
    bool SkipLayouts = true;
};

// Where a search begins and how many occurrences it reports: from the start
// of the file, or from where the search before it stopped at its limit.
struct TFindAllRange {
    std::int32_t Object = 0;       // index of the object it begins in
    std::int32_t Position = 0;     // 0-based byte offset it begins at there
    std::int32_t ObjectSlot = -1;  // that object's slot when rows of it came before, else -1
    std::int32_t SlotsTaken = 0;   // objects reported before it
    // The search stops at the occurrence after this many, which the next
    // range begins with.
    std::int32_t Limit = std::numeric_limits<std::int32_t>::max();
};

// An object with occurrences, as its rows show it and read their lines.
struct TFindAllObject {
    std::int32_t ObjectIndex;
    TObjectType Kind;
    codepages::TEncoding Encoding;  // its text's, as it was searched
    std::int32_t Offset;            // its text in the file
    std::int32_t Size;
    QString Label;  // "Table 18 Customer", decoded as the tree decodes it
};

// One occurrence. Rows keep no text: a row's line is read from the file when
// it is drawn (ReadFindAllLine), so that a search may find millions.
struct TFindAllHit {
    std::int32_t Object;    // slot: index into the objects reported so far
    std::int32_t Position;  // 0-based byte offset in the object's text
    std::int32_t Line;      // 1-based, counted as the text view counts lines
    std::uint16_t Length;   // in bytes
    // Bytes from where the row's text begins (the line without its
    // indentation) to the occurrence; LeadCut when that is too far to show.
    std::uint8_t Lead;
    static constexpr std::uint8_t LeadCut = 255;
};

// What a row shows of its occurrence's line: without its indentation, cut
// where it runs long, decoded; the occurrence is [MatchStart, MatchStart + MatchLength).
struct TFindAllLine {
    QString Text;
    std::int32_t MatchStart = 0;
    std::int32_t MatchLength = 0;
};

// Reads Hit's line from Stream, the file Object lies in. Throws
// platform::EReadError when the bytes cannot be read.
TFindAllLine ReadFindAllLine(platform::TStream& Stream, const TFindAllObject& Object, const TFindAllHit& Hit);

struct TFindAllBatch {
    std::uint64_t Search = 0;  // which search it belongs to
    std::vector<TFindAllObject> Objects;  // first reported in this batch, in order
    std::vector<TFindAllHit> Hits;
    std::int64_t BytesDone = 0;
    std::int64_t BytesTotal = 0;
    // On the last batch of a search that stopped at its limit: where the next begins.
    std::optional<TFindAllRange> Next;
};
using TFindAllBatchPtr = std::shared_ptr<const TFindAllBatch>;
Q_DECLARE_METATYPE(TFindAllBatchPtr)

class TFindAllWorker : public QThread {
    Q_OBJECT
public:
    TFindAllWorker(std::uint64_t Search, TFindAllSnapshot Snapshot, TFindAllQuery Query, TFindAllRange Range,
                   QObject* Parent = nullptr);
    // Cancels and waits.
    ~TFindAllWorker() override;

    std::uint64_t Search() const { return FSearch; }
    // Thread-safe; the search stops at its next check.
    void Cancel() { FCancelled.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return FCancelled.load(std::memory_order_relaxed); }

signals:
    // Emitted from the search's thread; connect queued.
    void Found(const TFindAllBatchPtr& Batch);
    // The last signal of a search that ran to its end or was cancelled.
    void Done(quint64 Search, bool Cancelled);
    // A failure (the file could not be read): the search ends with it, Done follows.
    void Failed(quint64 Search, const QString& Message);

protected:
    void run() override;

private:
    class TSearch;

    const std::uint64_t FSearch;
    TFindAllSnapshot FSnapshot;
    const TFindAllQuery FQuery;
    const TFindAllRange FRange;
    std::atomic<bool> FCancelled{false};
};
