#include "ui/merge/mergelist.h"

#include <algorithm>

using merge::TMergeEntry;
using merge::TMergeStatus;

TMergeListModel::TMergeListModel(TNameOf NameOf, TResolved Resolved, TObjectOf ObjectOf, QObject* Parent)
    : TEntryRowsModel(Parent), FNameOf(std::move(NameOf)), FResolved(std::move(Resolved)),
      FObjectOf(std::move(ObjectOf))
{
}

QString TMergeListModel::StatusText(TMergeStatus Status)
{
    switch (Status) {
    case TMergeStatus::Pending: return tr("Pending");
    case TMergeStatus::Unchanged: return tr("Unchanged");
    case TMergeStatus::Ours: return tr("Ours");
    case TMergeStatus::Theirs: return tr("Theirs");
    case TMergeStatus::Merged: return tr("Merged");
    case TMergeStatus::Added: return tr("Added");
    case TMergeStatus::Deleted: return tr("Deleted");
    case TMergeStatus::Conflict: return tr("Conflict");
    }
    return {};
}

QString TMergeListModel::StatusOf(std::int32_t EntryIndex) const
{
    const TMergeEntry& Entry = (*FEntries)[std::size_t(EntryIndex)];
    if (Entry.Status == TMergeStatus::Conflict && FResolved(EntryIndex))
        return tr("Resolved");
    return StatusText(Entry.Status);
}

void TMergeListModel::SetEntries(const std::vector<TMergeEntry>* Entries, bool ShowUnchanged,
                                 const TObjectFilter& Filter)
{
    // Chosen before the reset, so that a read that fails leaves the rows as they were.
    std::vector<std::int32_t> Rows;
    std::string Buffer;
    for (std::size_t Index = 0; Entries && Index < Entries->size(); ++Index) {
        const TMergeEntry& Entry = (*Entries)[Index];
        if (Entry.Status == TMergeStatus::Unchanged && !ShowUnchanged)
            continue;
        if (Filter.Active() && !Filter.Matches(FObjectOf(Entry), Buffer))
            continue;
        Rows.push_back(std::int32_t(Index));
    }
    beginResetModel();
    FEntries = Entries;
    FRows = std::move(Rows);
    FRowOfEntry.assign(Entries ? Entries->size() : 0, -1);
    SortRows();
    endResetModel();
}

void TMergeListModel::EntryChanged(std::int32_t EntryIndex)
{
    const int Row = RowOf(EntryIndex);
    if (Row >= 0)
        emit dataChanged(index(Row, 0), index(Row, ColumnCount - 1));
}

std::int32_t TMergeListModel::EntryIndexAt(int Row) const
{
    return Row >= 0 && std::size_t(Row) < FRows.size() ? FRows[std::size_t(Row)] : -1;
}

int TMergeListModel::RowOf(std::int32_t EntryIndex) const
{
    return EntryIndex >= 0 && std::size_t(EntryIndex) < FRowOfEntry.size() ? FRowOfEntry[std::size_t(EntryIndex)]
                                                                           : -1;
}

int TMergeListModel::rowCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : int(FRows.size());
}

int TMergeListModel::columnCount(const QModelIndex& Parent) const
{
    return Parent.isValid() ? 0 : ColumnCount;
}

QVariant TMergeListModel::data(const QModelIndex& Index, int Role) const
{
    const std::int32_t EntryIndex = EntryIndexAt(Index.row());
    if (EntryIndex < 0 || Role != Qt::DisplayRole)
        return {};
    const TMergeEntry& Entry = (*FEntries)[std::size_t(EntryIndex)];
    switch (Index.column()) {
    case colStatus: return StatusOf(EntryIndex);
    case colType: return QString::fromStdString(ObjectTypeNames[Entry.ObjectType]);
    case colID: return Entry.ID;
    case colName: return FNameOf(Entry);
    }
    return {};
}

QVariant TMergeListModel::headerData(int Section, Qt::Orientation Orientation, int Role) const
{
    if (Orientation != Qt::Horizontal || Role != Qt::DisplayRole)
        return {};
    switch (Section) {
    case colStatus: return tr("Status");
    case colType: return tr("Type");
    case colID: return tr("ID");
    case colName: return tr("Name");
    }
    return {};
}

void TMergeListModel::sort(int Column, Qt::SortOrder Order)
{
    FSortColumn = Column;
    FSortOrder = Order;
    Resort([this] { SortRows(); });
}

void TMergeListModel::SortRows()
{
    if (FEntries && FSortColumn >= 0) {
        const auto Key = [this](std::int32_t EntryIndex) -> QVariant {
            const TMergeEntry& Entry = (*FEntries)[std::size_t(EntryIndex)];
            switch (FSortColumn) {
            case colStatus: return StatusOf(EntryIndex);
            case colType: return int(Entry.ObjectType);
            case colID: return Entry.ID;
            default: return FNameOf(Entry).toLower();
            }
        };
        // Stable, so that rows of one key stay in the merge's order.
        std::stable_sort(FRows.begin(), FRows.end(), [&](std::int32_t A, std::int32_t B) {
            const int Order = QVariant::compare(Key(A), Key(B)) == QPartialOrdering::Less ? -1
                              : QVariant::compare(Key(B), Key(A)) == QPartialOrdering::Less ? 1
                                                                                            : 0;
            return FSortOrder == Qt::AscendingOrder ? Order < 0 : Order > 0;
        });
    } else {
        std::sort(FRows.begin(), FRows.end());
    }
    std::fill(FRowOfEntry.begin(), FRowOfEntry.end(), -1);
    for (std::size_t Row = 0; Row < FRows.size(); ++Row)
        FRowOfEntry[std::size_t(FRows[Row])] = int(Row);
}
