#include "core/search/loadsearch.h"

namespace search {

TLoadSearch::TLoadSearch(const TNeedle& Needle, const TObjectTextFile& File, TFound Found)
    : FNeedle(Needle), FFile(File), FFound(std::move(Found))
{
}

void TLoadSearch::Read(const char* Bytes, std::int64_t Position, std::int64_t Length)
{
    const std::size_t Reach = FNeedle.LongestMatch() - 1;  // bytes an occurrence runs on after its first
    // Occurrences that begin in the carry and end in this piece.
    if (!FCarry.empty()) {
        FJoin.assign(FCarry);
        FJoin.append(Bytes, std::size_t(std::min<std::int64_t>(Length, std::int64_t(Reach))));
        Take(FJoin.data(), FJoin.size(), Position - std::int64_t(FCarry.size()), FCarry.size());
    }
    Take(Bytes, std::size_t(Length), Position, std::size_t(Length));
    // The carry: the last bytes read, as many as an occurrence can run on.
    const std::size_t Size = std::size_t(Length);
    if (Size >= Reach) {
        FCarry.assign(Bytes + Size - Reach, Reach);
    } else {
        FCarry.append(Bytes, Size);
        FCarry.erase(0, FCarry.size() > Reach ? FCarry.size() - Reach : 0);
    }
    Report(false);
}

// The occurrences in [Bytes, Bytes + Size) that begin before Bytes + Before.
void TLoadSearch::Take(const char* Bytes, std::size_t Size, std::int64_t Position, std::size_t Before)
{
    std::size_t Found = 0;
    for (std::size_t From = 0; From < Before;) {
        const char* Hit = FNeedle.FindIn(Bytes + From, Size - From, Found);
        if (!Hit || std::size_t(Hit - Bytes) >= Before)
            return;
        FHits.push_back(Position + (Hit - Bytes));
        From = std::size_t(Hit - Bytes) + 1;
    }
}

void TLoadSearch::Report(bool AllComplete)
{
    const auto Length = std::int64_t(FNeedle.LongestMatch());
    const std::int32_t Count = FFile.Count();
    // While loading, the last object listed may still grow: its size is not
    // known, but it runs at least to where the split has settled.
    const std::int32_t Complete = AllComplete ? Count : Count - 1;
    const std::int64_t Settled = FFile.SplitThrough();
    while (!FHits.empty()) {
        const std::int64_t Hit = FHits.front();
        while (FObject < Complete && Hit >= End(FObject)) {
            ++FObject;
            FNextStart = 0;
        }
        if (FObject >= Count) {
            // Past every object listed: a later one may hold it, or none.
            if (AllComplete || (Count == 0 && Hit + Length <= Settled))
                FHits.pop_front(); // before the first object, or after the last
            else
                return;
            continue;
        }
        const std::int64_t ObjectEnd = FObject < Complete ? End(FObject) : Settled;
        if (FObject >= Complete && Hit + Length > Settled)
            return; // decided once the split has passed its end
        const std::int64_t Start = FFile.Objects(FObject).Offset();
        // Before the first object, across its end, or inside the occurrence before: not found.
        if (Hit >= Start && Hit >= FNextStart && Hit + Length <= ObjectEnd) {
            FFound(FObject, std::int32_t(Hit - Start + 1));
            FNextStart = Hit + Length;
        }
        FHits.pop_front();
    }
}

std::int64_t TLoadSearch::End(std::int32_t Index) const
{
    const TObjectTextObject& Object = FFile.Objects(Index);
    return std::int64_t(Object.Offset()) + Object.Size();
}

}  // namespace search
