// The object tree and the object list over the loaded file, kept in step:
// which objects they show (all, or those a filter lets through), the tree's
// selected node and the list's rows.
//
// Owns the two models and the kind images; reads the file, its encodings and
// the filter it is given. What a node shows in the rest of the window is the
// window's business, told through NodeChanged.
#pragma once

#include "ui/views/objectviews.h"

#include <QObject>

#include <cstdint>
#include <vector>

class TObjectFilter;

class TObjectBrowser : public QObject {
    Q_OBJECT
public:
    // The views take the models. The views, File and Encodings outlive this
    // object, or Detach is called first.
    TObjectBrowser(TObjectTreeView& Tree, TObjectListView& List, const TObjectTextFile& File,
                   const TEncodingChoice& Encodings, QObject* Parent = nullptr);
    // The views let go of the models, which read the file: before it goes.
    void Detach();

    TObjectListModel& ListModel() const { return *FListModel; }
    const TShownObjects& Shown() const { return FShown; }

    // The file anew, or none: the objects Filter lets through under a root
    // labelled RootText, selected and expanded; the list's rows to match.
    void Fill(const QString& RootText, const TObjectFilter& Filter);
    // Another filter on the same file: the object selected stays when it
    // passes, else the root is selected (the list of those that do).
    void Refilter(const TObjectFilter& Filter);
    // The labels of every object, or of one, may read differently now.
    void LabelsChanged(int ObjectIndex = -1);

    QModelIndex SelectedNode() const;
    // The selected node's object; -1 for the root and for no node.
    int SelectedObjectIndex() const;
    bool RootSelected() const;
    // Absolute indexes count the root as 0 and the node of row i as i + 1.
    void SelectNode(int AbsoluteIndex);
    // True when object ObjectIndex is left out by the filter.
    bool Hides(int ObjectIndex) const;
    // Selects object ObjectIndex's node, when shown, and scrolls the tree to it.
    void SelectObject(int ObjectIndex);
    // The objects of the list's selected rows, in the order of the selection.
    std::vector<std::int32_t> SelectedListObjects() const;
    // The list's double click: the node of its topmost selected row.
    void SelectListRow();

signals:
    // The tree's selection came to rest on the node of object ObjectIndex (-1: the root).
    void NodeChanged(int ObjectIndex);

private:
    void Show(const TObjectFilter& Filter);

    TObjectTreeView& FTree;
    TObjectListView& FList;
    const TObjectTextFile& FFile;
    TKindImages FImages;
    TShownObjects FShown;
    TObjectTreeModel* FTreeModel;
    TObjectListModel* FListModel;
};
