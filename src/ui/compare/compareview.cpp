#include "ui/compare/compareview.h"

#include "components/brwsfldr.h"
#include "platform/profile.h"
#include "ui/compare/comparetext.h"
#include "ui/common/errorbox.h"
#include "ui/common/folderchoice.h"
#include "ui/export/exportobjects.h"
#include "ui/common/filedialogs.h"
#include "ui/filter/filterfields.h"
#include "ui/common/systempath.h"
#include "ui/views/textviewmap.h"
#include "ui/common/uiguards.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace {

// The settings file's section and keys: Compare every byte, and both versions in one text.
const char* const SCompare = "Compare";
const char* const SStrict = "Strict";
const char* const SUnified = "Unified";

// Pairs per slice stop at this many milliseconds, so the window keeps up.
constexpr int SliceMilliseconds = 25;

// As the counts read: added, deleted, changed, identical, not compared.
std::int64_t StatusRank(TCompareStatus Status)
{
    switch (Status) {
    case TCompareStatus::Added:
        return 0;
    case TCompareStatus::Deleted:
        return 1;
    case TCompareStatus::Changed:
        return 2;
    case TCompareStatus::Identical:
        return 3;
    case TCompareStatus::Pending:
        break;
    }
    return 4;
}

QString Counted(std::int64_t Count, const QString& One, const QString& Many)
{
    return Count == 1 ? One : Many.arg(Count);
}

// Where the first change begins in the old text: its first line deleted, or
// the line the first lines inserted go before (the text's end after its last).
std::int32_t FirstChangeInOld(const TTextDiff& Diff)
{
    for (const TDiffRun& Run : Diff.Script())
        if (Run.Op != TDiffOp::Equal)
            return Run.OldLine < Diff.OldLineCount()
                       ? std::int32_t(Diff.OldLine(Run.OldLine).data() - Diff.OldText().data())
                       : std::int32_t(Diff.OldText().size());
    return 0;
}

QString FileLabel(const TObjectTextFile& File)
{
    return QDir::toNativeSeparators(gui::FromSystemPath(File.FileName()));
}

} // namespace

// --- TCompareListModel

TCompareListModel::TCompareListModel(const TObjectTextFile& Old, const TObjectTextFile& New,
                                     const TEncodingChoice& OldEncodings, const TEncodingChoice& NewEncodings,
                                     QObject* Parent)
    : TEntryRowsModel(Parent), FOld(Old), FNew(New), FOldEncodings(OldEncodings), FNewEncodings(NewEncodings)
{
}

void TCompareListModel::SetEntries(const std::vector<TCompareEntry>* Entries, const std::vector<bool>* BreaksOnly,
                                   bool ShowIdentical, const TObjectFilter& Filter)
{
    // Chosen before the reset, so that a read that fails leaves the rows as they were.
    std::vector<std::int32_t> Rows;
    std::string Buffer;
    for (std::size_t Index = 0; Entries && Index < Entries->size(); ++Index) {
        const TCompareEntry& Entry = (*Entries)[Index];
        if (!ShowIdentical && Entry.Status == TCompareStatus::Identical)
            continue;
        if (Filter.Active() && !Filter.Matches(ObjectOf(Entry), Buffer))
            continue;
        Rows.push_back(std::int32_t(Index));
    }
    beginResetModel();
    FEntries = Entries;
    FBreaksOnly = BreaksOnly;
    FRows = std::move(Rows);
    SortRows();
    endResetModel();
}

void TCompareListModel::sort(int Column, Qt::SortOrder Order)
{
    FSortColumn = Column;
    FSortOrder = Order;
    Resort([this] { SortRows(); });
}

