#include "ui/merge/mergewindow.h"

#include "core/codepages.h"
#include "core/compare.h"
#include "core/merge/mergeoutput.h"
#include "ui/common/errorbox.h"
#include "ui/common/systempath.h"
#include "ui/common/uiguards.h"
#include "ui/compare/comparetext.h"
#include "ui/filter/filterfields.h"
#include "ui/views/textviewmap.h"
#include "ui/merge/conflictmarks.h"
#include "ui/merge/mergelist.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBlock>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <tuple>

using merge::TMergeEntry;
using merge::TMergeStatus;
using merge::TResolution;

namespace {

// How long one slice of the merge may keep the GUI thread.
constexpr int SliceMilliseconds = 15;

QString BaseName(const QString& FileName)
{
    return QFileInfo(FileName).fileName();
}

// The view's text with its line breaks as '\n' and nothing replaced (the
// document's plain text would turn no-break spaces into spaces).
QString ViewText(const QPlainTextEdit& View)
{
    QString Text = View.document()->toRawText();
    Text.replace(QChar::ParagraphSeparator, u'\n');
    Text.replace(QChar::LineSeparator, u'\n');
    return Text;
}

// Bytes in Encoding shown as text, CR LF as '\n'.
QString Decoded(std::string_view Bytes, codepages::TEncoding Encoding)
{
    QString Text = QString::fromStdString(codepages::DecodeToUtf8(Bytes, Encoding));
    Text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return Text;
}

// Text written back in Encoding with Break between lines; none when a
// character cannot be written in it.
std::optional<std::string> Encoded(QString Text, codepages::TEncoding Encoding, const std::string& Break)
{
    if (Break != "\n")
        Text.replace(u'\n', QString::fromStdString(Break));
    const std::string Utf8 = Text.toStdString();
    if (!codepages::IsSingleByte(Encoding))
        return Utf8;
    return codepages::EncodeUtf8(Utf8, Encoding);
}

} // namespace

