#include "ui/views/objectviews.h"

#include "ui/views/textviewmap.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QPen>
#include <QMouseEvent>

#include <algorithm>
#include <string_view>

// The icons live in this static library: register them before first use (a
// static library's resource initialiser is otherwise dropped by the linker).
static void InitResources()
{
    Q_INIT_RESOURCE(orvanta);
}

// --- TKindImages -------------------------------------------------------------

TKindImages::TKindImages()
{
    InitResources();
    for (int I = 0; I < Count; ++I)
        FImages[I] = QIcon(QStringLiteral(":/icons/kind%1.png").arg(I));
}

QIcon TKindImages::Image(int Index) const
{
    if (Index < 0 || Index >= Count)
        return {};
    return FImages[Index];
}

namespace {

TDisplayEncoding LabelEncoding(const TEncodingChoice* Encodings, int ObjectIndex, const TObjectTextObject& Object)
{
    return Encodings ? Encodings->ForLabel(ObjectIndex, Object.Name()) : TDisplayEncoding::Latin1;
}

}  // namespace

// --- TObjectTreeModel ----------------------------------------------------------

TObjectTreeModel::TObjectTreeModel(const TObjectTextFile& File, const TShownObjects& Shown, const TKindImages& Images,
                                   QObject* Parent)
    : QAbstractItemModel(Parent), FFile(File), FShown(Shown), FImages(Images)
{
}

void TObjectTreeModel::Rebuild(const QString& RootText)
{
    beginResetModel();
    FRootText = RootText;
    FObjectCount = FShown.Count();
    FHasRoot = true;
    endResetModel();
}

void TObjectTreeModel::Clear()
{
    beginResetModel();
    FRootText.clear();
    FObjectCount = 0;
    FHasRoot = false;
    endResetModel();
}

void TObjectTreeModel::LabelsChanged(int ObjectIndex)
{
    const int Count = rowCount(NodeAt(0));
    const int Row = ObjectIndex < 0 ? -1 : FShown.RowOf(ObjectIndex);
    if (Count == 0 || Row >= Count || (ObjectIndex >= 0 && Row < 0))
        return;
    const int First = Row < 0 ? 0 : Row;
    const int Last = Row < 0 ? Count - 1 : Row;
    emit dataChanged(NodeAt(First + 1), NodeAt(Last + 1), {Qt::DisplayRole});
}

QModelIndex TObjectTreeModel::NodeAt(int AbsoluteIndex) const
{
    if (AbsoluteIndex == 0)
        return index(0, 0);
    return index(AbsoluteIndex - 1, 0, index(0, 0));
}

bool TObjectTreeModel::IsRoot(const QModelIndex& Node)
{
    return Node.isValid() && Node.internalId() == RootId;
}

int TObjectTreeModel::ObjectIndexOf(const QModelIndex& Node) const
{
    if (!Node.isValid() || Node.internalId() != ChildId)
        return -1;
    return FShown.ObjectAt(Node.row());
}

QModelIndex TObjectTreeModel::index(int Row, int Column, const QModelIndex& Parent) const
{
    if (Column != 0 || Row < 0)
        return {};
    if (!Parent.isValid())
        return FHasRoot && Row == 0 ? createIndex(0, 0, RootId) : QModelIndex();
    if (IsRoot(Parent) && Row < FObjectCount)
        return createIndex(Row, 0, ChildId);
    return {};
}

QModelIndex TObjectTreeModel::parent(const QModelIndex& Child) const
{
    if (!Child.isValid() || Child.internalId() != ChildId)
        return {};
    return createIndex(0, 0, RootId);
}

int TObjectTreeModel::rowCount(const QModelIndex& Parent) const
{
    if (!Parent.isValid())
        return FHasRoot ? 1 : 0;
    if (IsRoot(Parent))
        return FObjectCount;
    return 0;
}

int TObjectTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool TObjectTreeModel::hasChildren(const QModelIndex& Parent) const
{
    return rowCount(Parent) > 0;
}