void TCompareListModel::SortRows()
{
    if (FEntries && FSortColumn >= 0 && FSortColumn < ColumnCount) {
        const std::vector<TCompareEntry>& Entries = *FEntries;
        // Ties stay in the entries' order, whichever way the column runs.
        const auto Ordered = [this](int Compared, std::int32_t Left, std::int32_t Right) {
            if (Compared != 0)
                return FSortOrder == Qt::AscendingOrder ? Compared < 0 : Compared > 0;
            return Left < Right;
        };
        if (FSortColumn == colName) {
            std::vector<QString> Names(Entries.size());
            for (const std::int32_t Entry : FRows)
                Names[std::size_t(Entry)] = NameOf(Entries[std::size_t(Entry)]);
            std::sort(FRows.begin(), FRows.end(), [&](std::int32_t Left, std::int32_t Right) {
                return Ordered(Names[std::size_t(Left)].compare(Names[std::size_t(Right)], Qt::CaseInsensitive), Left,
                               Right);
            });
        } else {
            const auto Key = [this, &Entries](std::int32_t Entry) -> std::int64_t {
                const TCompareEntry& Of = Entries[std::size_t(Entry)];
                switch (FSortColumn) {
                case colStatus:
                    return StatusRank(Of.Status);
                case colType:
                    return std::int64_t(Of.ObjectType);
                default:
                    return Of.ID;
                }
            };
            std::sort(FRows.begin(), FRows.end(), [&](std::int32_t Left, std::int32_t Right) {
                const std::int64_t A = Key(Left), B = Key(Right);
                return Ordered(A < B ? -1 : A > B ? 1 : 0, Left, Right);
            });
        }
    } else {
        std::sort(FRows.begin(), FRows.end());
    }
    FRowOfEntry.assign(FEntries ? FEntries->size() : 0, -1);
    for (std::size_t Row = 0; Row < FRows.size(); ++Row)
        FRowOfEntry[std::size_t(FRows[Row])] = std::int32_t(Row);
}

const TObjectTextObject& TCompareListModel::ObjectOf(const TCompareEntry& Entry) const
{
    return Entry.NewIndex >= 0 ? FNew.Objects(Entry.NewIndex) : FOld.Objects(Entry.OldIndex);
}

QString TCompareListModel::ObjectLabel(const TCompareEntry& Entry) const
{
    return QStringLiteral("%1 %2 %3")
        .arg(LabelFromBytes(ObjectTypeNames[Entry.ObjectType]))
        .arg(Entry.ID)
        .arg(NameOf(Entry));
}

QString TCompareListModel::NameOf(const TCompareEntry& Entry) const
{
    const bool InNew = Entry.NewIndex >= 0;
    const TObjectTextObject& Object = ObjectOf(Entry);
    const TEncodingChoice& Encodings = InNew ? FNewEncodings : FOldEncodings;
    return LabelFromBytes(Object.Name(), Encodings.ForLabel(InNew ? Entry.NewIndex : Entry.OldIndex, Object.Name()));
}

const TCompareEntry* TCompareListModel::EntryAt(int Row) const
{
    if (!FEntries || Row < 0 || Row >= int(FRows.size()))
        return nullptr;
    return &(*FEntries)[std::size_t(FRows[std::size_t(Row)])];
}

std::int32_t TCompareListModel::EntryIndexAt(int Row) const
{
    return Row < 0 || Row >= int(FRows.size()) ? -1 : FRows[std::size_t(Row)];
}

int TCompareListModel::RowOf(std::int32_t EntryIndex) const
{
    return EntryIndex < 0 || EntryIndex >= std::int32_t(FRowOfEntry.size()) ? -1
                                                                            : FRowOfEntry[std::size_t(EntryIndex)];
}

int TCompareListModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : int(FRows.size());
}

int TCompareListModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : ColumnCount;
}

QString TCompareListModel::StatusText(TCompareStatus Status)
{
    switch (Status) {
    case TCompareStatus::Identical:
        return tr("Identical");
    case TCompareStatus::Changed:
        return tr("Changed");
    case TCompareStatus::Added:
        return tr("Added");
    case TCompareStatus::Deleted:
        return tr("Deleted");
    case TCompareStatus::Pending:
        break;
    }
    return tr("Not compared");
}

QString TCompareListModel::LineBreaksOnlyText()
{
    return tr("Line breaks only");
}