TMergeWindow::TMergeWindow(QWidget& Owner, TObjectTextFile& Loaded, const TMergeInputs& Inputs,
                           std::optional<codepages::TEncoding> Encoding, bool ShowUnchanged)
    : QDialog(&Owner, Qt::Window), FLoaded(Loaded), FOptions(Inputs.Options)
{
    setObjectName(QStringLiteral("frmMerge"));
    setAttribute(Qt::WA_DeleteOnClose);
    {
        gui::TWaitCursor Hourglass;
        FBase = &Load(Inputs.Base, FOwnBase);
        FOurs = &Load(Inputs.Ours, FOwnOurs);
        FTheirs = &Load(Inputs.Theirs, FOwnTheirs);
    }
    for (auto [Encodings, File, Detected] :
         {std::tuple{&FBaseEncodings, FBase, &FBaseFile}, {&FOursEncodings, FOurs, &FOursFile},
          {&FTheirsEncodings, FTheirs, &FTheirsFile}}) {
        Encodings->SetChosen(Encoding);
        Encodings->Reset(File->Count());
        if (Encoding)
            continue;
        gui::TWaitCursor Hourglass;
        const std::unique_ptr<platform::TStream> Reader = File->SecondReader();
        if (std::optional<TFileEncodings> Found = Reader ? DetectFileEncodings(*Reader, ObjectRanges(*File))
                                                         : std::nullopt)
            *Detected = std::make_shared<const TFileEncodings>(std::move(*Found));
        Encodings->SetFileEncodings(*Detected);
    }
    FOptions.Markers.Base = BaseName(Inputs.Base).toStdString();
    FOptions.Markers.Ours = BaseName(Inputs.Ours).toStdString();
    FOptions.Markers.Theirs = BaseName(Inputs.Theirs).toStdString();
    setWindowTitle(tr("Merge %1 and %2 onto %3")
                       .arg(BaseName(Inputs.Ours), BaseName(Inputs.Theirs), BaseName(Inputs.Base)));

    auto* Files = new QLabel(tr("Base: %1\nOurs: %2\nTheirs: %3")
                                 .arg(QDir::toNativeSeparators(Inputs.Base), QDir::toNativeSeparators(Inputs.Ours),
                                      QDir::toNativeSeparators(Inputs.Theirs)),
                             this);
    Files->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FShowUnchanged = new QCheckBox(tr("Show &unchanged"), this);
    FShowUnchanged->setObjectName(QStringLiteral("chkShowUnchanged"));
    FShowUnchanged->setChecked(ShowUnchanged);
    FFilter = new TFilterFields(this);
    FFilter->setObjectName(QStringLiteral("fltMerge"));
    FFilter->SetEncoding(Encoding);
    FCounts = new QLabel(this);
    FCounts->setObjectName(QStringLiteral("lblMergeCounts"));
    FProgress = new QProgressBar(this);
    FProgress->setObjectName(QStringLiteral("prbMerge"));
    FCancel = new QPushButton(tr("Cancel"), this);
    FCancel->setObjectName(QStringLiteral("btnMergeCancel"));
    FCancel->setAutoDefault(false);

    FModel = new TMergeListModel([this](const TMergeEntry& Entry) { return NameOf(Entry); },
                                 [this](std::int32_t EntryIndex) { return Resolved(EntryIndex); },
                                 [this](const TMergeEntry& Entry) -> const TObjectTextObject& { return ObjectOf(Entry); },
                                 this);
    FList = new QTreeView(this);
    FList->setObjectName(QStringLiteral("lvwMerge"));
    FList->setRootIsDecorated(false);
    FList->setUniformRowHeights(true);
    FList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FList->setModel(FModel);
    FList->header()->setSortIndicator(-1, Qt::AscendingOrder);
    FList->setSortingEnabled(true);

    FSides = new TCompareText(this);
    FSides->OldView().setObjectName(QStringLiteral("memMergeTheirs"));
    FSides->NewView().setObjectName(QStringLiteral("memMergeOurs"));
    FMergedLabel = new QLabel(tr("Merged"), this);
    FMerged = new QPlainTextEdit(this);
    FMerged->setObjectName(QStringLiteral("memMerged"));
    FMerged->setLineWrapMode(QPlainTextEdit::NoWrap);
    FMerged->setFont(FSides->NewView().font());

    const auto MakeAction = [this](const QString& Text, const char* Name, const QKeySequence& Key) {
        auto* Action = new QAction(Text, this);
        Action->setObjectName(QString::fromLatin1(Name));
        Action->setShortcut(Key);
        addAction(Action);
        return Action;
    };
    const auto Button = [this](QAction* Action) {
        auto* Tool = new QToolButton(this);
        Tool->setDefaultAction(Action);
        Tool->setToolButtonStyle(Qt::ToolButtonTextOnly);
        return Tool;
    };
    FNextConflict = MakeAction(tr("&Next Conflict"), "actMergeNextConflict", QKeySequence(Qt::Key_F8));
    FPreviousConflict =
        MakeAction(tr("&Previous Conflict"), "actMergePreviousConflict", QKeySequence(Qt::SHIFT | Qt::Key_F8));
    auto* Steps = new QHBoxLayout;
    Steps->addWidget(FMergedLabel);
    Steps->addWidget(Button(FPreviousConflict));
    Steps->addWidget(Button(FNextConflict));
    Steps->addStretch(1);
    const struct {
        QString Text;
        const char* Name;
        TResolution Choice;
    } Takes[] = {{tr("Take &Ours"), "actMergeTakeOurs", TResolution::Ours},
                 {tr("Take &Theirs"), "actMergeTakeTheirs", TResolution::Theirs},
                 {tr("Ours, then Theirs"), "actMergeTakeOursThenTheirs", TResolution::OursThenTheirs},
                 {tr("Theirs, then Ours"), "actMergeTakeTheirsThenOurs", TResolution::TheirsThenOurs},
                 {tr("Take &Base"), "actMergeTakeBase", TResolution::Base}};
    for (const auto& Take : Takes) {
        QAction* Action = MakeAction(Take.Text, Take.Name, QKeySequence());
        Action->setToolTip(tr("Resolves the conflict at the caret, or the next one after it"));
        connect(Action, &QAction::triggered, this, [this, Choice = Take.Choice] {
            gui::RunGuarded(this, [&] {
                if (!Resolve(Choice))
                    QApplication::beep();
            });
        });
        Steps->addWidget(Button(Action));
    }
    auto* Save = new QPushButton(tr("&Save..."), this);
    Save->setObjectName(QStringLiteral("btnMergeSave"));
    auto* SaveSplit = new QPushButton(tr("Save Sp&lit..."), this);
    SaveSplit->setObjectName(QStringLiteral("btnMergeSaveSplit"));
    for (QPushButton* Push : {Save, SaveSplit})
        Push->setAutoDefault(false);

    auto* Options = new QHBoxLayout;
    Options->addWidget(FShowUnchanged);
    Options->addWidget(FCounts, 1);
    Options->addWidget(FProgress);
    Options->addWidget(FCancel);
    Options->addWidget(Save);
    Options->addWidget(SaveSplit);
    auto* MergedPane = new QWidget(this);
    auto* MergedLayout = new QVBoxLayout(MergedPane);
    MergedLayout->setContentsMargins(0, 0, 0, 0);
    MergedLayout->addLayout(Steps);
    MergedLayout->addWidget(FMerged, 1);
    auto* SidesPane = new QWidget(this);
    auto* SidesLayout = new QVBoxLayout(SidesPane);
    SidesLayout->setContentsMargins(0, 0, 0, 0);
    SidesLayout->addWidget(new QLabel(tr("Theirs (left) and Ours (right)"), this));
    SidesLayout->addWidget(FSides, 1);
    auto* ListPane = new QWidget(this);
    auto* ListLayout = new QVBoxLayout(ListPane);
    ListLayout->setContentsMargins(0, 0, 0, 0);
    ListLayout->addWidget(FFilter);
    ListLayout->addWidget(FList, 1);
    auto* Splitter = new QSplitter(Qt::Vertical, this);
    Splitter->addWidget(ListPane);
    Splitter->addWidget(SidesPane);
    Splitter->addWidget(MergedPane);
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(Files);
    Layout->addLayout(Options);
    Layout->addWidget(Splitter, 1);
    FStatus = new QStatusBar(this);
    FStatus->setObjectName(QStringLiteral("stbMerge"));
    FStatus->setSizeGripEnabled(false);
    Layout->addWidget(FStatus);
    if (const QScreen* Screen = Owner.screen()) {
        const QRect Room = Screen->availableGeometry();
        resize(Room.width() * 9 / 10, Room.height() * 9 / 10);
    }
    Splitter->setSizes({height() / 4, height() * 3 / 8, height() * 3 / 8});

    FSlice.setInterval(0);
    connect(&FSlice, &QTimer::timeout, this, [this] {
        if (!gui::RunGuarded(this, [this] { MergeSlice(); }))
            Cancel();
    });
    connect(FCancel, &QPushButton::clicked, this, &TMergeWindow::Cancel);
    connect(FShowUnchanged, &QCheckBox::toggled, this, [this](bool Shown) {
        emit ShowUnchangedChanged(Shown);
        gui::RunGuarded(this, [this] { Refill(); });
    });
    connect(FFilter, &TFilterFields::Changed, this, [this] { gui::RunGuarded(this, [this] { Refill(); }); });
    connect(FList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { gui::RunGuarded(this, [this] { ShowSelected(); }); });
    connect(FMerged, &QPlainTextEdit::textChanged, this, [this] {
        if (!FFilling)
            gui::RunGuarded(this, [this] { MergedEdited(); });
    });
    connect(FNextConflict, &QAction::triggered, this, [this] {
        if (!NextConflict(true))
            QApplication::beep();
    });
    connect(FPreviousConflict, &QAction::triggered, this, [this] {
        if (!NextConflict(false))
            QApplication::beep();
    });
    connect(Save, &QPushButton::clicked, this, [this] { gui::RunGuarded(this, [this] { this->Save(false); }); });
    connect(SaveSplit, &QPushButton::clicked, this, [this] { gui::RunGuarded(this, [this] { this->Save(true); }); });
}

