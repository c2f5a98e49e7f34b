#include "ui/common/entryrows.h"

#include <vector>

void TEntryRowsModel::Resort(const std::function<void()>& SortRows)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList Before = persistentIndexList();
    std::vector<std::int32_t> EntriesBefore;
    for (const QModelIndex& Index : Before)
        EntriesBefore.push_back(EntryIndexAt(Index.row()));
    SortRows();
    QModelIndexList After;
    for (std::size_t Index = 0; Index < EntriesBefore.size(); ++Index)
        After << index(RowOf(EntriesBefore[Index]), Before[int(Index)].column());
    changePersistentIndexList(Before, After);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
