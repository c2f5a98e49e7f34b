#include "ui/find/findall.h"

#include "platform/profile.h"
#include "ui/common/errorbox.h"
#include "ui/find/findnext.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMainWindow>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>

#include <algorithm>

// --- TFindAllModel -----------------------------------------------------------------

TFindAllModel::TFindAllModel(const TKindImages& Images, QObject* Parent)
    : QAbstractTableModel(Parent), FImages(Images)
{
}

void TFindAllModel::Clear()
{
    beginResetModel();
    // Swapped, not cleared: clear() keeps the capacity, millions of rows' worth.
    std::vector<TFindAllObject>().swap(FObjects);
    std::vector<TFindAllHit>().swap(FHits);
    for (TCachedLine& Cached : FLines)
        Cached = {};
    endResetModel();
}

void TFindAllModel::SetSource(std::unique_ptr<platform::TStream> Source)
{
    FSource = std::move(Source);
    for (TCachedLine& Cached : FLines)
        Cached = {};
}

void TFindAllModel::Append(const TFindAllBatch& Batch)
{
    FObjects.insert(FObjects.end(), Batch.Objects.begin(), Batch.Objects.end());
    if (Batch.Hits.empty())
        return;
    const int First = HitCount();
    beginInsertRows({}, First, First + int(Batch.Hits.size()) - 1);
    FHits.insert(FHits.end(), Batch.Hits.begin(), Batch.Hits.end());
    endInsertRows();
}

const TFindAllHit* TFindAllModel::Hit(int Row) const
{
    if (Row < 0 || Row >= HitCount())
        return nullptr;
    return &FHits[std::size_t(Row)];
}

const TFindAllObject* TFindAllModel::ObjectOf(int Row) const
{
    const TFindAllHit* Found = Hit(Row);
    if (!Found || Found->Object < 0 || Found->Object >= ObjectCount())
        return nullptr;
    return &FObjects[std::size_t(Found->Object)];
}

const TFindAllLine& TFindAllModel::Line(int Row) const
{
    static const TFindAllLine None;
    const TFindAllHit* Found = Hit(Row);
    const TFindAllObject* Object = ObjectOf(Row);
    if (!Found || !Object || !FSource)
        return None;
    TCachedLine& Cached = FLines[std::size_t(Row) % FLines.size()];
    if (Cached.Row != Row) {
        Cached.Row = Row;
        try {
            Cached.Line = ReadFindAllLine(*FSource, *Object, *Found);
        } catch (const std::exception&) {
            // Drawn from the event loop, where nothing may be thrown: the row
            // shows no text, and the occurrence it stands for still shows on Enter.
            Cached.Line = {};
        }
    }
    return Cached.Line;
}

int TFindAllModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : HitCount();
}

int TFindAllModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : ColumnCount;
}

QVariant TFindAllModel::data(const QModelIndex& Index, int Role) const
{
    const TFindAllHit* Row = Index.isValid() ? Hit(Index.row()) : nullptr;
    const TFindAllObject* Object = Row ? ObjectOf(Index.row()) : nullptr;
    if (!Object)
        return {};
    switch (Index.column()) {
    case ObjectColumn:
        if (Role == Qt::DisplayRole)
            return Object->Label;
        if (Role == Qt::DecorationRole)
            return FImages.Image(Object->Kind);
        break;
    case LineColumn:
        if (Role == Qt::DisplayRole)
            return Row->Line;
        if (Role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case TextColumn:
        if (Role == Qt::DisplayRole)
            return Line(Index.row()).Text;
        if (Role == MatchStartRole)
            return Line(Index.row()).MatchStart;
        if (Role == MatchLengthRole)
            return Line(Index.row()).MatchLength;
        break;
    default:
        break;
    }
    return {};
}

QVariant TFindAllModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole)
        return {};
    switch (Section) {
    case ObjectColumn: return tr("Object");
    case LineColumn: return tr("Line");
    case TextColumn: return tr("Text");
    default: return {};
    }
}