bool TCompareListModel::LineBreaksOnly(std::int32_t EntryIndex) const
{
    return FBreaksOnly && EntryIndex >= 0 && std::size_t(EntryIndex) < FBreaksOnly->size() &&
           (*FBreaksOnly)[std::size_t(EntryIndex)];
}

QVariant TCompareListModel::data(const QModelIndex& Index, int Role) const
{
    const TCompareEntry* Entry = Index.isValid() ? EntryAt(Index.row()) : nullptr;
    if (!Entry || Role != Qt::DisplayRole)
        return {};
    switch (Index.column()) {
    case colStatus:
        return LineBreaksOnly(EntryIndexAt(Index.row())) ? LineBreaksOnlyText() : StatusText(Entry->Status);
    case colType:
        return LabelFromBytes(ObjectTypeNames[Entry->ObjectType]);
    case colID:
        return Entry->ID;
    case colName:
        return NameOf(*Entry);
    default:
        return {};
    }
}

QVariant TCompareListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole)
        return {};
    switch (Section) {
    case colStatus:
        return tr("Status");
    case colType:
        return tr("Type");
    case colID:
        return tr("ID");
    case colName:
        return tr("Name");
    default:
        return {};
    }
}

// --- TCompareWindow

TCompareWindow::TCompareWindow(QWidget& Owner, TObjectTextFile& Old, const QString& NewFileName,
                               std::optional<codepages::TEncoding> Encoding, TCompareChoices Choices)
    : QDialog(&Owner, Qt::Window),
      FOld(Old),
      FNew(&Old),
      FModel(nullptr),
      FSaveDialog(new TExportSaveDialog(this)),
      FFolderDialog(new TBrowseForFolderDialog(this))
{
    setObjectName(QStringLiteral("frmCompare"));
    setAttribute(Qt::WA_DeleteOnClose);
    const QString OldName = gui::FromSystemPath(Old.FileName());
    if (!NewFileName.isEmpty() && QFileInfo(NewFileName).canonicalFilePath() != QFileInfo(OldName).canonicalFilePath()) {
        gui::TWaitCursor Hourglass;
        FNewFile = std::make_unique<TObjectTextFile>();
        FNewFile->LoadFromPath(gui::ToSystemPath(NewFileName));
        FNew = FNewFile.get();
    }
    FOldEncodings.SetChosen(Encoding);
    FNewEncodings.SetChosen(Encoding);
    FOldEncodings.Reset(FOld.Count());
    FNewEncodings.Reset(FNew->Count());
    setWindowTitle(tr("Compare %1 with %2")
                       .arg(QFileInfo(OldName).fileName(), QFileInfo(gui::FromSystemPath(FNew->FileName())).fileName()));
    FFolderDialog->setObjectName(QStringLiteral("dlgCompareBrowseForFolder"));
    SetUpExportFolderBrowser(*FFolderDialog);

    auto* Files = new QLabel(tr("Old: %1\nNew: %2").arg(FileLabel(FOld), FileLabel(*FNew)), this);
    Files->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FShowIdentical = new QCheckBox(tr("Show &identical"), this);
    FShowIdentical->setObjectName(QStringLiteral("chkShowIdentical"));
    FStrict = new QCheckBox(tr("Compare every &byte"), this);
    FStrict->setObjectName(QStringLiteral("chkStrict"));
    FStrict->setToolTip(tr("Differences in Date, Time, Modified and line breaks count too"));
    FStrict->setChecked(Choices.Strict);
    FCounts = new QLabel(this);
    FCounts->setObjectName(QStringLiteral("lblCounts"));
    FProgress = new QProgressBar(this);
    FProgress->setObjectName(QStringLiteral("prbCompare"));
    FCancel = new QPushButton(tr("Cancel"), this);
    FCancel->setObjectName(QStringLiteral("btnCancel"));
    FCancel->setAutoDefault(false);

    FModel = new TCompareListModel(FOld, *FNew, FOldEncodings, FNewEncodings, this);
    FList = new QTreeView(this);
    FList->setObjectName(QStringLiteral("lvwCompare"));
    FList->setRootIsDecorated(false);
    FList->setUniformRowHeights(true);
    FList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    FList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FList->setModel(FModel);
    // No column at first: the entries' order, kind then number.
    FList->header()->setSortIndicator(-1, Qt::AscendingOrder);
    FList->setSortingEnabled(true);
    // The row the user was on is where the eye looks after a sort.
    connect(FModel, &QAbstractItemModel::layoutChanged, this, [this] {
        if (FList->currentIndex().isValid())
            FList->scrollTo(FList->currentIndex());
    });
    // Said over the empty list, so that an empty list is never a riddle.
    FEmptyNote = new QLabel(FList->viewport());
    FEmptyNote->setObjectName(QStringLiteral("lblCompareEmpty"));
    FEmptyNote->setAttribute(Qt::WA_TransparentForMouseEvents);
    FEmptyNote->setEnabled(false);
    FEmptyNote->hide();
    auto* Over = new QVBoxLayout(FList->viewport());
    Over->setSizeConstraint(QLayout::SetNoConstraint);
    Over->addWidget(FEmptyNote, 0, Qt::AlignCenter);
    FFilter = new TFilterFields(this);
    FFilter->setObjectName(QStringLiteral("fltCompare"));
    FFilter->SetEncoding(Encoding);
    FText = new TCompareText(this);

    const auto MakeAction = [this](const QString& Text, const char* Name, const QKeySequence& Key) {
        auto* Action = new QAction(Text, this);
        Action->setObjectName(QString::fromLatin1(Name));
        Action->setShortcut(Key);
        addAction(Action);
        return Action;
    };
    FNextDifference = MakeAction(tr("&Next Difference"), "actCompareNextDifference", QKeySequence(Qt::Key_F8));
    FPreviousDifference =
        MakeAction(tr("&Previous Difference"), "actComparePreviousDifference", QKeySequence(Qt::SHIFT | Qt::Key_F8));
    FExport = MakeAction(tr("&Export..."), "actCompareExport", QKeySequence());
    const auto Button = [this](QAction* Action) {
        auto* Tool = new QToolButton(this);
        Tool->setDefaultAction(Action);
        Tool->setToolButtonStyle(Qt::ToolButtonTextOnly);
        return Tool;
    };

    auto* Options = new QHBoxLayout;
    Options->addWidget(FShowIdentical);
    Options->addWidget(FStrict);
    Options->addWidget(FCounts, 1);
    Options->addWidget(FProgress);
    Options->addWidget(FCancel);
    auto* Steps = new QHBoxLayout;
    Steps->addWidget(Button(FPreviousDifference));
    Steps->addWidget(Button(FNextDifference));
    FUnified = new QCheckBox(tr("&Unified"), this);
    FUnified->setObjectName(QStringLiteral("chkUnified"));
    FUnified->setToolTip(tr("Both versions in one text, each change's old lines before its new ones"));
    FUnified->setChecked(Choices.Unified);
    FText->SetUnified(Choices.Unified);
    connect(FUnified, &QCheckBox::toggled, FText, &TCompareText::SetUnified);
    Steps->addWidget(FUnified);
    Steps->addStretch(1);
    Steps->addWidget(Button(FExport));
    auto* Lower = new QWidget(this);
    auto* LowerLayout = new QVBoxLayout(Lower);
    LowerLayout->setContentsMargins(0, 0, 0, 0);
    LowerLayout->addLayout(Steps);
    LowerLayout->addWidget(FText, 1);
    auto* Upper = new QWidget(this);
    auto* UpperLayout = new QVBoxLayout(Upper);
    UpperLayout->setContentsMargins(0, 0, 0, 0);
    UpperLayout->addWidget(FFilter);
    UpperLayout->addWidget(FList, 1);
    auto* Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->addWidget(Upper);
    Splitter->addWidget(Lower);
    Splitter->setStretchFactor(1, 2);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Files);
    Layout->addLayout(Options);
    Layout->addWidget(Splitter, 1);
    FStatus = new QStatusBar(this);
    FStatus->setObjectName(QStringLiteral("stbCompare"));
    FStatus->setSizeGripEnabled(false);
    Layout->addWidget(FStatus);
    // Two texts side by side want room: most of the screen.
    if (const QScreen* Screen = Owner.screen()) {
        const QRect Room = Screen->availableGeometry();
        resize(Room.width() * 9 / 10, Room.height() * 9 / 10);
    }
    Splitter->setSizes({height() / 3, height() * 2 / 3});

    FSlice.setInterval(0);
    connect(&FSlice, &QTimer::timeout, this, [this] {
        if (!gui::RunGuarded(this, [this] { CompareSlice(); }))
            Cancel();
    });
    connect(FCancel, &QPushButton::clicked, this, &TCompareWindow::Cancel);
    connect(FShowIdentical, &QCheckBox::toggled, this, [this] { gui::RunGuarded(this, [this] { Refill(); }); });
    connect(FFilter, &TFilterFields::Changed, this, [this] { gui::RunGuarded(this, [this] { Refill(); }); });
    connect(FStrict, &QCheckBox::toggled, this, [this] {
        emit ChoicesChanged();
        Start();
    });
    connect(FUnified, &QCheckBox::toggled, this, &TCompareWindow::ChoicesChanged);
    connect(FList, &QTreeView::activated, this,
            [this](const QModelIndex& Index) { gui::RunGuarded(this, [&] { Activate(Index); }); });
    connect(FList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { gui::RunGuarded(this, [this] { ShowSelected(); }); });
    connect(FNextDifference, &QAction::triggered, this, [this] { Step(true); });
    connect(FPreviousDifference, &QAction::triggered, this, [this] { Step(false); });
    connect(FExport, &QAction::triggered, this, [this] { gui::RunGuarded(this, [this] { ExportSelected(); }); });
}

