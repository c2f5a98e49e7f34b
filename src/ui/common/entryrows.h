// A table model whose rows stand for entries (of a comparison, of a merge)
// and can be sorted: a sort moves the view's current and selected rows with
// their entries, so that the view stays on the same objects.
#pragma once

#include <QAbstractTableModel>

#include <cstdint>
#include <functional>

class TEntryRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // The entry on a row, -1 for none; the row of an entry, -1 when not shown.
    virtual std::int32_t EntryIndexAt(int Row) const = 0;
    virtual int RowOf(std::int32_t EntryIndex) const = 0;

protected:
    // Runs SortRows, which orders the rows anew, between the layout signals.
    void Resort(const std::function<void()>& SortRows);
};
