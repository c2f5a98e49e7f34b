#include "ui/references/whereused.h"

#include "core/quibfile.h"
#include "ui/common/errorbox.h"
#include "ui/find/findnext.h"
#include "ui/views/textviewmap.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QThread>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

// As Find All's rows: the line's text shown from after its indentation.
std::uint8_t LeadOf(std::string_view Text, std::int32_t Position)
{
    std::size_t Begin = std::size_t(Position);
    while (Begin > 0 && Text[Begin - 1] != '\n' && Text[Begin - 1] != '\r')
        --Begin;
    while (Begin < std::size_t(Position) && (Text[Begin] == ' ' || Text[Begin] == '\t'))
        ++Begin;
    const std::size_t Lead = std::size_t(Position) - Begin;
    return Lead >= TFindAllHit::LeadCut ? TFindAllHit::LeadCut : std::uint8_t(Lead);
}

QString LabelOf(const TObjectTextObject& Object, std::int32_t Index, const TEncodingChoice& Encodings)
{
    const std::string Label =
        ObjectTypeNames[Object.ObjectType()] + ' ' + std::to_string(Object.ID()) + ' ' + std::string(Object.Name());
    return LabelFromBytes(Label, Encodings.ForLabel(Index, Object.Name()));
}

} // namespace

TFindAllBatch FindWhereUsed(const TObjectTextFile& File, const references::TReferenceIndex& Index,
                            TEncodingChoice& Encodings, const TWhereUsedQuery& Query, platform::TStream& Reader,
                            const std::atomic<bool>& Cancel)
{
    std::vector<references::TPlace> Places = Query.Member.empty()
                                                 ? Index.RefsTo(Query.Target)
                                                 : Index.RefsTo(Query.Target, Query.Member, Reader, &Cancel);
    std::stable_sort(Places.begin(), Places.end(), [](const references::TPlace& A, const references::TPlace& B) {
        return A.Object != B.Object ? A.Object < B.Object : A.Offset < B.Offset;
    });
    TFindAllBatch Rows;
    std::string Text;
    std::int32_t Shown = -1, LastLine = -1;
    for (const references::TPlace& Place : Places) {
        if (Cancel.load(std::memory_order_relaxed))
            return {};
        if (Place.Object != Shown) {
            Shown = Place.Object;
            LastLine = -1;
            const std::string_view Bytes = references::ReadObject(File, Shown, Reader, Text);
            const TObjectTextObject& Object = File.Objects(Shown);
            Rows.Objects.push_back({Shown, Object.ObjectType(), Encodings.ForText(Shown, Bytes), Object.Offset(),
                                    Object.Size(), LabelOf(Object, Shown, Encodings)});
        }
        // One row a line: its first reference marked.
        if (Place.Line == LastLine || Place.Offset + Place.Length > std::int32_t(Text.size()))
            continue;
        LastLine = Place.Line;
        Rows.Hits.push_back({std::int32_t(Rows.Objects.size()) - 1, Place.Offset, Place.Line,
                             std::uint16_t(std::min<std::int32_t>(Place.Length, std::numeric_limits<std::uint16_t>::max())),
                             LeadOf(Text, Place.Offset)});
    }
    return Rows;
}

