// Comparing two object text files object by object: which objects were
// added, deleted, changed or left as they were, and the line diff of one
// object's two versions.
//
// Objects are paired by kind and number; where a kind and number occur more
// than once in a file, the n-th occurrence in one file goes with the n-th in
// the other. Unless the comparison is strict, two texts are the same when
// they differ only in the values of Date, Time and Modified in the
// OBJECT-PROPERTIES block (see core/objectproperties.h) and in their line
// breaks (CR LF against LF): both are what exporting the same object twice,
// or on another system, changes.
//
// Texts are read from the held files one pair at a time, so a comparison
// never holds more than two objects' texts. It reads through the files'
// streams: a worker that runs it must be the only user of both models while
// it runs (the compare view loads its own).
#pragma once

#include "core/linediff.h"
#include "core/quibfile.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct TCompareOptions {
    bool Strict = false; // every byte counts
};

enum class TCompareStatus : std::uint8_t {
    Pending, // a pair not compared yet
    Identical,
    Changed,
    Added,  // only in the new file
    Deleted // only in the old file
};

// One row of a comparison. An index is -1 where the object is missing.
struct TCompareEntry {
    TObjectType ObjectType = otUnknown;
    std::int32_t ID = 0;
    std::int32_t OldIndex = -1;
    std::int32_t NewIndex = -1;
    TCompareStatus Status = TCompareStatus::Pending;
};

// The objects of both files paired, in the order of kind (as TObjectType
// lists them, otUnknown last, those by their kind word as written), number
// and occurrence; pairs Pending, the others Added or Deleted.
std::vector<TCompareEntry> MatchObjects(const TObjectTextFile& Old, const TObjectTextFile& New);

// Whether two texts differ under the options; keeps its buffers between calls.
class TTextComparer {
public:
    explicit TTextComparer(const TCompareOptions& Options = {}) : FOptions(Options) {}

    bool Differ(std::string_view Old, std::string_view New);
    // The texts read from their files. Equal sizes and bytes are the same in
    // either mode; a strict comparison of different sizes reads nothing.
    bool Differ(const TObjectTextObject& Old, const TObjectTextObject& New);

private:
    TCompareOptions FOptions;
    std::string FOldText, FNewText; // the last pair read
};

// Called after each pair with the pairs done and their number; false stops
// the comparison, the pairs left stay Pending.
using TCompareProgress = std::function<bool(std::int32_t Done, std::int32_t Total)>;

// MatchObjects, then every pair compared, in the old file's order.
std::vector<TCompareEntry> CompareFiles(const TObjectTextFile& Old, const TObjectTextFile& New,
                                        const TCompareOptions& Options = {}, const TCompareProgress& Progress = {});

// The line diff of two versions of a text; an absent object is an empty text.
// Lines are compared as the options say, so that lines which differ only in
// what the comparison leaves out are kept, not changed.
class TTextDiff {
public:
    TTextDiff() = default;
    TTextDiff(std::string OldText, std::string NewText, const TCompareOptions& Options = {});

    const std::string& OldText() const { return FOldText; }
    const std::string& NewText() const { return FNewText; }
    std::int32_t OldLineCount() const { return std::int32_t(FOldStarts.size()) - 1; }
    std::int32_t NewLineCount() const { return std::int32_t(FNewStarts.size()) - 1; }
    // A line with its break (see SplitLines).
    std::string_view OldLine(std::int32_t Index) const;
    std::string_view NewLine(std::int32_t Index) const;
    const TEditScript& Script() const { return FScript; }
    bool Differs() const { return EditCount(FScript) > 0; }

    // The words that differ between an old and a new line, their breaks left
    // out. A view pairs the lines of a Delete run with those of the Insert run
    // after it, first with first.
    TWordMarks WordMarks(std::int32_t OldIndex, std::int32_t NewIndex) const;
    // The hunks of the script (see WriteUnifiedHunks).
    void WriteUnified(std::string& Out, int Context = 3) const;

private:
    std::string FOldText, FNewText;
    std::vector<std::int32_t> FOldStarts{0}, FNewStarts{0}; // where each line starts, then the end
    TEditScript FScript;
};

// The two objects' texts read and diffed; either may be null.
TTextDiff DiffObjects(const TObjectTextObject* Old, const TObjectTextObject* New, const TCompareOptions& Options = {});

// An entry's objects as one file's part of a unified diff: "--- a/NAME" and
// "+++ b/NAME" with the export name, then the hunks; nothing for an entry that
// has none. A missing side carries the time stamp 1970-01-01 00:00:00, which
// tells patch to create or remove the file.
void WriteUnifiedDiff(std::string& Out, const TObjectTextFile& Old, const TObjectTextFile& New,
                      const TCompareEntry& Entry, const TCompareOptions& Options = {});
