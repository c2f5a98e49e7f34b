// Find References and Where Used: the lines that refer to an object or to
// one of its members, as rows of the Find All panel's kind (the referring
// object, the line, the line's text with the reference marked), one row per
// referring line, grouped by object in the file's order. Found off the GUI
// thread; the panel shows them and says what was searched.
#pragma once

#include "core/encodingchoice.h"
#include "core/references/referenceindex.h"
#include "ui/find/findall.h"

#include <QDockWidget>
#include <QPointer>

#include <atomic>
#include <memory>
#include <string>

class QLabel;
class QMainWindow;
class QThread;
class QTreeView;
class TFindView;

struct TWhereUsedQuery {
    references::TTarget Target;
    std::string Member; // empty: the object itself
    QString Title;      // "Table 18 Customer", "Table 18 Customer, \"No.\""
};

// The rows for Query: each referring line once, with its first reference
// marked. Reads the referring objects' texts through Reader; Encodings is
// the worker's own copy. An empty batch when Cancel is set.
TFindAllBatch FindWhereUsed(const TObjectTextFile& File, const references::TReferenceIndex& Index,
                            TEncodingChoice& Encodings, const TWhereUsedQuery& Query, platform::TStream& Reader,
                            const std::atomic<bool>& Cancel);

class TWhereUsedPanel : public QDockWidget {
    Q_OBJECT
public:
    // Docked at the bottom of Window, hidden. File, Encodings and Views outlive the panel.
    TWhereUsedPanel(QMainWindow& Window, const TObjectTextFile& File, const TEncodingChoice& Encodings,
                    TFindView& Views);
    ~TWhereUsedPanel() override;

    // Shows the panel and finds Query's rows with Index on a worker.
    void Run(std::shared_ptr<const references::TReferenceIndex> Index, const TWhereUsedQuery& Query);
    // Another file, or none: the search is cancelled and waited for, the rows go.
    void Clear();
    bool Running() const { return FThread != nullptr; }
    TFindAllModel& Results() const { return *FModel; }
    QTreeView& View() const { return *FView; }
    void Activate(int Row);

signals:
    void Finished();

private:
    void Show(std::uint64_t Search, const std::shared_ptr<TFindAllBatch>& Rows, const QString& Title);
    void EndWorker();

    QMainWindow& FWindow;
    const TObjectTextFile& FFile;
    const TEncodingChoice& FEncodings;
    TFindView& FViews;
    TKindImages FImages;
    TFindAllModel* FModel;
    QTreeView* FView;
    QLabel* FNote;
    std::unique_ptr<QThread> FThread;
    std::atomic<bool> FCancel{false};
    std::uint64_t FSearch = 0;
};
