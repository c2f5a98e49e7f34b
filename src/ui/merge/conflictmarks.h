// The conflicts of a merged text as its markers show them, for a view in
// which the user resolves them or edits the text freely: the markers are
// read again from whatever the text has become.
#pragma once

#include "core/merge/linemerge.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

struct TConflictMarks {
    int Start = 0; // the "<<<<<<<" line's first character
    int End = 0;   // after the ">>>>>>>" line and its line break
    QString Ours, Base, Theirs; // each side's lines, each ended by '\n'
    bool HasBase = false;       // a "|||||||" section was there
};

// The conflicts in Text (lines ended by '\n'), in order. A "<<<<<<<" line
// without its "=======" and ">>>>>>>" lines is no conflict.
std::vector<TConflictMarks> FindConflictMarks(const QString& Text);

// Text (bytes whose markers are ASCII) with every conflict's "|||||||"
// section left out, as conflicts read without the base.
std::string WithoutBaseSections(std::string_view Text);

// What a conflict becomes when resolved as Choice; Base without a base
// section is the empty text.
QString ResolvedText(const TConflictMarks& Conflict, merge::TResolution Choice);
