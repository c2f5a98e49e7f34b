// The read-only text view of one object's text.
//
// It keeps the bytes it shows next to the document, so that a text equal to
// the one shown can leave caret, selection and scrolling alone, and so that
// positions can be translated between the object's bytes and the document.
#pragma once

#include "ui/views/textviewmap.h"

#include <QPlainTextEdit>

class TObjectHighlighter;

#include <cstdint>
#include <string>

class TObjectTextView : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TObjectTextView(QWidget* Parent = nullptr);

    // Shows Bytes, decoded as Encoding. A text equal to the one shown, in the
    // same encoding, changes nothing and returns false; in another encoding it
    // keeps the caret, the selection and the scrolling; any other text
    // replaces it with the caret at the start, nothing selected, scrolled to
    // the top.
    bool SetObjectText(std::string Bytes, TDisplayEncoding Encoding = TDisplayEncoding::Latin1);
    void ClearObjectText();

    const std::string& ObjectText() const { return FBytes; }
    const TTextViewMap& Map() const { return FMap; }
    TDisplayEncoding Encoding() const { return FEncoding; }

    // The selection in byte offsets of the object's text; the length is 0 when
    // nothing is selected and the start is then the caret.
    std::int32_t ByteSelectionStart() const;
    std::int32_t ByteSelectionLength() const;
    // Selects Length bytes from Start and scrolls the caret into view, away
    // from the top and bottom edges.
    void SelectBytes(std::int32_t Start, std::int32_t Length);
    // The caret at the start of line Line (from 1; clamped to the lines
    // there are), scrolled into view as SelectBytes does.
    void GoToLine(int Line);
    // The selected bytes, line breaks as they stand in the file.
    std::string SelectedBytes() const;

    // The numbers of the file's lines in a gutter at the left.
    void SetLineNumbersShown(bool Shown);
    bool LineNumbersShown() const { return FLineNumbersShown; }
    // Long lines wrap at the view's edge (else the view scrolls sideways).
    void SetWordWrap(bool Wrap);
    bool WordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }
    // Syntax colours (on from the start).
    void SetHighlighting(bool On);

    // The caret's line (a line of the file) and column, both from 1.
    struct TCaretPlace {
        int Line;
        int Column;
    };
    TCaretPlace CaretPlace() const;

    // The line-number gutter's colours, taken from the palette so that the
    // numbers read on light and dark palettes alike.
    struct TGutterColors {
        QColor Background;
        QColor Numbers;
    };
    TGutterColors GutterColors() const;

signals:
    // Another text is shown (or none).
    void TextReplaced();

protected:
    void changeEvent(QEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    class TLineNumberGutter;

    void ShowCaretAwayFromEdges();
    void UpdateTabStops();
    int GutterWidth() const;
    void UpdateGutterWidth();
    void UpdateGutter(const QRect& Rect, int ScrolledBy);
    void PaintGutter(QPaintEvent& Event);
    // What is in view is coloured first, however far it lies ahead of the idle pass.
    void HighlightShownBlocks();

    std::string FBytes;
    TTextViewMap FMap;
    TDisplayEncoding FEncoding = TDisplayEncoding::Latin1;
    TLineNumberGutter* FGutter = nullptr;
    TObjectHighlighter* FHighlighter = nullptr;
    bool FLineNumbersShown = true;
};
