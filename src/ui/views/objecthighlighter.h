// Syntax colours for the text view: section words, property names, the cells
// of rows and, inside code only, keywords, strings, names, numbers, dates and
// comments; a report layout dimmed as one block. What each character is comes
// from the line scanner in core/objectsyntax.h; each block's user state is the
// scanner's state at its end, so the structure (brace depth, in code, in a
// comment, in a layout) carries from line to line.
//
// A 2 MB object has some 60,000 lines, far too many to highlight in one go
// whenever the view shows another object. So Qt's own pass over every changed
// block is switched off: after a change the first blocks (what the view shows
// at the top) are highlighted at once, before the view paints, and the rest,
// once the text has stayed for a moment, in slices of a few milliseconds
// whenever the event loop is idle. A view that
// scrolls far ahead of that pass asks for what it shows with HighlightBlocks.
//
// Colours are mixed from the palette's roles so that they read on light and
// dark themes alike; the view hands over its palette when that changes.
#pragma once

#include "core/objectsyntax.h"

#include <QElapsedTimer>
#include <QPalette>
#include <QPointer>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QTimer>

#include <array>
#include <vector>

class QTextDocument;

class TObjectHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    using TCategory = objectsyntax::TCategory;

    // Highlights Document for as long as both live. Made for a plain text
    // view's document (QPlainTextDocumentLayout: the rich text layout lays out
    // far more on every slice) and best while it is still empty, as a view's
    // is when it is built: on one that already holds text, Qt highlights all
    // of it once at the next idle moment.
    explicit TObjectHighlighter(QTextDocument* Document, const QPalette& Palette = QPalette());
    ~TObjectHighlighter() override;

    bool Enabled() const { return FEnabled; }
    // Off: every block goes back to plain text; on: highlighted again. Both
    // from the top at once and the rest lazily, as after a new text.
    void SetEnabled(bool Enabled);

    // Derives the colours from Palette again and recolours lazily. For the
    // view's changeEvent on QEvent::PaletteChange (and StyleChange).
    void SetPalette(const QPalette& Palette);

    // Highlights blocks First to Last (block numbers, clamped) now, ahead of
    // the idle pass, and makes them the ones redone first after a palette
    // change or a switch. For a view that jumps or scrolls far down.
    void HighlightBlocks(int First, int Last);

    // Every block carries the formats it should (plain ones when off).
    bool IsComplete() const;

    // The format a category is drawn with; plain text has none.
    QTextCharFormat Format(TCategory Category) const { return FFormats[std::size_t(Category)]; }
    // The category a format of this highlighter stands for (Plain for others).
    static TCategory CategoryOf(const QTextFormat& Format);

    // Blocks highlighted at once after a change: a tall view's first screen.
    static constexpr int EagerBlocks = 200;

signals:
    // The idle pass has reached the end of the document.
    void Completed();

protected:
    void highlightBlock(const QString& Text) override;

private:
    void DocumentChange(int From, int Removed, int Added);
    void DocumentChanged();
    void Restart(int Delay);
    void Slice();
    bool Next(int MaxMilliseconds);
    void ScanStatesUpTo(int Block);
    void FormatBlocks(int First, int Last);
    void BuildFormats(const QPalette& Palette);

    QPointer<QTextDocument> FDocument;
    std::array<QTextCharFormat, objectsyntax::CategoryCount> FFormats;
    bool FEnabled = true;

    // Per block: formatted as it should be now.
    std::vector<bool> FDone;
    int FNext = 0;          // the idle pass's next block
    int FStatesKnown = 0;   // blocks below this carry their right end state
    int FChangedFrom = -1;  // the first block a pending document change touched
    int FFocusFirst = 0, FFocusLast = EagerBlocks - 1;  // what the view shows, as far as is known

    // While FormatBlocks runs: the block whose end state is held back (so that
    // Qt's pass, which goes on while states change, stops there) and that state.
    bool FFormatting = false;
    int FStopAt = -1;
    objectsyntax::TState FStopState = objectsyntax::StartState;

    QTimer FTimer;
    std::vector<objectsyntax::TSpan> FSpans;
};
