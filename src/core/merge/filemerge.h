// The three-way merge of object text files: BASE (the update the customer's
// objects were built on), OURS (BASE with the customer's changes) and THEIRS
// (the new update), object by object.
//
// Objects are paired by kind (the kind word as written, for unknown kinds)
// and number, the n-th occurrence with the n-th. Whether a side changed an
// object follows the compare's rules (core/compare.h). An object changed on
// one side only is that side's text byte for byte; changed on both, it is
// merged by its structure (objectmerge.h).
//
// Texts are read from the held files one triple at a time, so a merge holds
// no more than three objects' texts and what it writes of one. It reads
// through the files' streams: a worker that runs it must be the only user of
// the three models while it runs.
#pragma once

#include "core/compare.h"
#include "core/fileencodings.h"
#include "core/merge/objectmerge.h"
#include "core/quibfile.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace merge {

enum class TMergeStatus : std::uint8_t {
    Pending,   // not merged yet
    Unchanged, // the same on all sides (or changed alike)
    Ours,      // changed in OURS only: OURS' text
    Theirs,    // changed in THEIRS only: THEIRS' text
    Merged,    // changed on both sides, merged without conflict
    Added,     // added on one side, or alike on both
    Deleted,   // deleted on one side, not changed on the other: left out
    Conflict   // see Conflicts; deleted on one side and changed on the other, the
               // changed text without markers: Conflicts 1, and the side that
               // deleted it without the object (its index -1, BaseIndex set)
};

// One object of the merge; an index is -1 where that file lacks it.
struct TMergeEntry {
    TObjectType ObjectType = otUnknown;
    std::int32_t ID = 0;
    std::int32_t BaseIndex = -1;
    std::int32_t OursIndex = -1;
    std::int32_t TheirsIndex = -1;
    TMergeStatus Status = TMergeStatus::Pending;
    std::int32_t Conflicts = 0; // conflict regions; 1 for deleted against changed
    bool Structured = false;    // merged by its parts, not as lines (both sides changed)
};

// The objects of the three files paired, in the order of the merged file:
// THEIRS' order, with objects THEIRS lacks at their place in kind and number
// order. All Pending.
std::vector<TMergeEntry> MatchThree(const TObjectTextFile& Base, const TObjectTextFile& Ours,
                                    const TObjectTextFile& Theirs);

// Merges entries one at a time, reusing its buffers.
class TFileMerger {
public:
    TFileMerger(const TObjectTextFile& Base, const TObjectTextFile& Ours, const TObjectTextFile& Theirs,
                const TMergeOptions& Options = {});

    // Sets the entry's Status, Conflicts and Structured, and returns its
    // merged text (empty for a Deleted one), valid until the next call. A
    // conflict of deletion against change keeps the changed text unmarked.
    // Raises EReadError as reading an object does.
    std::string_view Merge(TMergeEntry& Entry);
    // The code pages of each file's objects (DetectFileEncodings). With them,
    // an object changed on both sides whose versions are in different code
    // pages is merged as text and written in OURS' (MergeEncodedTexts); OURS'
    // plain ASCII one in OURS' file's code page. Without (the default), and
    // for every other object, bytes are merged as they are.
    void SetEncodings(std::shared_ptr<const TFileEncodings> Base, std::shared_ptr<const TFileEncodings> Ours,
                      std::shared_ptr<const TFileEncodings> Theirs);
    // The entry's merged text with its conflicts, for one to resolve; its
    // status as Merge sets it.
    TMergedText MergedText(TMergeEntry& Entry);
    // The entry's object in BASE, OURS or THEIRS; null where that file lacks it.
    const TObjectTextObject* BaseObject(const TMergeEntry& Entry) const;
    const TObjectTextObject* OursObject(const TMergeEntry& Entry) const;
    const TObjectTextObject* TheirsObject(const TMergeEntry& Entry) const;
    const TObjectTextFile& OursFile() const { return FOurs; }

private:
    const TObjectTextFile& FBase;
    const TObjectTextFile& FOurs;
    const TObjectTextFile& FTheirs;
    TMergeOptions FOptions;
    std::string FBaseText, FOursText, FTheirsText;
    TMergedText FMerged;
    TTextComparer FComparer;
    std::shared_ptr<const TFileEncodings> FBaseEncodings, FOursEncodings, FTheirsEncodings;

    // The code pages of the entry's versions when they differ.
    std::optional<TObjectEncodings> EncodingsOf(const TMergeEntry& Entry) const;
};

// Called after each entry with the entries done and their number; false stops.
using TMergeProgress = std::function<bool(std::int32_t Done, std::int32_t Total)>;
// Receives each entry merged, in order, with its text (see TFileMerger::Merge).
using TMergeSink = std::function<void(const TMergeEntry& Entry, std::string_view Text)>;

// MatchThree, then every entry merged and handed to Sink in order.
std::vector<TMergeEntry> MergeFiles(const TObjectTextFile& Base, const TObjectTextFile& Ours,
                                    const TObjectTextFile& Theirs, const TMergeOptions& Options,
                                    const TMergeSink& Sink, const TMergeProgress& Progress = {});

} // namespace merge