TWhereUsedPanel::TWhereUsedPanel(QMainWindow& Window, const TObjectTextFile& File, const TEncodingChoice& Encodings,
                                 TFindView& Views)
    : QDockWidget(tr("Where Used"), &Window), FWindow(Window), FFile(File), FEncodings(Encodings), FViews(Views),
      FModel(new TFindAllModel(FImages, this)), FView(new QTreeView), FNote(new QLabel)
{
    setObjectName(QStringLiteral("dckWhereUsed"));
    FNote->setObjectName(QStringLiteral("lblWhereUsed"));
    FView->setObjectName(QStringLiteral("tvwWhereUsed"));
    FView->setModel(FModel);
    FView->setRootIsDecorated(false);
    FView->setUniformRowHeights(true);
    FView->setAllColumnsShowFocus(true);
    FView->setSelectionMode(QAbstractItemView::SingleSelection);
    FView->setSelectionBehavior(QAbstractItemView::SelectRows);
    FView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FView->setIconSize(QSize(16, 16));
    FView->setItemDelegateForColumn(TFindAllModel::TextColumn, new TFindAllDelegate(FView));
    const QFontMetrics Metrics(FView->font());
    FView->header()->resizeSection(TFindAllModel::ObjectColumn,
                                   Metrics.horizontalAdvance(QStringLiteral("Codeunit 99000000 ")) +
                                       Metrics.averageCharWidth() * 24 + 24);
    FView->header()->resizeSection(TFindAllModel::LineColumn, Metrics.horizontalAdvance(QStringLiteral("9999999")) + 16);
    FView->header()->setStretchLastSection(true);
    connect(FView, &QTreeView::activated, this,
            [this](const QModelIndex& Index) { gui::RunGuarded(&FWindow, [&] { Activate(Index.row()); }); });
    auto* Body = new QWidget;
    auto* Layout = new QVBoxLayout(Body);
    Layout->setContentsMargins(4, 2, 4, 4);
    Layout->addWidget(FNote);
    Layout->addWidget(FView, 1);
    setWidget(Body);
    Window.addDockWidget(Qt::BottomDockWidgetArea, this);
    hide();
}

TWhereUsedPanel::~TWhereUsedPanel()
{
    EndWorker();
}

void TWhereUsedPanel::EndWorker()
{
    ++FSearch;
    if (!FThread)
        return;
    FCancel = true;
    FThread->wait();
    FThread.reset();
}

void TWhereUsedPanel::Clear()
{
    EndWorker();
    FModel->Clear();
    FModel->SetSource(nullptr);
    FNote->clear();
}

void TWhereUsedPanel::Run(std::shared_ptr<const references::TReferenceIndex> Index, const TWhereUsedQuery& Query)
{
    Clear();
    std::shared_ptr<platform::TStream> Reader = FFile.SecondReader();
    if (!Reader || !Index)
        return;
    FModel->SetSource(FFile.SecondReader());
    show();
    raise();
    FNote->setText(tr("Where used: %1 (searching...)").arg(Query.Title));
    FCancel = false;
    const std::uint64_t Search = FSearch;
    // The worker's own copy: detecting an object's encoding writes to it.
    auto Encodings = std::make_shared<TEncodingChoice>(FEncodings);
    FThread.reset(QThread::create([this, Index, Reader, Encodings, Query, Search] {
        auto Rows = std::make_shared<TFindAllBatch>();
        QString Failure;
        try {
            *Rows = FindWhereUsed(FFile, *Index, *Encodings, Query, *Reader, FCancel);
        } catch (const std::exception& Error) {
            Failure = QString::fromStdString(Error.what());
        }
        QMetaObject::invokeMethod(
            this,
            [this, Search, Rows, Title = Query.Title, Failure] {
                if (Search != FSearch)
                    return;
                if (!Failure.isEmpty())
                    gui::ShowErrorMessage(&FWindow, Failure.toStdString());
                Show(Search, Rows, Title);
            },
            Qt::QueuedConnection);
    }));
    FThread->start();
}

void TWhereUsedPanel::Show(std::uint64_t Search, const std::shared_ptr<TFindAllBatch>& Rows, const QString& Title)
{
    if (FThread) {
        FThread->wait();
        FThread.reset();
    }
    Rows->Search = Search;
    FModel->Append(*Rows);
    const QLocale Locale;
    FNote->setText(tr("Where used: %1: %2 line(s) in %3 object(s)")
                       .arg(Title, Locale.toString(FModel->HitCount()), Locale.toString(FModel->ObjectCount())));
    if (FModel->HitCount() > 0)
        FView->setCurrentIndex(FModel->index(0, 0));
    emit Finished();
}

void TWhereUsedPanel::Activate(int Row)
{
    const TFindAllHit* Hit = FModel->Hit(Row);
    const TFindAllObject* Object = FModel->ObjectOf(Row);
    if (!Hit || !Object || Object->ObjectIndex >= FFile.Count())
        return;
    ShowOccurrence(FViews, Object->ObjectIndex, Hit->Position + 1, Hit->Length);
}