TMergeWindow::~TMergeWindow()
{
    FSlice.stop();
    FModel->SetEntries(nullptr, false, TObjectFilter());
}

TObjectTextFile& TMergeWindow::Load(const QString& FileName, std::unique_ptr<TObjectTextFile>& Own)
{
    const QString Loaded = gui::FromSystemPath(FLoaded.FileName());
    if (QFileInfo(FileName).canonicalFilePath() == QFileInfo(Loaded).canonicalFilePath())
        return FLoaded;
    // Two sides may name one file: one model serves both.
    for (const auto* Other : {FOwnBase.get(), FOwnOurs.get(), FOwnTheirs.get()})
        if (Other && QFileInfo(FileName).canonicalFilePath() ==
                         QFileInfo(gui::FromSystemPath(Other->FileName())).canonicalFilePath())
            return *const_cast<TObjectTextFile*>(Other);
    Own = std::make_unique<TObjectTextFile>();
    Own->LoadFromPath(gui::ToSystemPath(FileName));
    return *Own;
}

void TMergeWindow::Start()
{
    FSlice.stop();
    FEntries = merge::MatchThree(*FBase, *FOurs, *FTheirs);
    FMerger = std::make_unique<merge::TFileMerger>(*FBase, *FOurs, *FTheirs, FOptions);
    merge::TMergeOptions ViewOptions = FOptions;
    ViewOptions.Markers.Diff3 = true;
    FViewMerger = std::make_unique<merge::TFileMerger>(*FBase, *FOurs, *FTheirs, ViewOptions);
    if (FBaseFile && FOursFile && FTheirsFile)
        for (merge::TFileMerger* Merger : {FMerger.get(), FViewMerger.get()})
            Merger->SetEncodings(FBaseFile, FOursFile, FTheirsFile);
    FEdited.clear();
    FNext = 0;
    FShown = -1;
    FProgress->setRange(0, int(FEntries.size()));
    FProgress->setValue(0);
    FProgress->show();
    FCancel->show();
    Refill();
    FStatus->showMessage(tr("Merging..."));
    FSlice.start();
}

