#include "ui/compareview.h"

#include "components/brwsfldr.h"
#include "ui/comparetext.h"
#include "ui/errorbox.h"
#include "ui/exportobjects.h"
#include "ui/filedialogs.h"
#include "ui/systempath.h"
#include "ui/textviewmap.h"
#include "ui/uiguards.h"

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
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <array>
#include <utility>

namespace {

// Pairs per slice stop at this many milliseconds, so the window keeps up.
constexpr int SliceMilliseconds = 25;

QString FileLabel(const TObjectTextFile& File)
{
    return QDir::toNativeSeparators(gui::FromSystemPath(File.FileName()));
}

} // namespace

// --- TCompareListModel

TCompareListModel::TCompareListModel(const TObjectTextFile& Old, const TObjectTextFile& New,
                                     const TEncodingChoice& OldEncodings, const TEncodingChoice& NewEncodings,
                                     QObject* Parent)
    : QAbstractTableModel(Parent), FOld(Old), FNew(New), FOldEncodings(OldEncodings), FNewEncodings(NewEncodings)
{
}

void TCompareListModel::SetEntries(const std::vector<TCompareEntry>* Entries, bool ShowIdentical)
{
    beginResetModel();
    FEntries = Entries;
    FRows.clear();
    if (Entries)
        for (std::size_t Index = 0; Index < Entries->size(); ++Index)
            if (ShowIdentical || (*Entries)[Index].Status != TCompareStatus::Identical)
                FRows.push_back(std::int32_t(Index));
    endResetModel();
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
    const auto Found = std::lower_bound(FRows.begin(), FRows.end(), EntryIndex);
    return Found != FRows.end() && *Found == EntryIndex ? int(Found - FRows.begin()) : -1;
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

QVariant TCompareListModel::data(const QModelIndex& Index, int Role) const
{
    const TCompareEntry* Entry = Index.isValid() ? EntryAt(Index.row()) : nullptr;
    if (!Entry || Role != Qt::DisplayRole)
        return {};
    switch (Index.column()) {
    case colStatus:
        return StatusText(Entry->Status);
    case colType:
        return LabelFromBytes(ObjectTypeNames[Entry->ObjectType]);
    case colID:
        return Entry->ID;
    case colName: {
        // The new file's name, unless the object is gone from it.
        const bool InNew = Entry->NewIndex >= 0;
        const std::int32_t ObjectIndex = InNew ? Entry->NewIndex : Entry->OldIndex;
        const TObjectTextObject& Object = (InNew ? FNew : FOld).Objects(ObjectIndex);
        return LabelFromBytes(Object.Name(), (InNew ? FNewEncodings : FOldEncodings).ForLabel(ObjectIndex, Object.Name()));
    }
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

TCompareWindow::TCompareWindow(QWidget& Owner, TObjectTextFile& Old, const QString& NewFileName)
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
        FNewFile->LoadFromFile(gui::ToSystemPath(NewFileName));
        FNew = FNewFile.get();
    }
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
    auto* Unified = new QCheckBox(tr("&Unified"), this);
    Unified->setObjectName(QStringLiteral("chkUnified"));
    Unified->setToolTip(tr("Both versions in one text, each change's old lines before its new ones"));
    connect(Unified, &QCheckBox::toggled, FText, &TCompareText::SetUnified);
    Steps->addWidget(Unified);
    Steps->addStretch(1);
    Steps->addWidget(Button(FExport));
    auto* Lower = new QWidget(this);
    auto* LowerLayout = new QVBoxLayout(Lower);
    LowerLayout->setContentsMargins(0, 0, 0, 0);
    LowerLayout->addLayout(Steps);
    LowerLayout->addWidget(FText, 1);
    auto* Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->addWidget(FList);
    Splitter->addWidget(Lower);
    Splitter->setStretchFactor(1, 2);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Files);
    Layout->addLayout(Options);
    Layout->addWidget(Splitter, 1);
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
    connect(FShowIdentical, &QCheckBox::toggled, this, [this] { Refill(); });
    connect(FStrict, &QCheckBox::toggled, this, [this] { Start(); });
    connect(FList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { gui::RunGuarded(this, [this] { ShowSelected(); }); });
    connect(FNextDifference, &QAction::triggered, this, [this] { Step(true); });
    connect(FPreviousDifference, &QAction::triggered, this, [this] { Step(false); });
    connect(FExport, &QAction::triggered, this, [this] { gui::RunGuarded(this, [this] { ExportSelected(); }); });
}

