// The rows of a merge: every object, or all but the unchanged ones, that the
// filter lets through (it sees OURS' version, else THEIRS', else BASE's); in
// the merge's order or sorted by a column.
#pragma once

#include "core/merge/filemerge.h"
#include "core/objectfilter.h"

#include "ui/common/entryrows.h"

#include <cstdint>
#include <functional>
#include <vector>

class TMergeListModel : public TEntryRowsModel {
    Q_OBJECT
public:
    enum TColumn { colStatus, colType, colID, colName, ColumnCount };
    // An entry's name as the list shows it; whether the user resolved it.
    using TNameOf = std::function<QString(const merge::TMergeEntry&)>;
    using TResolved = std::function<bool(std::int32_t EntryIndex)>;
    // The version of an entry the filter sees.
    using TObjectOf = std::function<const TObjectTextObject&(const merge::TMergeEntry&)>;

    TMergeListModel(TNameOf NameOf, TResolved Resolved, TObjectOf ObjectOf, QObject* Parent = nullptr);

    // Entries outlives the model, or SetEntries(nullptr) comes first. Raises
    // what reading property values raises (EReadError), the rows left as they were.
    void SetEntries(const std::vector<merge::TMergeEntry>* Entries, bool ShowUnchanged, const TObjectFilter& Filter);
    // An entry's row changed (its status, or the user's edit).
    void EntryChanged(std::int32_t EntryIndex);
    std::int32_t EntryIndexAt(int Row) const override;
    int RowOf(std::int32_t EntryIndex) const override;

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    // Column -1: the merge's order.
    void sort(int Column, Qt::SortOrder Order = Qt::AscendingOrder) override;

    static QString StatusText(merge::TMergeStatus Status);

private:
    QString StatusOf(std::int32_t EntryIndex) const;
    void SortRows();

    TNameOf FNameOf;
    TResolved FResolved;
    TObjectOf FObjectOf;
    const std::vector<merge::TMergeEntry>* FEntries = nullptr;
    std::vector<std::int32_t> FRows;
    std::vector<int> FRowOfEntry; // -1: not shown
    int FSortColumn = -1;
    Qt::SortOrder FSortOrder = Qt::AscendingOrder;
};