QVariant TObjectTreeModel::data(const QModelIndex& Index, int Role) const
{
    if (!Index.isValid() || (Role != Qt::DisplayRole && Role != Qt::DecorationRole))
        return {};
    if (IsRoot(Index))
        return Role == Qt::DisplayRole ? QVariant(FRootText) : QVariant(FImages.Image(0));
    // Drawing must not fail: a node whose object is gone shows nothing.
    const int ObjectIndex = FShown.ObjectAt(Index.row());
    if (ObjectIndex < 0 || ObjectIndex >= FFile.Count())
        return {};
    const TObjectTextObject& Object = FFile.Objects(ObjectIndex);
    if (Role == Qt::DisplayRole)
        return LabelFromBytes(Object.GetDisplayText(), LabelEncoding(FEncodings, ObjectIndex, Object));
    const QIcon Icon = FImages.Image(Object.ObjectType());
    return Icon.isNull() ? QVariant() : QVariant(Icon);
}

Qt::ItemFlags TObjectTreeModel::flags(const QModelIndex& Index) const
{
    if (!Index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags Flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!IsRoot(Index))
        Flags |= Qt::ItemNeverHasChildren;
    return Flags;
}

// --- TObjectListModel ----------------------------------------------------------

TObjectListModel::TObjectListModel(const TObjectTextFile& File, const TShownObjects& Shown, const TKindImages& Images,
                                   QObject* Parent)
    : QAbstractTableModel(Parent), FFile(File), FShown(Shown), FImages(Images)
{
}

void TObjectListModel::SetItemCount(int Count)
{
    beginResetModel();
    FItemCount = Count < 0 ? 0 : Count;
    FCachedIndex = -1;
    endResetModel();
}

void TObjectListModel::LabelsChanged(int ObjectIndex)
{
    const int Row = ObjectIndex < 0 ? -1 : FShown.RowOf(ObjectIndex);
    if (FItemCount == 0 || Row >= FItemCount || (ObjectIndex >= 0 && Row < 0))
        return;
    FCachedIndex = -1;
    const int First = Row < 0 ? 0 : Row;
    const int Last = Row < 0 ? FItemCount - 1 : Row;
    emit dataChanged(index(First, 2), index(Last, 2), {Qt::DisplayRole});
}

int TObjectListModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : FItemCount;
}

int TObjectListModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : ColumnCount;
}

const TObjectListModel::TListRow& TObjectListModel::Row(int Index) const
{
    if (Index != FCachedIndex) {
        FCachedRow = TListRow();
        // Drawing must not fail: a row whose object is gone, or whose values
        // cannot be read, stays empty.
        const int ObjectIndex = FShown.ObjectAt(Index);
        if (ObjectIndex >= 0 && ObjectIndex < FFile.Count()) {
            const TObjectTextObject& Object = FFile.Objects(ObjectIndex);
            const TDisplayEncoding Encoding = LabelEncoding(FEncodings, ObjectIndex, Object);
            FCachedRow.Columns[0] = LabelFromBytes(ObjectTypeNames[Object.ObjectType()]);
            FCachedRow.Columns[1] = QString::number(Object.ID());
            FCachedRow.Columns[2] = LabelFromBytes(Object.Name(), Encoding);
            FCachedRow.ImageIndex = Object.ObjectType();
            if (FFile.Folder())
                FCachedRow.Columns[FileColumn] = QString::fromStdString(FFile.ObjectFilePath(ObjectIndex));
            if (FPropertiesShown)
                try {
                    std::string Buffer;
                    const TPropertyValues Values = Object.ReadProperties(Buffer);
                    for (int Property = 0; Property < ObjectPropertyCount; ++Property)
                        FCachedRow.Columns[FirstPropertyColumn + Property] =
                            LabelFromBytes(Values[std::size_t(Property)], Encoding);
                } catch (const std::exception&) {
                }
        }
        FCachedIndex = Index;
    }
    return FCachedRow;
}

void TObjectListModel::SetPropertiesShown(bool Shown)
{
    FPropertiesShown = Shown;
    FCachedIndex = -1;
}

