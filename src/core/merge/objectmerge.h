// The three-way merge of one object's three versions by its structure (see
// objectparts.h): two sides' edits meet only where they touch the same
// section, entry, element, variable or procedure, and only such a part
// changed on both sides is merged by its lines. OBJECT-PROPERTIES follows
// rules of its own: Date and Time of the later side, Modified Yes when either
// side says so, Version List as the policy says. An object whose layout is
// not understood is merged by its lines as a whole; nothing is ever dropped.
#pragma once

#include "core/codepages.h"
#include "core/merge/linemerge.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace merge {

enum class TVersionListPolicy : std::uint8_t {
    Union, // THEIRS' tags replace BASE's of the same product prefix, OURS' own kept
    Ours,
    Theirs
};

struct TMergeOptions {
    bool Strict = false; // line breaks, Date, Time and Modified count as changes
    TVersionListPolicy VersionList = TVersionListPolicy::Union;
    TMarkerStyle Markers;
};

// A Version List merged as comma-separated tags: under Union the tags of
// OURS in their order, a BASE tag replaced by THEIRS' tag of the same product
// prefix (the letters before the first digit) or dropped when THEIRS dropped
// it, then THEIRS' new tags.
std::string MergeVersionList(std::string_view Base, std::string_view Ours, std::string_view Theirs,
                             TVersionListPolicy Policy);

// The merge of an object's texts, written in OURS' line breaks (THEIRS' when
// OURS has none); an absent version is nullopt. Structured tells whether the
// object was merged by its parts or, not understood, by its lines.
struct TObjectMergeResult {
    TMergedText Merged;
    bool Structured = false;
};
TObjectMergeResult MergeObjectTexts(std::optional<std::string_view> Base, std::string_view Ours,
                                    std::string_view Theirs, const TMergeOptions& Options = {});

// The code pages of an object's versions (nullopt: plain ASCII), and the one
// its merge is written in.
struct TObjectEncodings {
    std::optional<codepages::TEncoding> Base, Ours, Theirs;
    codepages::TEncoding Target = codepages::TEncoding::Latin1;
};

// MergeObjectTexts for versions written in different code pages: each read
// as text, merged, and the merge written in Target. A line Target cannot
// write a character of is a conflict with OURS' side empty and the line on
// THEIRS' (such characters written as '?'), for a look.
TObjectMergeResult MergeEncodedTexts(std::optional<std::string_view> Base, std::string_view Ours,
                                     std::string_view Theirs, const TObjectEncodings& Encodings,
                                     const TMergeOptions& Options = {});

} // namespace merge
