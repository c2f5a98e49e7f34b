// A search that shares the load's one pass over the file: the companion's
// find for a text that reads the same in every encoding. It looks at each
// piece of the file as the load reads it, and tells of each occurrence as
// soon as the split has passed its end, exactly as successive Find Next
// presses would find them: inside one object's text, each search starting
// right after the occurrence before. What it keeps waiting is bounded by the
// occurrences in a load window or two, however long the object.
#pragma once

#include "core/search/findtext.h"
#include "core/quibfile.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace search {

class TLoadSearch {
public:
    // Found(ObjectIndex, Position) with Position 1-based in the object's text.
    using TFound = std::function<void(std::int32_t ObjectIndex, std::int32_t Position)>;

    // Needle must be one that any encoding reads alike; it and File outlive the search.
    TLoadSearch(const TNeedle& Needle, const TObjectTextFile& File, TFound Found);

    // The load's read observer (TObjectTextFile::SetOnRead).
    void Read(const char* Bytes, std::int64_t Position, std::int64_t Length);
    // After the load: the occurrences in the last object.
    void Finish() { Report(true); }

private:
    void Take(const char* Bytes, std::size_t Size, std::int64_t Position, std::size_t Before);
    // The occurrences in objects that are complete (all of them when AllComplete).
    void Report(bool AllComplete);
    std::int64_t End(std::int32_t Index) const;

    const TNeedle& FNeedle;
    const TObjectTextFile& FFile;
    TFound FFound;
    std::string FCarry;             // the last bytes read, where an occurrence may begin
    std::string FJoin;              // the carry and the next piece's first bytes
    std::deque<std::int64_t> FHits; // file positions, in order, not yet reported
    std::int32_t FObject = 0;       // the object the next hit is looked for in
    std::int64_t FNextStart = 0;    // where the search in it goes on
};

}  // namespace search