QVariant TObjectListModel::data(const QModelIndex& Index, int Role) const
{
    if (!checkIndex(Index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int Column = Index.column();
    switch (Role) {
    case Qt::DisplayRole: {
        const TListRow& Item = Row(Index.row());
        return Item.Columns[Column];
    }
    case Qt::DecorationRole: {
        if (Column != 0)
            return {};
        const QIcon Icon = FImages.Image(Row(Index.row()).ImageIndex);
        return Icon.isNull() ? QVariant() : QVariant(Icon);
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter | (Column == 1 ? Qt::AlignRight : Qt::AlignLeft));
    default:
        return {};
    }
}

QVariant TObjectListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal || Section < 0 || Section >= ColumnCount)
        return {};
    if (Role == Qt::DisplayRole) {
        static const char* const Captions[ColumnCount] = {QT_TR_NOOP("Type"),     QT_TR_NOOP("ID"),
                                                          QT_TR_NOOP("Name"),     QT_TR_NOOP("Modified"),
                                                          QT_TR_NOOP("Version List"), QT_TR_NOOP("Date"),
                                                          QT_TR_NOOP("Time"),     QT_TR_NOOP("File")};
        return tr(Captions[Section]);
    }
    if (Role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter | (Section == 1 ? Qt::AlignRight : Qt::AlignLeft));
    return {};
}

Qt::ItemFlags TObjectListModel::flags(const QModelIndex& Index) const
{
    if (!Index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

// --- Type-ahead ----------------------------------------------------------------

namespace {

char LowerAscii(char C)
{
    return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C;
}

// The display text starts with Typed, comparing A to Z without regard to case.
bool StartsWithLowered(std::string_view Text, std::string_view Typed)
{
    if (Text.size() < Typed.size())
        return false;
    for (std::size_t I = 0; I < Typed.size(); ++I)
        if (LowerAscii(Text[I]) != LowerAscii(Typed[I]))
            return false;
    return true;
}

}  // namespace

int lvwMainDataFind(const TObjectTextFile& File, const TShownObjects& Shown, const QString& FindString,
                    int StartIndex, bool Wrap)
{
    const int Count = std::min(Shown.Count(), File.Count());
    const QByteArray TypedBytes = FindString.toLatin1();
    const std::string_view Typed(TypedBytes.constData(), static_cast<std::size_t>(TypedBytes.size()));
    const auto Matches = [&](int Row) {
        const int ObjectIndex = Shown.ObjectAt(Row);
        return ObjectIndex >= 0 && ObjectIndex < File.Count() &&
               StartsWithLowered(File.Objects(ObjectIndex).GetDisplayText(), Typed);
    };
    for (int Index = std::max(StartIndex, 0); Index < Count; ++Index)
        if (Matches(Index))
            return Index;
    if (Wrap && StartIndex >= 1)
        for (int Index = 0; Index < StartIndex && Index < Count; ++Index)
            if (Matches(Index))
                return Index;
    return -1;
}

// --- TObjectTreeView -----------------------------------------------------------

TObjectTreeView::TObjectTreeView(QWidget* Parent) : QTreeView(Parent)
{
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setIndentation(19);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTextElideMode(Qt::ElideNone);
    // Long labels scroll sideways instead of being cut.
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    header()->setStretchLastSection(false);

    FChangeTimer.setSingleShot(true);
    FChangeTimer.setInterval(ChangeDelayMs);
    connect(&FChangeTimer, &QTimer::timeout, this, &TObjectTreeView::ReportChange);
}

void TObjectTreeView::setModel(QAbstractItemModel* Model)
{
    CancelChange();
    if (QAbstractItemModel* Old = model())
        disconnect(Old, nullptr, this, nullptr);
    QTreeView::setModel(Model);
    if (!Model)
        return;
    // Deleting nodes cancels a pending report.
    connect(Model, &QAbstractItemModel::modelAboutToBeReset, this, &TObjectTreeView::CancelChange);
    connect(Model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &TObjectTreeView::CancelChange);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& Current) { SelectionMoved(Current); });
}

void TObjectTreeView::SelectionMoved(const QModelIndex& Current)
{
    FPendingNode = Current;
    FChangeTimer.start();
}

void TObjectTreeView::CancelChange()
{
    FChangeTimer.stop();
    FPendingNode = QPersistentModelIndex();
}

