// The object tree and the virtual object list: thin models over the loaded
// file and the two views that show them.
//
// Neither model keeps anything per object. The tree has one root for the file
// and one child per object, addressed by row alone (no node objects); the list
// has only an item count and asks the window for each row when it is drawn.
#pragma once

#include <QAbstractItemModel>
#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QIcon>
#include <QPersistentModelIndex>
#include <QTimer>
#include <QTreeView>

#include <array>
#include <functional>

// The eight kind icons, image i for kind i; image 0 also stands for the file.
class TKindImages {
public:
    static constexpr int Count = 8;
    TKindImages();
    // An empty icon for an index outside the list.
    QIcon Image(int Index) const;

private:
    std::array<QIcon, Count> FImages;
};

// What one node or row shows.
struct TNodeData {
    QString Text;
    int ImageIndex = -1;
};

class TObjectTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // The text and image of object i's node, or an empty TNodeData when there
    // is no such object any more.
    using TNodeSource = std::function<TNodeData(int ObjectIndex)>;

    TObjectTreeModel(const TKindImages& Images, TNodeSource Source, QObject* Parent = nullptr);

    // Replaces every node: a root labelled RootText with ObjectCount children.
    void Rebuild(const QString& RootText, int ObjectCount);
    // Deletes every node.
    void Clear();

    bool HasRoot() const { return FHasRoot; }
    int ObjectCount() const { return FObjectCount; }

    // Absolute indexes count the root as 0 and object i's node as i + 1.
    QModelIndex NodeAt(int AbsoluteIndex) const;
    static bool IsRoot(const QModelIndex& Node);
    // The object a node stands for (its sibling index), or -1 for the root and
    // for no node.
    static int ObjectIndexOf(const QModelIndex& Node);

    QModelIndex index(int Row, int Column, const QModelIndex& Parent = {}) const override;
    QModelIndex parent(const QModelIndex& Child) const override;
    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    bool hasChildren(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;

private:
    // internalId of the root node; its children carry ChildId.
    static constexpr quintptr RootId = 0;
    static constexpr quintptr ChildId = 1;

    const TKindImages& FImages;
    TNodeSource FSource;
    QString FRootText;
    int FObjectCount = 0;
    bool FHasRoot = false;
};

// One row of the list as the window fills it.
struct TListRow {
    QString Caption;
    QString SubItems[2];
    int ImageIndex = -1;
};

class TObjectListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Fills the row with the given index; leaves it empty when there is no
    // such object any more.
    using TRowSource = std::function<void(int Index, TListRow& Row)>;

    static constexpr int ColumnCount = 3;

    TObjectListModel(const TKindImages& Images, TRowSource Source, QObject* Parent = nullptr);

    void SetItemCount(int Count);
    int ItemCount() const { return FItemCount; }

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;

private:
    const TListRow& Row(int Index) const;

    const TKindImages& FImages;
    TRowSource FSource;
    int FItemCount = 0;
    // The view asks for one row's columns and roles in a burst: keep the last row.
    mutable int FCachedIndex = -1;
    mutable TListRow FCachedRow;
};

// The tree view: reports a change of its selection 50 ms after the selection
// comes to rest, and tells about every mouse press before it handles it.
class TObjectTreeView : public QTreeView {
    Q_OBJECT
public:
    static constexpr int ChangeDelayMs = 50;

    explicit TObjectTreeView(QWidget* Parent = nullptr);
    void setModel(QAbstractItemModel* Model) override;

    bool ChangePending() const { return FChangeTimer.isActive(); }

signals:
    // The node on which the selection came to rest; invalid when it went away.
    void ChangeReported(const QModelIndex& Node);
    void MouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Modifiers, const QPoint& Position);

protected:
    void mousePressEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void drawBranches(QPainter* Painter, const QRect& Rect, const QModelIndex& Index) const override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& Index,
                                                         const QEvent* Event = nullptr) const override;

private:
    void SelectionMoved(const QModelIndex& Current);
    void CancelChange();
    void ReportChange();

    QTimer FChangeTimer;
    QPersistentModelIndex FPendingNode;
};

// The list view: a report list over TObjectListModel with type-ahead that
// leaves the choice of the row to the window.
class TObjectListView : public QTreeView {
    Q_OBJECT
public:
    // Returns the row whose text starts with FindString, looking from
    // StartIndex on (and from the top when Wrap is set), or -1.
    using TFindHandler = std::function<int(const QString& FindString, int StartIndex, bool Wrap)>;

    explicit TObjectListView(QWidget* Parent = nullptr);

    void SetFindHandler(TFindHandler Handler) { FFindHandler = std::move(Handler); }
    // Lays out the columns of the model now set.
    void SetUpColumns();

    void keyboardSearch(const QString& Search) override;

signals:
    void DoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    TFindHandler FFindHandler;
    QString FTyped;
    QElapsedTimer FSinceLastKey;
};