void TMergeWindow::Cancel()
{
    if (!Running())
        return;
    FSlice.stop();
    FProgress->hide();
    FCancel->hide();
    FStatus->showMessage(tr("Cancelled: the objects not merged yet are Pending."));
    Refill();
    emit Finished();
}

void TMergeWindow::MergeSlice()
{
    QElapsedTimer Clock;
    Clock.start();
    while (FNext < FEntries.size() && Clock.elapsed() < SliceMilliseconds)
        FMerger->Merge(FEntries[FNext++]);
    FProgress->setValue(int(FNext));
    if (FNext == FEntries.size())
        Done();
}

void TMergeWindow::Done()
{
    FSlice.stop();
    FProgress->hide();
    FCancel->hide();
    FStatus->clearMessage();
    Refill();
    if (FModel->rowCount() > 0 && !FList->currentIndex().isValid())
        FList->setCurrentIndex(FModel->index(0, 0));
    emit Finished();
}

void TMergeWindow::Refill()
{
    const std::int32_t Current = FModel->EntryIndexAt(FList->currentIndex().row());
    FModel->SetEntries(&FEntries, FShowUnchanged->isChecked(), FFilter->Filter());
    const int Row = FModel->RowOf(Current);
    if (Row >= 0)
        FList->setCurrentIndex(FModel->index(Row, 0));
    UpdateCounts();
}

void TMergeWindow::UpdateCounts()
{
    int Counts[int(TMergeStatus::Conflict) + 1] = {};
    for (const TMergeEntry& Entry : FEntries)
        ++Counts[int(Entry.Status)];
    const auto Count = [&](TMergeStatus Status) { return Counts[int(Status)]; };
    FCounts->setText(tr("%1 conflicts left, %2 merged, %3 ours, %4 theirs, %5 added, %6 deleted, %7 unchanged")
                         .arg(ConflictsLeft())
                         .arg(Count(TMergeStatus::Merged))
                         .arg(Count(TMergeStatus::Ours))
                         .arg(Count(TMergeStatus::Theirs))
                         .arg(Count(TMergeStatus::Added))
                         .arg(Count(TMergeStatus::Deleted))
                         .arg(Count(TMergeStatus::Unchanged)));
}

bool TMergeWindow::ShowUnchanged() const
{
    return FShowUnchanged->isChecked();
}

const TObjectTextObject& TMergeWindow::ObjectOf(const TMergeEntry& Entry) const
{
    if (Entry.OursIndex >= 0)
        return FOurs->Objects(Entry.OursIndex);
    if (Entry.TheirsIndex >= 0)
        return FTheirs->Objects(Entry.TheirsIndex);
    return FBase->Objects(Entry.BaseIndex);
}

QString TMergeWindow::NameOf(const TMergeEntry& Entry) const
{
    const TObjectTextObject& Object = ObjectOf(Entry);
    const TEncodingChoice& Encodings = Entry.OursIndex >= 0     ? FOursEncodings
                                       : Entry.TheirsIndex >= 0 ? FTheirsEncodings
                                                                : FBaseEncodings;
    const std::int32_t Index = Entry.OursIndex >= 0     ? Entry.OursIndex
                               : Entry.TheirsIndex >= 0 ? Entry.TheirsIndex
                                                        : Entry.BaseIndex;
    return LabelFromBytes(Object.Name(), Encodings.ForLabel(Index, Object.Name()));
}

bool TMergeWindow::Resolved(std::int32_t EntryIndex) const
{
    const auto Edit = FEdited.find(EntryIndex);
    return Edit != FEdited.end() &&
           FindConflictMarks(Decoded(Edit->second, codepages::TEncoding::Latin1)).empty();
}