TCompareWindow::~TCompareWindow()
{
    FSlice.stop();
    // The dialog hides after this, laying the list out once more: the model
    // must not read the entries and the new file, which go first.
    FModel->SetEntries(nullptr, nullptr, false, TObjectFilter());
}

void TCompareWindow::Start()
{
    FSlice.stop();
    FOptions.Strict = FStrict->isChecked();
    FComparer = TTextComparer(FOptions);
    // The same files pair up the same way: the object shown stays shown.
    if (const std::int32_t Shown = FModel->EntryIndexAt(FList->currentIndex().row()); Shown >= 0)
        FShownEntry = Shown;
    FModel->SetEntries(nullptr, nullptr, false, FFilter->Filter());
    FText->Clear();
    FEntries = MatchObjects(FOld, *FNew);
    FBreaksOnly.assign(FEntries.size(), false);
    FNext = 0;
    FProgress->setRange(0, int(FEntries.size()));
    FProgress->setValue(0);
    FProgress->show();
    FCancel->show();
    FCounts->setText(tr("Comparing..."));
    FEmptyNote->hide();
    FSlice.start();
}

void TCompareWindow::Cancel()
{
    if (Running())
        Done();
}

void TCompareWindow::CompareSlice()
{
    QElapsedTimer Clock;
    Clock.start();
    while (FNext < FEntries.size() && Clock.elapsed() < SliceMilliseconds) {
        TCompareEntry& Entry = FEntries[FNext++];
        if (Entry.Status != TCompareStatus::Pending)
            continue;
        const TObjectTextObject& Old = FOld.Objects(Entry.OldIndex);
        const TObjectTextObject& New = FNew->Objects(Entry.NewIndex);
        Entry.Status = FComparer.Differ(Old, New) ? TCompareStatus::Changed : TCompareStatus::Identical;
        // Read again for the few that changed: a text that differs only in
        // its line breaks is worth telling apart from one whose words changed.
        if (Entry.Status == TCompareStatus::Changed)
            FBreaksOnly[FNext - 1] = OnlyLineBreaksDiffer(Old.GetText(), New.GetText());
    }
    FProgress->setValue(int(FNext));
    if (FNext == FEntries.size())
        Done();
}

