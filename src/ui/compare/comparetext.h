// The two versions of one object side by side in the compare window: lines
// aligned (a line missing on one side stands there as an empty filler line),
// changed lines tinted, the words that differ inside a replaced line marked,
// both sides scrolled together, and a step to the next or previous change.
#pragma once

#include "core/compare.h"
#include "core/linediff.h"
#include "ui/views/textviewmap.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <string_view>
#include <vector>


// How a line of one side relates to the other.
enum class TSideLine : std::uint8_t { Same, Deleted, Inserted, Replaced, Filler };

// A diff laid out as the two sides show it: both have the same number of
// lines; Hunks are the first lines of the runs of changes.
struct TSideBySide {
    struct TMark {
        std::int32_t Line;
        std::int32_t Start; // in the line's characters
        std::int32_t Length;
    };
    struct TSide {
        QString Text; // lines joined by '\n'
        std::vector<TSideLine> Lines;
        std::vector<TMark> Marks;
    };
    TSide Old, New;
    std::vector<std::int32_t> Hunks;
};
TSideBySide LayOutSideBySide(const TTextDiff& Diff, TDisplayEncoding OldEncoding, TDisplayEncoding NewEncoding);
// The same diff as one text, each change's old lines before its new ones, every
// line led by "-" (old), "+" (new) or " " (both) as a unified diff has it: all
// in Old, New left empty.
TSideBySide LayOutUnified(const TTextDiff& Diff, TDisplayEncoding OldEncoding, TDisplayEncoding NewEncoding);

// Whether two texts that differ are the same line for line once every line's
// break (CR LF, LF, or none after the last line) is left out.
bool OnlyLineBreaksDiffer(std::string_view Old, std::string_view New);
// The line breaks of a text as a user reads them: "120 CR LF, 3 LF", "none".
QString LineBreakCounts(std::string_view Text);

class TCompareText : public QWidget {
    Q_OBJECT
public:
    explicit TCompareText(QWidget* Parent = nullptr);

    // Both versions; a side that is absent is hidden.
    void ShowDiff(TTextDiff Diff, TDisplayEncoding OldEncoding, TDisplayEncoding NewEncoding, bool HasOld,
                  bool HasNew);
    void Clear();
    // Both versions in one view instead of side by side.
    void SetUnified(bool Unified);
    bool Unified() const { return FUnified; }

    // The caret of both sides to the next (previous) change after (before)
    // the caret's line; false when there is none.
    bool NextDifference();
    bool PreviousDifference();
    // The caret to the last change, if there is one.
    void LastDifference();

    // Says what the texts cannot show: that only their line breaks differ.
    QLabel& Notice() const { return *FNotice; }
    QPlainTextEdit& OldView() const { return *FOld; }
    QPlainTextEdit& NewView() const { return *FNew; }
    const TSideBySide& Layout() const { return FLayout; }
    // The line of the side last used (the caret's block).
    int CurrentLine() const;

private:
    void Lay();
    void SetText(QPlainTextEdit& View, const QString& Text);
    void Paint(QPlainTextEdit& View, const TSideBySide::TSide& Side);
    void GoToLine(int Line);
    void Follow(QPlainTextEdit& From, QPlainTextEdit& To);

    QLabel* FNotice;
    QPlainTextEdit* FOld;
    QPlainTextEdit* FNew;
    QPlainTextEdit* FLastUsed;
    TSideBySide FLayout;
    // What is shown, kept to lay it out again in the other mode.
    TTextDiff FDiff;
    TDisplayEncoding FOldEncoding = TDisplayEncoding::Latin1, FNewEncoding = TDisplayEncoding::Latin1;
    bool FHasOld = false, FHasNew = false;
    bool FUnified = false;
    bool FSyncing = false;
};