int TMergeWindow::ConflictsLeft() const
{
    int Left = 0;
    for (std::size_t Index = 0; Index < FEntries.size(); ++Index)
        if (FEntries[Index].Status == TMergeStatus::Conflict && !Resolved(std::int32_t(Index)))
            ++Left;
    return Left;
}

codepages::TEncoding TMergeWindow::OursEncoding(const TMergeEntry& Entry, std::string_view Bytes)
{
    if (Entry.OursIndex >= 0)
        return FOursEncodings.ForText(Entry.OursIndex, Bytes);
    if (Entry.TheirsIndex >= 0)
        return FTheirsEncodings.ForText(Entry.TheirsIndex, Bytes);
    return FBaseEncodings.ForText(Entry.BaseIndex, Bytes);
}

void TMergeWindow::ShowSelected()
{
    const std::int32_t EntryIndex = FModel->EntryIndexAt(FList->currentIndex().row());
    if (EntryIndex != FShown)
        ShowEntry(EntryIndex);
}

void TMergeWindow::ShowEntry(std::int32_t EntryIndex)
{
    FShown = EntryIndex;
    const QSignalBlocker Quiet(FMerged);
    if (EntryIndex < 0 || Running()) {
        FSides->Clear();
        FFilling = true;
        FMerged->clear();
        FFilling = false;
        return;
    }
    gui::TWaitCursor Hourglass;
    TMergeEntry& Entry = FEntries[std::size_t(EntryIndex)];
    const TObjectTextObject* Theirs = FMerger->TheirsObject(Entry);
    const TObjectTextObject* Ours = FMerger->OursObject(Entry);
    TTextDiff Diff = DiffObjects(Theirs, Ours, {FOptions.Strict});
    const auto TheirsEncoding = Theirs ? FTheirsEncodings.ForText(Entry.TheirsIndex, Diff.OldText())
                                       : codepages::TEncoding::Latin1;
    const auto OursSide = Ours ? FOursEncodings.ForText(Entry.OursIndex, Diff.NewText()) : TheirsEncoding;
    FSides->ShowDiff(std::move(Diff), TheirsEncoding, OursSide, Theirs != nullptr, Ours != nullptr);

    const auto Edit = FEdited.find(EntryIndex);
    const std::string Bytes = Edit != FEdited.end() ? Edit->second : FViewMerger->MergedText(Entry).Text;
    FShownEncoding = OursEncoding(Entry, Bytes);
    FShownBreak = std::string(merge::FirstBreak(Bytes));
    FFilling = true;
    FMerged->setPlainText(Decoded(Bytes, FShownEncoding));
    FFilling = false;
    FMergedLabel->setText(Entry.Status == TMergeStatus::Deleted ? tr("Merged: deleted") : tr("Merged"));
    MarkConflicts();
    NextConflict(true);
}

void TMergeWindow::MergedEdited()
{
    if (FShown < 0)
        return;
    const std::optional<std::string> Bytes = Encoded(ViewText(*FMerged), FShownEncoding, FShownBreak);
    if (!Bytes) {
        FStatus->showMessage(tr("The text holds a character that %1 cannot write: the last edit is not kept.")
                                 .arg(QString::fromLatin1(codepages::Caption(FShownEncoding).data(),
                                                          int(codepages::Caption(FShownEncoding).size()))));
        return;
    }
    FEdited[FShown] = *Bytes;
    FModel->EntryChanged(FShown);
    UpdateCounts();
    MarkConflicts();
}

void TMergeWindow::MarkConflicts()
{
    QList<QTextEdit::ExtraSelection> Marks;
    QColor Tint = palette().color(QPalette::Highlight);
    Tint.setAlpha(70);
    for (const TConflictMarks& Conflict : FindConflictMarks(ViewText(*FMerged))) {
        QTextEdit::ExtraSelection Mark;
        Mark.cursor = QTextCursor(FMerged->document());
        Mark.cursor.setPosition(Conflict.Start);
        Mark.cursor.setPosition(Conflict.End, QTextCursor::KeepAnchor);
        Mark.format.setBackground(Tint);
        Marks << Mark;
    }
    FMerged->setExtraSelections(Marks);
}