void TCompareWindow::Done()
{
    FSlice.stop();
    FProgress->hide();
    FCancel->hide();
    Refill();
    emit Finished();
}

void TCompareWindow::Refill()
{
    if (Running())
        return;
    const std::int32_t Current = FModel->EntryIndexAt(FList->currentIndex().row());
    const std::int32_t Shown = Current >= 0 ? Current : std::exchange(FShownEntry, -1);
    FModel->SetEntries(&FEntries, &FBreaksOnly, FShowIdentical->isChecked(), FFilter->Filter());
    UpdateCounts();
    UpdateEmptyNote();
    const int Row = FModel->RowOf(Shown);
    // The first difference is shown at once.
    if (Row >= 0 || FModel->rowCount() > 0)
        FList->setCurrentIndex(FModel->index(std::max(Row, 0), 0));
    else
        FText->Clear();
    for (int Column = 0; Column < TCompareListModel::ColumnCount - 1; ++Column)
        FList->resizeColumnToContents(Column);
}

void TCompareWindow::UpdateCounts()
{
    std::array<int, 5> Counts{};
    for (const TCompareEntry& Entry : FEntries)
        ++Counts[std::size_t(Entry.Status)];
    const auto BreaksOnly = std::count(FBreaksOnly.begin(), FBreaksOnly.end(), true);
    QStringList Parts;
    for (const TCompareStatus Status : {TCompareStatus::Added, TCompareStatus::Deleted, TCompareStatus::Changed,
                                        TCompareStatus::Identical, TCompareStatus::Pending}) {
        if (Status == TCompareStatus::Pending && Counts[std::size_t(Status)] == 0)
            continue;
        QString Part = tr("%1: %2").arg(TCompareListModel::StatusText(Status)).arg(Counts[std::size_t(Status)]);
        if (Status == TCompareStatus::Changed && BreaksOnly > 0)
            Part += tr(" (line breaks only: %1)").arg(BreaksOnly);
        Parts << Part;
    }
    FCounts->setText(Parts.join(QStringLiteral("   ")));
}

