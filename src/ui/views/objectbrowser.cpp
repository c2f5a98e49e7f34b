#include "ui/views/objectbrowser.h"

#include "core/objectfilter.h"

#include <algorithm>

TObjectBrowser::TObjectBrowser(TObjectTreeView& Tree, TObjectListView& List, const TObjectTextFile& File,
                               const TEncodingChoice& Encodings, QObject* Parent)
    : QObject(Parent),
      FTree(Tree),
      FList(List),
      FFile(File),
      FTreeModel(new TObjectTreeModel(File, FShown, FImages, this)),
      FListModel(new TObjectListModel(File, FShown, FImages, this))
{
    FTreeModel->SetLabelEncodings(&Encodings);
    FTree.setModel(FTreeModel);
    FTree.setIconSize(QSize(16, 16));
    connect(&FTree, &TObjectTreeView::ChangeReported, this, [this](const QModelIndex& Node) {
        if (Node.isValid())
            emit NodeChanged(FTreeModel->ObjectIndexOf(Node));
    });
    // A press selects the node under it at once, before the view handles it.
    connect(&FTree, &TObjectTreeView::MouseDown, this,
            [this](Qt::MouseButton, Qt::KeyboardModifiers, const QPoint& Position) {
                const QModelIndex Node = FTree.indexAt(Position);
                if (Node.isValid())
                    FTree.selectionModel()->setCurrentIndex(Node, QItemSelectionModel::ClearAndSelect);
            });

    FListModel->SetLabelEncodings(&Encodings);
    FList.setModel(FListModel);
    FList.setIconSize(QSize(16, 16));
    FList.SetUpColumns();
    connect(&FList, &TObjectListView::RowDoubleClicked, this, &TObjectBrowser::SelectListRow);
}

void TObjectBrowser::Detach()
{
    FTree.setModel(nullptr);
    FList.setModel(nullptr);
}

void TObjectBrowser::Show(const TObjectFilter& Filter)
{
    const bool Loaded = !FFile.FileName().empty();
    if (Loaded && Filter.Active())
        FShown.Show(Filter.Apply(FFile));
    else
        FShown.ShowAll(Loaded ? FFile.Count() : 0);
}

void TObjectBrowser::Fill(const QString& RootText, const TObjectFilter& Filter)
{
    Show(Filter);
    FListModel->SetItemCount(FShown.Count());
    // Where each object comes from, for a folder of object files.
    FList.setColumnHidden(TObjectListModel::FileColumn, FFile.Folder() == nullptr);
    FList.viewport()->update();
    if (FFile.FileName().empty()) {
        FTreeModel->Clear();
        return;
    }
    FTreeModel->Rebuild(RootText);
    SelectNode(0);
    if (FFile.Count() > 0)
        FTree.expand(FTreeModel->NodeAt(0));
}

void TObjectBrowser::Refilter(const TObjectFilter& Filter)
{
    const int Selected = SelectedObjectIndex();
    Show(Filter);
    FTreeModel->Refill();
    FListModel->SetItemCount(FShown.Count());
    FTree.expand(FTreeModel->NodeAt(0));
    const int Row = Selected >= 0 ? FShown.RowOf(Selected) : -1;
    SelectNode(Row + 1);
    if (Row >= 0)
        FTree.scrollTo(SelectedNode());
}

void TObjectBrowser::LabelsChanged(int ObjectIndex)
{
    FTreeModel->LabelsChanged(ObjectIndex);
    FListModel->LabelsChanged(ObjectIndex);
}

QModelIndex TObjectBrowser::SelectedNode() const
{
    // One node at most: the tree selects single nodes.
    return FTree.selectionModel()->selectedIndexes().value(0);
}

int TObjectBrowser::SelectedObjectIndex() const
{
    return FTreeModel->ObjectIndexOf(SelectedNode());
}

bool TObjectBrowser::RootSelected() const
{
    return TObjectTreeModel::IsRoot(SelectedNode());
}

void TObjectBrowser::SelectNode(int AbsoluteIndex)
{
    const QModelIndex Node = FTreeModel->NodeAt(AbsoluteIndex);
    if (Node.isValid())
        FTree.selectionModel()->setCurrentIndex(Node, QItemSelectionModel::ClearAndSelect);
}

bool TObjectBrowser::Hides(int ObjectIndex) const
{
    return !FShown.All() && FShown.RowOf(ObjectIndex) < 0;
}

void TObjectBrowser::SelectObject(int ObjectIndex)
{
    SelectNode(FShown.RowOf(ObjectIndex) + 1);
    FTree.scrollTo(SelectedNode());
}

std::vector<std::int32_t> TObjectBrowser::SelectedListObjects() const
{
    std::vector<std::int32_t> Objects;
    for (const QModelIndex& Row : FList.selectionModel()->selectedRows())
        Objects.push_back(FShown.ObjectAt(Row.row()));
    return Objects;
}

void TObjectBrowser::SelectListRow()
{
    const QModelIndexList Rows = FList.selectionModel()->selectedRows();
    if (Rows.isEmpty())
        return;
    const auto Lowest = std::min_element(Rows.begin(), Rows.end(), [](const QModelIndex& A, const QModelIndex& B) {
        return A.row() < B.row();
    });
    SelectNode(Lowest->row() + 1);
}