Qt::ItemFlags TFindAllModel::flags(const QModelIndex& Index) const
{
    if (!Index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

// --- TFindAllDelegate --------------------------------------------------------------

void TFindAllDelegate::paint(QPainter* Painter, const QStyleOptionViewItem& Option, const QModelIndex& Index) const
{
    QStyleOptionViewItem Item = Option;
    initStyleOption(&Item, Index);
    const QString Text = Item.text;
    const int Start = std::clamp(Index.data(TFindAllModel::MatchStartRole).toInt(), 0, int(Text.size()));
    const int Length = std::clamp(Index.data(TFindAllModel::MatchLengthRole).toInt(), 0, int(Text.size()) - Start);
    // The row's background, selection and focus as the style draws them; the text ourselves.
    Item.text.clear();
    const QWidget* View = Item.widget;
    QStyle* Style = View ? View->style() : QApplication::style();
    Style->drawControl(QStyle::CE_ItemViewItem, &Item, Painter, View);

    const QRect Area = Style->subElementRect(QStyle::SE_ItemViewItemText, &Item, View).adjusted(2, 0, -2, 0);
    const bool Selected = Item.state & QStyle::State_Selected;
    const QPalette::ColorGroup Group = Item.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    const QColor Ink = Item.palette.color(Group, Selected ? QPalette::HighlightedText : QPalette::Text);
    QFont Bold = Item.font;
    Bold.setBold(true);
    const QFontMetrics Plain(Item.font), Strong(Bold);

    Painter->save();
    Painter->setClipRect(Area);
    Painter->setPen(Ink);
    int X = Area.left();
    const auto Draw = [&](const QString& Piece, const QFont& Font, const QFontMetrics& Metrics) {
        const int Width = Metrics.horizontalAdvance(Piece);
        Painter->setFont(Font);
        Painter->drawText(QRect(X, Area.top(), Width + 1, Area.height()), Qt::AlignLeft | Qt::AlignVCenter, Piece);
        X += Width;
    };
    Draw(Text.left(Start), Item.font, Plain);
    const QString Match = Text.mid(Start, Length);
    if (!Selected) {
        // A soft mark, mixed from the palette so it suits light and dark themes.
        QColor Mark = Item.palette.color(Group, QPalette::Highlight);
        Mark.setAlphaF(0.3);
        Painter->fillRect(QRect(X, Area.top() + 1, Strong.horizontalAdvance(Match), Area.height() - 2), Mark);
    }
    Draw(Match, Bold, Strong);
    Draw(Text.mid(Start + Length), Item.font, Plain);
    Painter->restore();
}

// --- TFindAllPanel -----------------------------------------------------------------

namespace {

// The settings file's section and key.
const char* const SFindAll = "Find All";
const char* const SSkipReportLayouts = "SkipReportLayouts";

// 100000 as "100,000" in every locale.
QString Grouped(int Count)
{
    QString Digits = QString::number(Count);
    for (qsizetype At = Digits.size() - 3; At > 0; At -= 3)
        Digits.insert(At, QLatin1Char(','));
    return Digits;
}

QString Counted(int Count, const QString& One, const QString& Many)
{
    return Count == 1 ? One : Many.arg(Grouped(Count));
}

}  // namespace

TFindAllPanel::TFindAllPanel(QMainWindow& Window, const TObjectTextFile& File, const TEncodingChoice& Encodings,
                             TFindView& Views)
    : QDockWidget(tr("Find All"), &Window), FWindow(Window), FFile(File), FEncodings(Encodings), FViews(Views),
      FModel(new TFindAllModel(FImages, this)), edtFindAllText(new QLineEdit),
      chkFindAllMatchCase(new QCheckBox(tr("Match &case"))),
      chkFindAllSkipLayouts(new QCheckBox(tr("Skip report &layouts"))), btnFindAll(new QPushButton(tr("Find"))),
      btnFindAllStop(new QPushButton(tr("Stop"))), btnFindAllMore(new QPushButton(tr("Find &More"))),
      prgFindAll(new QProgressBar), tvwFindAll(new QTreeView),
      FRunAction(new QAction(tr("Find A&ll"), this)),
      FStopAction(new QAction(tr("Stop Find All"), this))
{
    setObjectName(QStringLiteral("dckFindAll"));
    // Stays docked: a floating panel would be a window of its own, where the
    // window's keys (Escape among them) no longer reach.
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    edtFindAllText->setObjectName(QStringLiteral("edtFindAllText"));
    edtFindAllText->setPlaceholderText(tr("Text to find"));
    edtFindAllText->setMaxLength(255);
    edtFindAllText->setClearButtonEnabled(true);
    chkFindAllMatchCase->setObjectName(QStringLiteral("chkFindAllMatchCase"));
    chkFindAllSkipLayouts->setObjectName(QStringLiteral("chkFindAllSkipLayouts"));
    chkFindAllSkipLayouts->setChecked(true);
    btnFindAll->setObjectName(QStringLiteral("btnFindAll"));
    btnFindAllStop->setObjectName(QStringLiteral("btnFindAllStop"));
    btnFindAllMore->setObjectName(QStringLiteral("btnFindAllMore"));
    prgFindAll->setObjectName(QStringLiteral("prgFindAll"));
    prgFindAll->setRange(0, 1000);
    prgFindAll->setTextVisible(false);
    prgFindAll->setMaximumWidth(200);
    // The boxes beside it stay where they are when it goes.
    QSizePolicy Keep = prgFindAll->sizePolicy();
    Keep.setRetainSizeWhenHidden(true);
    prgFindAll->setSizePolicy(Keep);
    FRunAction->setObjectName(QStringLiteral("actEditFindAll"));
    FRunAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    FStopAction->setObjectName(QStringLiteral("actEditStopFindAll"));
    FStopAction->setShortcut(QKeySequence(Qt::Key_Escape));

    SetUpResultsView();

    auto* Bar = new QHBoxLayout;
    Bar->setContentsMargins(0, 0, 0, 0);
    Bar->addWidget(edtFindAllText, 1);
    Bar->addWidget(chkFindAllMatchCase);
    Bar->addWidget(chkFindAllSkipLayouts);
    Bar->addWidget(btnFindAll);
    Bar->addWidget(btnFindAllStop);
    Bar->addWidget(btnFindAllMore);
    Bar->addWidget(prgFindAll);
    auto* Body = new QWidget;
    auto* Layout = new QVBoxLayout(Body);
    Layout->setContentsMargins(4, 2, 4, 4);
    Layout->addLayout(Bar);
    Layout->addWidget(tvwFindAll, 1);
    setWidget(Body);

    connect(edtFindAllText, &QLineEdit::returnPressed, this, &TFindAllPanel::RunTyped);
    connect(btnFindAll, &QPushButton::clicked, this, &TFindAllPanel::RunTyped);
    connect(btnFindAllStop, &QPushButton::clicked, this, &TFindAllPanel::Stop);
    connect(btnFindAllMore, &QPushButton::clicked, this,
            [this] { gui::RunGuarded(&FWindow, [this] { FindMore(); }); });
    // A search with the other choice, as the box now says.
    connect(chkFindAllSkipLayouts, &QCheckBox::toggled, this, [this](bool Skip) {
        if (FSearched) {
            FLastQuery.SkipLayouts = Skip;
            gui::RunGuarded(&FWindow, [this] { Start(FLastQuery); });
        }
    });

    Window.addDockWidget(Qt::BottomDockWidgetArea, this);
    hide();
    UpdateState();
}

void TFindAllPanel::SetUpResultsView()
{
    tvwFindAll->setObjectName(QStringLiteral("tvwFindAll"));
    tvwFindAll->setModel(FModel);
    tvwFindAll->setRootIsDecorated(false);
    tvwFindAll->setUniformRowHeights(true);
    tvwFindAll->setAllColumnsShowFocus(true);
    tvwFindAll->setSelectionMode(QAbstractItemView::SingleSelection);
    tvwFindAll->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvwFindAll->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvwFindAll->setIconSize(QSize(16, 16));
    tvwFindAll->setItemDelegateForColumn(TFindAllModel::TextColumn, new TFindAllDelegate(tvwFindAll));
    // Fixed widths: sizing columns to their contents would read every row.
    const QFontMetrics Metrics(tvwFindAll->font());
    tvwFindAll->header()->resizeSection(TFindAllModel::ObjectColumn,
                                        Metrics.horizontalAdvance(QStringLiteral("Codeunit 99000000 ")) +
                                            Metrics.averageCharWidth() * 24 + 24);
    tvwFindAll->header()->resizeSection(TFindAllModel::LineColumn,
                                        Metrics.horizontalAdvance(QStringLiteral("9999999")) + 16);
    tvwFindAll->header()->setStretchLastSection(true);
    connect(tvwFindAll, &QTreeView::activated, this,
            [this](const QModelIndex& Index) { gui::RunGuarded(&FWindow, [&] { Activate(Index.row()); }); });
}

void TFindAllPanel::ClearRows()
{
    const bool Many = FModel->HitCount() > Limit;
    FModel->Clear();
    if (!Many)
        return;
    // The view keeps an item of its own per row it has laid out, and keeps
    // their room when the rows go: after Find More, a new view gives it back.
    QTreeView* Old = tvwFindAll;
    const QByteArray Columns = Old->header()->saveState();
    const bool Focused = Old->hasFocus();
    tvwFindAll = new QTreeView;
    SetUpResultsView();
    tvwFindAll->header()->restoreState(Columns);
    // The layout hands back the old view's item, which is the caller's to delete.
    delete widget()->layout()->replaceWidget(Old, tvwFindAll);
    Old->setObjectName(QString());
    Old->hide();
    Old->deleteLater();
    if (Focused)
        tvwFindAll->setFocus();
}

TFindAllPanel::~TFindAllPanel()
{
    EndWorker();
}

void TFindAllPanel::Run(const std::string& Text, bool MatchCase)
{
    edtFindAllText->setText(QString::fromStdString(Text));
    chkFindAllMatchCase->setChecked(MatchCase);
    if (isHidden()) {
        show();
        // A third of the window, the views above keep the rest.
        FWindow.resizeDocks({this}, {FWindow.height() / 3}, Qt::Vertical);
    }
    raise();
    if (Text.empty()) {
        edtFindAllText->setFocus();
        return;
    }
    tvwFindAll->setFocus();
    Start({Text, MatchCase, chkFindAllSkipLayouts->isChecked()});
}

void TFindAllPanel::RunTyped()
{
    const QString Text = edtFindAllText->text();
    if (Text.isEmpty())
        return;
    gui::RunGuarded(&FWindow, [&] {
        emit Searching(Text, chkFindAllMatchCase->isChecked());
        Start({Text.toStdString(), chkFindAllMatchCase->isChecked(), chkFindAllSkipLayouts->isChecked()});
    });
}

int TFindAllPanel::Limit = 100000;

void TFindAllPanel::Start(TFindAllQuery Query)
{
    EndWorker();
    ClearRows();
    FModel->SetSource(FFile.SecondReader());
    FLastQuery = std::move(Query);
    FSearched = true;
    TFindAllRange Range;
    Range.Limit = std::max(Limit, 1);
    Launch(Range);
}

void TFindAllPanel::FindMore()
{
    if (!CanFindMore())
        return;
    TFindAllRange Range = *FMore;
    Range.Limit = std::max(Limit, 1);
    EndWorker();
    Launch(Range);
}

void TFindAllPanel::Launch(const TFindAllRange& Range)
{
    FMore.reset();
    FStopped = false;
    FRunning = true;
    prgFindAll->setValue(0);
    ++FSearch;
    FWorker = std::make_unique<TFindAllWorker>(FSearch, TFindAllSnapshot::Of(FFile, FEncodings), FLastQuery, Range,
                                               this);
    connect(FWorker.get(), &TFindAllWorker::Found, this, &TFindAllPanel::Received, Qt::QueuedConnection);
    connect(FWorker.get(), &TFindAllWorker::Done, this, &TFindAllPanel::Finished, Qt::QueuedConnection);
    connect(FWorker.get(), &TFindAllWorker::Failed, this, &TFindAllPanel::Failed, Qt::QueuedConnection);
    FWorker->start();
    UpdateState();
}

void TFindAllPanel::Stop()
{
    if (!FRunning)
        return;
    // Whatever the search still sends is left out from here on.
    FWorker->Cancel();
    ++FSearch;
    FRunning = false;
    FStopped = true;
    UpdateState();
}

void TFindAllPanel::Clear()
{
    if (FWorker)
        FWorker->Cancel();
    ++FSearch;
    FRunning = false;
    FStopped = false;
    FSearched = false;
    FMore.reset();
    ClearRows();
    FModel->SetSource(nullptr);
    EndWorker();
    UpdateState();
}

void TFindAllPanel::EndWorker()
{
    if (!FWorker)
        return;
    FWorker->Cancel();
    FWorker->wait();
    FWorker.reset();
}

void TFindAllPanel::Received(const TFindAllBatchPtr& Batch)
{
    if (!Batch || Batch->Search != FSearch || !FRunning)
        return;
    gui::RunGuarded(&FWindow, [&] {
        const bool First = FModel->HitCount() == 0;
        FModel->Append(*Batch);
        if (Batch->Next)
            FMore = Batch->Next;
        if (First && FModel->HitCount() > 0 && !tvwFindAll->currentIndex().isValid())
            tvwFindAll->setCurrentIndex(FModel->index(0, 0));
        if (Batch->BytesTotal > 0)
            prgFindAll->setValue(int(Batch->BytesDone * prgFindAll->maximum() / Batch->BytesTotal));
    });
    UpdateState();
}

void TFindAllPanel::Finished(quint64 Search, bool Cancelled)
{
    if (Search != FSearch || !FRunning)
        return;
    FRunning = false;
    FStopped = Cancelled;
    UpdateState();
}

void TFindAllPanel::Failed(quint64 Search, const QString& Message)
{
    if (Search != FSearch || !FRunning)
        return;
    FRunning = false;
    FStopped = true;
    FMore.reset();
    UpdateState();
    gui::ShowErrorMessage(&FWindow, Message.toStdString());
}

void TFindAllPanel::UpdateState()
{
    QString Title = tr("Find All");
    if (FSearched) {
        const int Hits = FModel->HitCount(), Objects = FModel->ObjectCount();
        const QString Found = Counted(Hits, tr("1 occurrence"), tr("%1 occurrences"));
        const QString In = Counted(Objects, tr("1 object"), tr("%1 objects"));
        if (CanFindMore())
            Title = tr("Find All: Stopped at %1 in %2").arg(Found, In);
        else
            Title = tr("Find All: %1 in %2").arg(Found, In);
        if (FStopped)
            Title += tr(" (stopped)");
    }
    setWindowTitle(Title);
    prgFindAll->setVisible(FRunning);
    btnFindAllStop->setEnabled(FRunning);
    btnFindAllMore->setEnabled(CanFindMore());
}

void TFindAllPanel::Activate(int Row)
{
    const TFindAllHit* Hit = FModel->Hit(Row);
    const TFindAllObject* Object = FModel->ObjectOf(Row);
    if (!Hit || !Object || Object->ObjectIndex >= FFile.Count())
        return;
    ShowOccurrence(FViews, Object->ObjectIndex, Hit->Position + 1, Hit->Length);
}

void TFindAllPanel::closeEvent(QCloseEvent* Event)
{
    Stop();
    QDockWidget::closeEvent(Event);
}

void TFindAllPanel::ReadSettings(const platform::TProfile& Profile)
{
    chkFindAllSkipLayouts->setChecked(platform::ReadFlag(Profile, SFindAll, SSkipReportLayouts, true));
}

void TFindAllPanel::WriteSettings(TSettingsWriter& Writer) const
{
    Writer.Flag(SFindAll, SSkipReportLayouts, chkFindAllSkipLayouts->isChecked());
}

void TFindAllPanel::EncodingChanged()
{
    if (FSearched)
        gui::RunGuarded(&FWindow, [this] { Start(FLastQuery); });
}
