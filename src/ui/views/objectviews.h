// The object tree and the virtual object list: thin models over the loaded
// file and the two views that show them.
//
// Both models read the loaded file's model for what they show and keep
// nothing per object. The tree has one root for the file and one child per
// object, addressed by row alone (no node objects); the list has an item count
// and formats each row from the model when it is drawn.
#pragma once

#include "core/encodingchoice.h"
#include "core/quibfile.h"
#include "ui/views/shownobjects.h"

#include <QAbstractItemModel>
#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QIcon>
#include <QPersistentModelIndex>
#include <QTimer>
#include <QTreeView>

#include <array>
#include <functional>

// The kind icons, image i for kind i; image 0 also stands for the file.
class TKindImages {
public:
    static constexpr int Count = ObjectTypeCount;
    TKindImages();
    // An empty icon for an index outside the list.
    QIcon Image(int Index) const;

private:
    std::array<QIcon, Count> FImages;
};

class TObjectTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Shown: which objects the rows stand for; it outlives the model.
    TObjectTreeModel(const TObjectTextFile& File, const TShownObjects& Shown, const TKindImages& Images,
                     QObject* Parent = nullptr);

    // How the objects' labels are decoded; one character per byte without it.
    void SetLabelEncodings(const TEncodingChoice* Encodings) { FEncodings = Encodings; }
    // The labels of every object, or of one, may read differently now.
    void LabelsChanged(int ObjectIndex = -1);

    // Replaces every node: a root labelled RootText with a child per shown object.
    void Rebuild(const QString& RootText);
    // The same root with a child per object shown now.
    void Refill() { Rebuild(FRootText); }
    // Deletes every node.
    void Clear();

    bool HasRoot() const { return FHasRoot; }
    int ObjectCount() const { return FObjectCount; }

    // Absolute indexes count the root as 0 and the node of row i as i + 1.
    QModelIndex NodeAt(int AbsoluteIndex) const;
    static bool IsRoot(const QModelIndex& Node);
    // The object a node stands for, or -1 for the root and for no node.
    int ObjectIndexOf(const QModelIndex& Node) const;

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

    const TObjectTextFile& FFile;
    const TShownObjects& FShown;
    const TKindImages& FImages;
    const TEncodingChoice* FEncodings = nullptr;
    QString FRootText;
    int FObjectCount = 0;
    bool FHasRoot = false;
};

// The row of the list whose display text starts with FindString (A to Z
// without regard to case), looking from StartIndex on and, when Wrap is set,
// from the top up to StartIndex; -1 when there is none. The list's type-ahead.
int lvwMainDataFind(const TObjectTextFile& File, const TShownObjects& Shown, const QString& FindString,
                    int StartIndex, bool Wrap);

class TObjectListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Type, ID and Name; then the OBJECT-PROPERTIES values, which the view
    // shows only where chosen; then, for a folder, the object's file.
    static constexpr int ColumnCount = 3 + ObjectPropertyCount + 1;
    static constexpr int FirstPropertyColumn = 3;
    static constexpr int FileColumn = ColumnCount - 1;

    TObjectListModel(const TObjectTextFile& File, const TShownObjects& Shown, const TKindImages& Images,
                     QObject* Parent = nullptr);

    void SetItemCount(int Count);
    int ItemCount() const { return FItemCount; }
    const TObjectTextFile& File() const { return FFile; }
    const TShownObjects& Shown() const { return FShown; }
    // How the objects' names are decoded; one character per byte without it.
    void SetLabelEncodings(const TEncodingChoice* Encodings) { FEncodings = Encodings; }
    // The names of every object, or of one, may read differently now.
    void LabelsChanged(int ObjectIndex = -1);
    // Whether rows read the OBJECT-PROPERTIES values (only while a column of them shows).
    void SetPropertiesShown(bool Shown);

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& Index) const override;

private:
    // What one row shows.
    struct TListRow {
        QString Columns[ColumnCount];
        int ImageIndex = -1;
    };
    const TListRow& Row(int Index) const;

    const TObjectTextFile& FFile;
    const TShownObjects& FShown;
    const TKindImages& FImages;
    const TEncodingChoice* FEncodings = nullptr;
    int FItemCount = 0;
    bool FPropertiesShown = false;
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

// The list view: a report list over TObjectListModel whose type-ahead finds
// the row with lvwMainDataFind.
class TObjectListView : public QTreeView {
    Q_OBJECT
public:
    explicit TObjectListView(QWidget* Parent = nullptr);

    // Lays out the columns of the model now set.
    void SetUpColumns();

    void keyboardSearch(const QString& Search) override;

signals:
    // A left double click on a row (Qt's doubleClicked also reports other buttons).
    void RowDoubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    QString FTyped;
    QElapsedTimer FSinceLastKey;
};
