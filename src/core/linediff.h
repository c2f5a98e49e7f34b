// Line diffs: the shortest edit script between two texts' lines, the marks of
// the words that differ inside a changed line, and the script as the hunks of
// a unified diff.
//
// The script comes from the O(NP) algorithm of Wu, Manber and Myers (Debian's
// header-only dtl), run on line numbers rather than on the lines: lines are
// numbered by their bytes first, the common head and tail are set aside, and
// so are the lines that occur nowhere in the other text (they cannot be kept),
// so the algorithm sees only what may match. Its work grows with the number of
// lines times the number of edits among those, not with the lines squared.
// Past a few million path points it keeps what it has found and starts over
// on the rest, so an unlikely pair of huge, wholly different texts still ends
// in bounded memory, with a script that may then be longer than the shortest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A text's lines, each with its LF (a CR before it stays in the line); the
// last one runs to the text's end, LF or not. An empty text has no lines.
std::vector<std::string_view> SplitLines(std::string_view Text);

// A line without its break (LF, CR LF, or a CR before the LF).
std::string_view WithoutBreak(std::string_view Line);

enum class TDiffOp : std::uint8_t { Equal, Delete, Insert };

// Count lines kept, deleted from the old lines or inserted from the new ones,
// starting at OldLine and NewLine (0-based).
struct TDiffRun {
    TDiffOp Op = TDiffOp::Equal;
    std::int32_t OldLine = 0;
    std::int32_t NewLine = 0;
    std::int32_t Count = 0;
    bool operator==(const TDiffRun& O) const
    {
        return Op == O.Op && OldLine == O.OldLine && NewLine == O.NewLine && Count == O.Count;
    }
};

// The runs in order, none empty, no two neighbours of the same kind; where
// lines are replaced the Delete run comes before the Insert run. Taking the
// Equal and Insert runs in order gives the new lines.
using TEditScript = std::vector<TDiffRun>;

// The shortest edit script from Old to New; lines are equal when their bytes are.
TEditScript DiffLines(const std::vector<std::string_view>& Old, const std::vector<std::string_view>& New);

// Lines deleted plus lines inserted.
std::int64_t EditCount(const TEditScript& Script);

// Bytes of a line: Start from the line's first byte.
struct TTextSpan {
    std::int32_t Start = 0;
    std::int32_t Length = 0;
    bool operator==(const TTextSpan& O) const { return Start == O.Start && Length == O.Length; }
};

// Where two versions of a line differ: the spans of each that a diff of their
// words leaves out of the common part, in order, apart from each other. Words
// are runs of letters, digits, "_" and bytes from 0x80; runs of spaces and tabs
// and every other byte count alone. Lines of more than MaxWords words are
// marked whole when they differ.
struct TWordMarks {
    std::vector<TTextSpan> Old;
    std::vector<TTextSpan> New;
};
constexpr std::int32_t MaxWords = 10000;
TWordMarks MarkWords(std::string_view OldLine, std::string_view NewLine);

// Appends the script's hunks in unified diff form ("@@ -1,4 +1,5 @@" and the
// lines marked " ", "-" and "+"), with Context unchanged lines around each
// change; hunks closer than twice that are joined. Unchanged lines are written
// as Old has them. A last line without LF is followed by "\ No newline at end
// of file", as diff writes it and patch reads it.
void WriteUnifiedHunks(std::string& Out, const std::vector<std::string_view>& Old,
                       const std::vector<std::string_view>& New, const TEditScript& Script, int Context = 3);