void TCompareWindow::UpdateEmptyNote()
{
    if (Running() || FModel->rowCount() > 0) {
        FEmptyNote->hide();
        return;
    }
    const bool Differences = std::any_of(FEntries.begin(), FEntries.end(), [](const TCompareEntry& Entry) {
        return Entry.Status != TCompareStatus::Identical;
    });
    FEmptyNote->setText(Differences ? tr("No object matches the filter") : tr("The files have no differences"));
    FEmptyNote->show();
}

void TCompareWindow::ShowSelected()
{
    const TCompareEntry* Entry = FModel->EntryAt(FList->currentIndex().row());
    if (!Entry) {
        FText->Clear();
        return;
    }
    const TObjectTextObject* Old = Entry->OldIndex >= 0 ? &FOld.Objects(Entry->OldIndex) : nullptr;
    const TObjectTextObject* New = Entry->NewIndex >= 0 ? &FNew->Objects(Entry->NewIndex) : nullptr;
    gui::TWaitCursor Hourglass;
    TTextDiff Diff = DiffObjects(Old, New, FOptions);
    const TDisplayEncoding OldEncoding =
        Old ? FOldEncodings.ForText(Entry->OldIndex, Diff.OldText()) : TDisplayEncoding::Latin1;
    const TDisplayEncoding NewEncoding =
        New ? FNewEncodings.ForText(Entry->NewIndex, Diff.NewText()) : TDisplayEncoding::Latin1;
    FText->ShowDiff(std::move(Diff), OldEncoding, NewEncoding, Old != nullptr, New != nullptr);
    // The name may read differently now that the encoding is known.
    emit FModel->dataChanged(FModel->index(FList->currentIndex().row(), TCompareListModel::colName),
                             FModel->index(FList->currentIndex().row(), TCompareListModel::colName));
}

