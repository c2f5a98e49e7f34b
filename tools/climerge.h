// orvanta-cli merge: the three-way merge of exports by their structure
// (core/merge/filemerge.h), written as one export or as one file per object.
#pragma once

#include "core/merge/objectmerge.h"

#include <string>

namespace cli {

struct TMergeCommand {
    std::string Output;    // the merged export's file; standard output when empty
    std::string SplitInto; // a folder for one file per object instead
    bool Report = false;   // a line for every object merged, not only the conflicts
    bool Detect = true;    // each object's code page detected (see TFileMerger::SetEncodings)
    merge::TMergeOptions Options;
};

// Writes the merge and one tab-separated line per object that needs a look
// (CONFLICT, kind, number, name, conflicts), with Report also MERGED, OURS,
// THEIRS, ADDED and DELETED lines, on standard output, or on standard error
// when the export goes there. 0 when the merge is clean, 1 when it has
// conflicts (written with markers). Raises on failure, leaving nothing at
// the output (an output that is one of the inputs is refused).
int Merge(const std::string& BaseName, const std::string& OursName, const std::string& TheirsName,
          TMergeCommand Command);

} // namespace cli