bool TMergeWindow::Resolve(TResolution Choice)
{
    const int Caret = FMerged->textCursor().position();
    for (const TConflictMarks& Conflict : FindConflictMarks(ViewText(*FMerged))) {
        if (Conflict.End <= Caret)
            continue;
        QTextCursor Cursor(FMerged->document());
        Cursor.setPosition(Conflict.Start);
        Cursor.setPosition(Conflict.End, QTextCursor::KeepAnchor);
        Cursor.insertText(ResolvedText(Conflict, Choice));
        Cursor.setPosition(Conflict.Start);
        FMerged->setTextCursor(Cursor);
        return true;
    }
    return false;
}

bool TMergeWindow::NextConflict(bool Forward)
{
    const int Caret = FMerged->textCursor().position();
    const std::vector<TConflictMarks> Conflicts = FindConflictMarks(ViewText(*FMerged));
    const TConflictMarks* Target = nullptr;
    for (const TConflictMarks& Conflict : Conflicts) {
        if (Forward && Conflict.Start > Caret) {
            Target = &Conflict;
            break;
        }
        if (!Forward && Conflict.Start < Caret)
            Target = &Conflict;
    }
    // The caret before the first conflict counts as on it when the object is shown.
    if (Forward && !Target && !Conflicts.empty() && Caret == 0 && Conflicts.front().Start == 0)
        Target = &Conflicts.front();
    if (!Target)
        return false;
    QTextCursor Cursor(FMerged->document());
    Cursor.setPosition(Target->Start);
    FMerged->setTextCursor(Cursor);
    FMerged->centerCursor();
    return true;
}

void TMergeWindow::Save(bool Split)
{
    // Beside OURS, where the customer's files are.
    const QString Beside = QFileInfo(gui::FromSystemPath(FOurs->FileName())).absolutePath();
    const QString Target =
        Split ? QFileDialog::getExistingDirectory(this, tr("Save Split"), Beside, QFileDialog::DontUseNativeDialog)
              : QFileDialog::getSaveFileName(this, tr("Save Merge"), Beside, tr("Text files (*.txt);;All files (*)"),
                                             nullptr, QFileDialog::DontUseNativeDialog);
    if (!Target.isEmpty())
        SaveTo(Target, Split);
}

bool TMergeWindow::SaveTo(const QString& FileName, bool Split, bool Confirmed)
{
    if (Running())
        return false;
    const std::string Target = gui::ToSystemPath(FileName);
    for (const TObjectTextFile* Input : {FBase, FOurs, FTheirs})
        if (!Split && merge::SameFile(Target, Input->FileName()))
            throw std::runtime_error(tr("The merge would be written over its input \"%1\"; nothing was written.")
                                         .arg(gui::FromSystemPath(Input->FileName()))
                                         .toStdString());
    const int Left = ConflictsLeft();
    if (Left > 0 && !Confirmed &&
        QMessageBox::question(this, windowTitle(),
                              tr("%n object(s) still have conflicts; their markers stay in the text. Save anyway?",
                                 nullptr, Left)) != QMessageBox::Yes)
        return false;
    QProgressDialog Progress(tr("Saving the merge..."), tr("Cancel"), 0, 1000, this);
    Progress.setWindowModality(Qt::ApplicationModal);
    Progress.setMinimumDuration(300);
    merge::TMergeOutput Output(*FMerger);
    // A modal progress dialog keeps the events flowing as it moves, and keeps the user out.
    Output.SetProgress([&Progress](std::int32_t Done, std::int32_t Total) {
        const int Value = int(std::int64_t(Done) * 1000 / std::max(Total, 1));
        if (Value != Progress.value())
            Progress.setValue(Value);
        return !Progress.wasCanceled();
    });
    std::string Edited;
    const auto TextOf = [this, &Edited](TMergeEntry& Entry) -> std::string_view {
        const auto Edit = FEdited.find(std::int32_t(&Entry - FEntries.data()));
        if (Edit == FEdited.end())
            return FMerger->Merge(Entry);
        // The view shows the base in every conflict; the file as the user asked.
        Edited = FOptions.Markers.Diff3 ? Edit->second : WithoutBaseSections(Edit->second);
        return Edited;
    };
    try {
        if (Split)
            Output.WriteSplit(Target, FEntries, TextOf);
        else
            Output.WriteFile(Target, FEntries, TextOf);
    } catch (const merge::EMergeCancelled&) {
        FStatus->showMessage(Split ? tr("Cancelled: the files written so far stay.")
                                   : tr("Cancelled: nothing was written."));
        return false;
    }
    FStatus->showMessage(tr("Saved to %1.").arg(QDir::toNativeSeparators(FileName)));
    return true;
}