void TCompareWindow::Step(bool Forward)
{
    if (Forward ? FText->NextDifference() : FText->PreviousDifference())
        return;
    // On to the nearest object that differs in that direction: an added or
    // deleted one is a difference as a whole.
    const int Rows = FModel->rowCount();
    for (int Row = FList->currentIndex().row() + (Forward ? 1 : -1); Row >= 0 && Row < Rows;
         Row += Forward ? 1 : -1) {
        if (FModel->EntryAt(Row)->Status != TCompareStatus::Identical) {
            FList->setCurrentIndex(FModel->index(Row, 0));
            if (!Forward)
                FText->LastDifference();
            return;
        }
    }
    QApplication::beep();
}

void TCompareWindow::Activate(const QModelIndex& Index)
{
    const TCompareEntry* Entry = FModel->EntryAt(Index.row());
    if (!Entry)
        return;
    // The main window holds the old file: an added object is not there.
    if (Entry->OldIndex < 0) {
        QApplication::beep();
        FStatus->showMessage(tr("%1 is only in %2; the main window shows %3.")
                                 .arg(FModel->ObjectLabel(*Entry), QFileInfo(FileLabel(*FNew)).fileName(),
                                      QFileInfo(FileLabel(FOld)).fileName()));
        return;
    }
    std::int32_t Position = 0;
    if (Entry->NewIndex >= 0 && Entry->Status != TCompareStatus::Identical) {
        gui::TWaitCursor Hourglass;
        Position = FirstChangeInOld(
            DiffObjects(&FOld.Objects(Entry->OldIndex), &FNew->Objects(Entry->NewIndex), FOptions));
    }
    FStatus->clearMessage();
    emit OldObjectActivated(Entry->OldIndex, Position);
}

TCompareChoices TCompareWindow::Choices() const
{
    return {FStrict->isChecked(), FUnified->isChecked()};
}

QString TCompareWindow::StatusMessage() const
{
    return FStatus->currentMessage();
}

void TCompareWindow::ExportSelected()
{
    std::vector<int> Rows;
    for (const QModelIndex& Index : FList->selectionModel()->selectedRows())
        Rows.push_back(Index.row());
    std::sort(Rows.begin(), Rows.end());
    std::vector<const TCompareEntry*> Entries;
    for (const int Row : Rows)
        Entries.push_back(FModel->EntryAt(Row));
    // Which version went out is not obvious from the file written: the
    // message names it.
    if (Entries.size() == 1) {
        const TCompareEntry& Entry = *Entries.front();
        if (!::ExportObject(const_cast<TObjectTextObject&>(FModel->ObjectOf(Entry)), *FSaveDialog))
            return;
        const QString Path = QDir::toNativeSeparators(FSaveDialog->selectedFiles().value(0));
        FStatus->showMessage(Entry.NewIndex >= 0
                                 ? tr("Exported the new version of %1 to %2.").arg(FModel->ObjectLabel(Entry), Path)
                                 : tr("Exported the old version of %1, which the new file lacks, to %2.")
                                       .arg(FModel->ObjectLabel(Entry), Path));
        return;
    }
    if (Entries.size() < 2 || !FFolderDialog->Execute())
        return;
    // One object at a time, to know which were written; the answers carry
    // over as one export's would.
    const QString Folder = FFolderDialog->FolderName();
    bool ReplaceAll = false, Stopped = false;
    std::int64_t New = 0, Old = 0, Skipped = 0;
    for (const TCompareEntry* Entry : Entries) {
        std::optional<TReplaceAnswer> Answer;
        ExportObjectsTo(Folder, {&FModel->ObjectOf(*Entry)}, [&](const QString& Path) {
            Answer = ReplaceAll ? TReplaceAnswer::Yes : AskReplace(this, Path);
            ReplaceAll = ReplaceAll || *Answer == TReplaceAnswer::YesToAll;
            return *Answer;
        });
        if (Answer == TReplaceAnswer::No)
            ++Skipped;
        else if (Answer == TReplaceAnswer::Cancel)
            Stopped = true;
        else
            ++(Entry->NewIndex >= 0 ? New : Old);
        if (Stopped)
            break;
    }
    QStringList Written;
    if (New > 0)
        Written << Counted(New, tr("the new version of 1 object"), tr("the new version of %1 objects"));
    if (Old > 0)
        Written << Counted(Old, tr("the old version of 1 deleted object"), tr("the old version of %1 deleted objects"));
    QString Message = Written.isEmpty() ? tr("Nothing exported to %1.").arg(QDir::toNativeSeparators(Folder))
                                        : tr("Exported %1 to %2.").arg(Written.join(tr(" and ")),
                                                                       QDir::toNativeSeparators(Folder));
    if (Skipped > 0)
        Message += QLatin1Char(' ') + Counted(Skipped, tr("1 file not replaced."), tr("%1 files not replaced."));
    if (Stopped)
        Message += QLatin1Char(' ') + tr("Cancelled.");
    FStatus->showMessage(Message);
}

