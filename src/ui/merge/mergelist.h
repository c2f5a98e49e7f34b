// The rows of a merge: every object, or those that need more than the
// update's text (Unchanged hidden unless asked for), whose name holds the
// filter's text; in the merge's order or sorted by a column.
#pragma once

#include "core/merge/filemerge.h"

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

    TMergeListModel(TNameOf NameOf, TResolved Resolved, QObject* Parent = nullptr);

    // Entries outlives the model, or SetEntries(nullptr) comes first.
    void SetEntries(const std::vector<merge::TMergeEntry>* Entries, bool ShowUnchanged, const QString& Filter);
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
    const std::vector<merge::TMergeEntry>* FEntries = nullptr;
    std::vector<std::int32_t> FRows;
    std::vector<int> FRowOfEntry; // -1: not shown
    int FSortColumn = -1;
    Qt::SortOrder FSortOrder = Qt::AscendingOrder;
};
