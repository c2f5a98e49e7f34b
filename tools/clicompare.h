// orvanta-cli compare: which objects differ between two files, or a unified
// diff of them that patch applies to the objects export writes.
#pragma once

#include <string>

namespace cli {

struct TCompareCommand {
    bool Strict = false;  // every byte counts (else Date, Time, Modified and line breaks do not)
    bool All = false;     // the identical objects listed too
    bool Unified = false; // a unified diff instead of the list
};

// One line per object that differs (with All, per object): status (added,
// deleted, changed, identical), kind, number and name (as list escapes it), in
// the order of kind and number; or with Unified the diff of every object that
// differs, labelled a/ and b/ with its export name. 0 when nothing differs, 1
// when something does, as diff does.
int Compare(const std::string& OldName, const std::string& NewName, const TCompareCommand& Options);

} // namespace cli
