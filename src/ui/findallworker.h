// Edit > Find All's search: every occurrence of a find text in every object,
// off the GUI thread.
//
// The search works on a snapshot of what it needs of the loaded file (each
// object's byte range, kind, number and name, and the encodings known so far)
// and reads the objects' bytes through a stream of its own, so nothing it
// does touches the window's model, which may change or go while it runs.
// Each object is searched in its own encoding as Find Next searches it: the
// occurrences are the ones that successive presses of Find Next select.
//
// Results go to the GUI thread in batches through queued signals: the first
// as soon as an object has an occurrence, then about every 30 ms. Cancel()
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
#include <memory>
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

// An object with occurrences, as its rows show it.
struct TFindAllObject {
    std::int32_t ObjectIndex;
    TObjectType Kind;
    QString Label;  // "Table 18 Customer", decoded as the tree decodes it
};

// One occurrence.
struct TFindAllHit {
    std::int32_t Object;    // index into the objects reported so far
    std::int32_t Position;  // 0-based byte offset in the object's text
    std::int32_t Length;    // in bytes
    std::int32_t Line;      // 1-based, counted as the text view counts lines
    // The line, decoded, without its indentation and cut to a reasonable
    // length around the occurrence, which is [MatchStart, MatchStart + MatchLength).
    QString LineText;
    std::int32_t MatchStart;
    std::int32_t MatchLength;
};

struct TFindAllBatch {
    std::uint64_t Search = 0;  // which search it belongs to
    std::vector<TFindAllObject> Objects;  // first reported in this batch, in order
    std::vector<TFindAllHit> Hits;
    std::int64_t BytesDone = 0;
    std::int64_t BytesTotal = 0;
};
using TFindAllBatchPtr = std::shared_ptr<const TFindAllBatch>;
Q_DECLARE_METATYPE(TFindAllBatchPtr)

class TFindAllWorker : public QThread {
    Q_OBJECT
public:
    TFindAllWorker(std::uint64_t Search, TFindAllSnapshot Snapshot, TFindAllQuery Query, QObject* Parent = nullptr);
    // Cancels and waits.
    ~TFindAllWorker() override;

    // Bytes of the file read at a time, ahead of the search (kept in the
    // cache); tests shrink it to reach every block boundary.
    static std::int64_t BlockSize;

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
    std::atomic<bool> FCancelled{false};
};
