// Edit > Find All: a panel at the bottom of the window that lists every
// occurrence of a find text, one row per occurrence (the object, the line and
// the line's text with the occurrence marked), filled by a search off the GUI
// thread (TFindAllWorker) batch by batch while a progress bar runs.
//
// A search stops at TFindAllPanel::Limit occurrences and says so; Find More
// goes on from there for as many again. Rows hold no text: each line is read
// from the file when its row is drawn.
//
// Activating a row (Enter, double click) selects the object and the
// occurrence as Find Next would. Escape or Stop ends a search; a new search,
// another file and the panel's end cancel it and wait for it.
#pragma once

#include "ui/common/settingswriter.h"
#include "ui/find/findallworker.h"
#include "ui/views/objectviews.h"

#include <QAbstractTableModel>
#include <QDockWidget>
#include <QStyledItemDelegate>

#include <array>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QLineEdit;
class QMainWindow;
class QProgressBar;
class QPushButton;
class QTreeView;
class TEncodingChoice;
class TFindView;

// The occurrences found so far, in file order. The text column's lines are
// read from the source file when asked for; the last ones are kept.
class TFindAllModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { ObjectColumn, LineColumn, TextColumn, ColumnCount };
    // The text column: where the occurrence is in the line's text.
    enum TRole { MatchStartRole = Qt::UserRole, MatchLengthRole };

    explicit TFindAllModel(const TKindImages& Images, QObject* Parent = nullptr);

    // No rows, and their memory given back.
    void Clear();
    // Where the rows' lines are read from: the file searched (null: none).
    void SetSource(std::unique_ptr<platform::TStream> Source);
    // Rows at the end: a batch of the search in its order.
    void Append(const TFindAllBatch& Batch);

    int HitCount() const { return int(FHits.size()); }
    int ObjectCount() const { return int(FObjects.size()); }
    // The occurrence of a row and its object; null for a row that is not there.
    const TFindAllHit* Hit(int Row) const;
    const TFindAllObject* ObjectOf(int Row) const;
    // Row's line as the text column shows it; an empty one when it cannot be read.
    const TFindAllLine& Line(int Row) const;

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;

private:
    struct TCachedLine {
        int Row = -1;
        TFindAllLine Line;
    };

    const TKindImages& FImages;
    std::vector<TFindAllObject> FObjects;
    std::vector<TFindAllHit> FHits;
    std::unique_ptr<platform::TStream> FSource;
    // Lines by row modulo their count: more than a screen of rows, so the
    // rows shown never push each other out.
    mutable std::array<TCachedLine, 256> FLines;
};

// Draws a row's text with its occurrence in bold on a marked background.
class TFindAllDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override;
};

class TFindAllPanel : public QDockWidget, public TSettingsOwner {
    Q_OBJECT
public:
    // Docked at the bottom of Window, hidden. File, Encodings and Views
    // outlive the panel; the search reads none of them, only a snapshot.
    TFindAllPanel(QMainWindow& Window, const TObjectTextFile& File, const TEncodingChoice& Encodings,
                  TFindView& Views);
    ~TFindAllPanel() override;

    // Shows the panel and searches for Text (UTF-8) in the loaded file, with
    // the panel's Skip report layouts; an empty text only shows the panel,
    // ready for one to be typed.
    void Run(const std::string& Text, bool MatchCase);
    // Ends the search now; the rows found so far stay.
    void Stop();
    // After a search stopped at the limit: the next Limit occurrences from there.
    void FindMore();
    bool CanFindMore() const { return FMore.has_value() && !FRunning; }
    // Occurrences a search shows before it stops for Find More; tests shrink it.
    static int Limit;
    // Another file, or none: any search is cancelled and waited for, and the
    // rows go.
    void Clear();
    bool Running() const { return FRunning; }
    // Edit > Find All (Ctrl+Shift+F), and Escape while a search runs: the
    // window makes them commands.
    QAction* RunAction() const { return FRunAction; }
    QAction* StopAction() const { return FStopAction; }
    TFindAllModel& Results() { return *FModel; }
    // Selects row Row's occurrence in the window's views.
    void Activate(int Row);
    // The window reads the file in another encoding now: a search shown runs
    // again, as what it finds and how its lines read may differ.
    void EncodingChanged();
    // [Find All]: Skip report layouts.
    void ReadSettings(const platform::TProfile& Profile) override;
    void WriteSettings(TSettingsWriter& Writer) const override;

signals:
    // A search from the panel's own box, which the find dialog takes over.
    void Searching(const QString& Text, bool MatchCase);

protected:
    void closeEvent(QCloseEvent* Event) override;

private:
    void SetUpResultsView();
    // The rows go, and the memory they and the view took with them.
    void ClearRows();
    void RunTyped();
    void Start(TFindAllQuery Query);
    void Launch(const TFindAllRange& Range);
    // The running search, if any, ends and is waited for.
    void EndWorker();
    void Received(const TFindAllBatchPtr& Batch);
    void Finished(quint64 Search, bool Cancelled);
    void Failed(quint64 Search, const QString& Message);
    void UpdateState();

    QMainWindow& FWindow;
    const TObjectTextFile& FFile;
    const TEncodingChoice& FEncodings;
    TFindView& FViews;
    TKindImages FImages;
    TFindAllModel* FModel;
    QLineEdit* edtFindAllText;
    QCheckBox* chkFindAllMatchCase;
    QCheckBox* chkFindAllSkipLayouts;
    QPushButton* btnFindAll;
    QPushButton* btnFindAllStop;
    QPushButton* btnFindAllMore;
    QProgressBar* prgFindAll;
    QTreeView* tvwFindAll;
    QAction* FRunAction;
    QAction* FStopAction;

    std::unique_ptr<TFindAllWorker> FWorker;
    std::uint64_t FSearch = 0;  // the search whose batches count
    bool FRunning = false;
    bool FStopped = false;      // the last search was ended early
    bool FSearched = false;     // a search has run since the last Clear
    TFindAllQuery FLastQuery;
    // Where Find More begins: set while the last search stopped at the limit.
    std::optional<TFindAllRange> FMore;
};