// --- TCompareCommand

TCompareCommand::TCompareCommand(QWidget& Window, TObjectTextFile& File, const TEncodingChoice& Encodings,
                                 TShowObject ShowObject)
    : QObject(&Window),
      FWindow(Window),
      FFile(File),
      FEncodings(Encodings),
      FShowObject(std::move(ShowObject)),
      FAction(new QAction(tr("Co&mpare With..."), &Window)),
      FFolder(new TFolderChoice(Window, {tr("Compare With Fo&lder..."), QStringLiteral("actFileCompareWithFolder"),
                                         tr("Compare With Folder"), QStringLiteral("dlgCompareWithFolder"),
                                         tr("Compares the loaded export with a folder of object files")}))
{
    FAction->setObjectName(QStringLiteral("actFileCompareWith"));
    connect(FFolder, &TFolderChoice::Chosen, this,
            [this](const QString& Folder) { gui::RunGuarded(&FWindow, [&] { CompareWith(Folder); }); });
}

QAction* TCompareCommand::FolderAction() const
{
    return FFolder->Action();
}

void TCompareCommand::ExecuteFolder()
{
    FFolder->Choose();
}

QFileDialog& TCompareCommand::OpenDialog()
{
    if (!FDialog) {
        FDialog = gui::NewOpenDialog(FWindow, tr("Compare With"), QStringLiteral("dlgCompareWith"));
        // The second file is most likely beside the first.
        FDialog->setDirectory(QFileInfo(gui::FromSystemPath(FFile.FileName())).absolutePath());
        connect(FDialog, &QFileDialog::fileSelected, this, [this](const QString& FileName) {
            gui::RunGuarded(&FWindow, [&] { CompareWith(FileName); });
        });
    }
    return *FDialog;
}

void TCompareCommand::Execute()
{
    OpenDialog().open();
}

void TCompareCommand::CompareWith(const QString& FileName)
{
    FileChanging();
    auto* Compare = new TCompareWindow(FWindow, FFile, FileName, FEncodings.Chosen(), FChoices);
    FCompare = Compare;
    connect(Compare, &TCompareWindow::ChoicesChanged, this, [this, Compare] { FChoices = Compare->Choices(); });
    connect(Compare, &TCompareWindow::OldObjectActivated, this,
            [this](std::int32_t ObjectIndex, std::int32_t Position) {
                FWindow.activateWindow();
                FWindow.raise();
                gui::RunGuarded(&FWindow, [&] { FShowObject(ObjectIndex, Position); });
            });
    Compare->show();
    Compare->Start();
}

void TCompareCommand::FileChanging()
{
    delete FCompare.data();
}

void TCompareCommand::ReadSettings(const platform::TProfile& Profile)
{
    FChoices.Strict = platform::ReadFlag(Profile, SCompare, SStrict);
    FChoices.Unified = platform::ReadFlag(Profile, SCompare, SUnified);
}

void TCompareCommand::WriteSettings(TSettingsWriter& Writer) const
{
    Writer.Flag(SCompare, SStrict, FChoices.Strict);
    Writer.Flag(SCompare, SUnified, FChoices.Unified);
}