TCompareWindow::~TCompareWindow()
{
    FSlice.stop();
}

void TCompareWindow::Start()
{
    FSlice.stop();
    FOptions.Strict = FStrict->isChecked();
    FComparer = TTextComparer(FOptions);
    // The same files pair up the same way: the object shown stays shown.
    if (const std::int32_t Shown = FModel->EntryIndexAt(FList->currentIndex().row()); Shown >= 0)
        FShownEntry = Shown;
    FModel->SetEntries(nullptr, false);
    FText->Clear();
    FEntries = MatchObjects(FOld, *FNew);
    FNext = 0;
    FProgress->setRange(0, int(FEntries.size()));
    FProgress->setValue(0);
    FProgress->show();
    FCancel->show();
    FCounts->setText(tr("Comparing..."));
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
        if (Entry.Status == TCompareStatus::Pending)
            Entry.Status = FComparer.Differ(FOld.Objects(Entry.OldIndex), FNew->Objects(Entry.NewIndex))
                               ? TCompareStatus::Changed
                               : TCompareStatus::Identical;
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
    FModel->SetEntries(&FEntries, FShowIdentical->isChecked());
    UpdateCounts();
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
    QStringList Parts;
    for (const TCompareStatus Status : {TCompareStatus::Added, TCompareStatus::Deleted, TCompareStatus::Changed,
                                        TCompareStatus::Identical, TCompareStatus::Pending})
        if (Status != TCompareStatus::Pending || Counts[std::size_t(Status)] > 0)
            Parts << tr("%1: %2").arg(TCompareListModel::StatusText(Status)).arg(Counts[std::size_t(Status)]);
    FCounts->setText(Parts.join(QStringLiteral("   ")));
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
    // On to the nearest changed object in that direction.
    const int Rows = FModel->rowCount();
    for (int Row = FList->currentIndex().row() + (Forward ? 1 : -1); Row >= 0 && Row < Rows;
         Row += Forward ? 1 : -1) {
        const TCompareEntry* Entry = FModel->EntryAt(Row);
        if (Entry->Status == TCompareStatus::Changed) {
            FList->setCurrentIndex(FModel->index(Row, 0));
            return;
        }
    }
    QApplication::beep();
}

void TCompareWindow::ExportSelected()
{
    std::vector<int> Rows;
    for (const QModelIndex& Index : FList->selectionModel()->selectedRows())
        Rows.push_back(Index.row());
    std::sort(Rows.begin(), Rows.end());
    std::vector<const TObjectTextObject*> Objects;
    for (const int Row : Rows) {
        const TCompareEntry* Entry = FModel->EntryAt(Row);
        Objects.push_back(Entry->NewIndex >= 0 ? &FNew->Objects(Entry->NewIndex) : &FOld.Objects(Entry->OldIndex));
    }
    if (Objects.size() == 1)
        ::ExportObject(const_cast<TObjectTextObject&>(*Objects.front()), *FSaveDialog);
    else if (Objects.size() > 1 && FFolderDialog->Execute())
        ExportObjectsTo(FFolderDialog->FolderName(), Objects,
                        [this](const QString& Path) { return AskReplace(this, Path); });
}

// --- TCompareCommand

TCompareCommand::TCompareCommand(QWidget& Window, TObjectTextFile& File)
    : QObject(&Window), FWindow(Window), FFile(File), FAction(new QAction(tr("Co&mpare With..."), &Window))
{
    FAction->setObjectName(QStringLiteral("actFileCompareWith"));
}

QFileDialog& TCompareCommand::OpenDialog()
{
    if (!FDialog) {
        FDialog = new QFileDialog(&FWindow, tr("Compare With"));
        FDialog->setObjectName(QStringLiteral("dlgCompareWith"));
        FDialog->setOption(QFileDialog::DontUseNativeDialog);
        FDialog->setAcceptMode(QFileDialog::AcceptOpen);
        FDialog->setFileMode(QFileDialog::ExistingFile);
        FDialog->setNameFilters({tr("Velmar Object Text Files (*.txt)"), tr("All Files (*)")});
        FDialog->setSizeGripEnabled(true);
        gui::SetUpFileDialog(*FDialog);
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
    auto* Compare = new TCompareWindow(FWindow, FFile, FileName);
    FCompare = Compare;
    Compare->show();
    Compare->Start();
}

void TCompareCommand::FileChanging()
{
    delete FCompare.data();
}