void TObjectTreeView::ReportChange()
{
    const QModelIndex Node = FPendingNode;
    FPendingNode = QPersistentModelIndex();
    emit ChangeReported(Node);
}

void TObjectTreeView::mousePressEvent(QMouseEvent* Event)
{
    emit MouseDown(Event->button(), Event->modifiers(), Event->position().toPoint());
    QTreeView::mousePressEvent(Event);
}

namespace {

// Copying is the window's Copy command; where that is not available the views
// must not put their own text on the clipboard in its place.
bool IgnoreCopyKey(QKeyEvent* Event)
{
    if (!Event->matches(QKeySequence::Copy))
        return false;
    Event->ignore();
    return true;
}

}  // namespace

void TObjectTreeView::keyPressEvent(QKeyEvent* Event)
{
    if (!IgnoreCopyKey(Event))
        QTreeView::keyPressEvent(Event);
}

void TObjectTreeView::drawBranches(QPainter* Painter, const QRect& Rect, const QModelIndex& Index) const
{
    QTreeView::drawBranches(Painter, Rect, Index);
    // The file's node has no line of its own; dotted lines join its objects
    // to it, down to the last one. Objects have no children, so no buttons.
    if (!Index.parent().isValid() || Rect.width() < indentation())
        return;
    const QRect Level(Rect.right() + 1 - indentation(), Rect.top(), indentation(), Rect.height());
    const int X = Level.left() + Level.width() / 2;
    const int Y = Level.top() + Level.height() / 2;
    const bool Last = Index.row() == model()->rowCount(Index.parent()) - 1;
    Painter->save();
    Painter->setPen(QPen(palette().color(QPalette::Dark), 1, Qt::DotLine));
    Painter->drawLine(X, Level.top(), X, Last ? Y : Level.bottom());
    Painter->drawLine(X, Y, Level.right(), Y);
    Painter->restore();
}

QItemSelectionModel::SelectionFlags TObjectTreeView::selectionCommand(const QModelIndex& Index,
                                                                      const QEvent* Event) const
{
    // Once a node is selected, the user can move the selection but not remove it.
    const auto Command = QTreeView::selectionCommand(Index, Event);
    if (Command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle))
        return QItemSelectionModel::NoUpdate;
    return Command;
}

// --- TObjectListView -----------------------------------------------------------

TObjectListView::TObjectListView(QWidget* Parent) : QTreeView(Parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
}

void TObjectListView::SetUpColumns()
{
    static const int Widths[TObjectListModel::ColumnCount] = {100, 100, 200, 70, 160, 80, 80, 300};
    for (int Column = 0; Column < TObjectListModel::ColumnCount; ++Column)
        header()->resizeSection(Column, Widths[Column]);
}

void TObjectListView::keyboardSearch(const QString& Search)
{
    const auto* List = qobject_cast<const TObjectListModel*>(model());
    if (!List || Search.isEmpty())
        return;
    // Keys typed in quick succession add to one search text; after a pause a
    // new search starts with the row after the focused one.
    const bool Continues = FSinceLastKey.isValid() &&
                           FSinceLastKey.elapsed() <= QApplication::keyboardInputInterval() &&
                           !FTyped.isEmpty();
    FSinceLastKey.start();
    FTyped = Continues ? FTyped + Search : Search;

    const QModelIndex Focused = currentIndex();
    int StartIndex = Focused.isValid() ? Focused.row() : 0;
    if (!Continues && Focused.isValid())
        ++StartIndex;
    const int Found = lvwMainDataFind(List->File(), List->Shown(), FTyped, StartIndex, true);
    if (Found < 0 || Found >= model()->rowCount())
        return;
    const QModelIndex Target = model()->index(Found, 0);
    selectionModel()->setCurrentIndex(Target, QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
    scrollTo(Target);
}

void TObjectListView::keyPressEvent(QKeyEvent* Event)
{
    if (!IgnoreCopyKey(Event))
        QTreeView::keyPressEvent(Event);
}

void TObjectListView::mouseDoubleClickEvent(QMouseEvent* Event)
{
    QTreeView::mouseDoubleClickEvent(Event);
    if (Event->button() == Qt::LeftButton)
        emit RowDoubleClicked();
}
