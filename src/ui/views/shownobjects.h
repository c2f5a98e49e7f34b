// Which of the loaded file's objects the tree and the list show, in file
// order: all of them, or those a filter lets through. A row of either view
// (the tree's under its root) is a place in this list.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

class TShownObjects {
public:
    void ShowAll(std::int32_t ObjectCount)
    {
        FAll = true;
        FCount = std::max<std::int32_t>(ObjectCount, 0);
        FIndexes.clear();
    }
    // Indexes: ascending, each below the file's object count.
    void Show(std::vector<std::int32_t> Indexes)
    {
        FAll = false;
        FIndexes = std::move(Indexes);
        FCount = static_cast<std::int32_t>(FIndexes.size());
    }

    bool All() const { return FAll; }
    std::int32_t Count() const { return FCount; }
    // The object shown in Row; -1 for a row outside the list.
    std::int32_t ObjectAt(std::int32_t Row) const
    {
        if (Row < 0 || Row >= FCount)
            return -1;
        return FAll ? Row : FIndexes[static_cast<std::size_t>(Row)];
    }
    // The row showing object ObjectIndex; -1 when it is not shown.
    std::int32_t RowOf(std::int32_t ObjectIndex) const
    {
        if (FAll)
            return ObjectIndex >= 0 && ObjectIndex < FCount ? ObjectIndex : -1;
        const auto Found = std::lower_bound(FIndexes.begin(), FIndexes.end(), ObjectIndex);
        return Found != FIndexes.end() && *Found == ObjectIndex ? static_cast<std::int32_t>(Found - FIndexes.begin())
                                                                : -1;
    }

private:
    bool FAll = true;
    std::int32_t FCount = 0;
    std::vector<std::int32_t> FIndexes;
};
