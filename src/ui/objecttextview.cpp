#include "ui/objecttextview.h"

#include "ui/objecthighlighter.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

// The strip at the view's left that shows the line numbers; the view paints it.
class TObjectTextView::TLineNumberGutter : public QWidget {
public:
    explicit TLineNumberGutter(TObjectTextView& View) : QWidget(&View), FView(View) {}
    QSize sizeHint() const override { return {FView.GutterWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* Event) override { FView.PaintGutter(*Event); }

private:
    TObjectTextView& FView;
};

TObjectTextView::TObjectTextView(QWidget* Parent)
    : QPlainTextEdit(Parent), FGutter(new TLineNumberGutter(*this)),
      FHighlighter(new TObjectHighlighter(document(), palette()))
{
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TObjectTextView::HighlightShownBlocks);
    FGutter->setObjectName(QStringLiteral("gutLineNumbers"));
    connect(this, &QPlainTextEdit::blockCountChanged, this, &TObjectTextView::UpdateGutterWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, &TObjectTextView::UpdateGutter);
    UpdateGutterWidth();
    setReadOnly(true);
    // Read-only, but with a caret the keyboard can move and select with.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setUndoRedoEnabled(false);
    setTabChangesFocus(true);
    UpdateTabStops();
}

bool TObjectTextView::SetObjectText(std::string Bytes, TDisplayEncoding Encoding)
{
    if (Bytes == FBytes && Encoding == FEncoding && document()->characterCount() - 1 == FMap.ViewLength())
        return false;
    TViewText View = ToViewText(Bytes, Encoding);
    FEncoding = Encoding;
    FBytes = std::move(Bytes);
    FMap = std::move(View.Map);
    setPlainText(View.Text);
    emit TextReplaced();
    return true;
}

void TObjectTextView::ClearObjectText()
{
    FBytes.clear();
    FMap.Clear();
    clear();
    emit TextReplaced();
}

std::int32_t TObjectTextView::ByteSelectionStart() const
{
    return FMap.ByteFromView(textCursor().selectionStart());
}

std::int32_t TObjectTextView::ByteSelectionLength() const
{
    const QTextCursor Cursor = textCursor();
    return FMap.ByteFromView(Cursor.selectionEnd(), TTextViewMap::TRounding::Up) -
           FMap.ByteFromView(Cursor.selectionStart());
}

void TObjectTextView::SelectBytes(std::int32_t Start, std::int32_t Length)
{
    Start = std::clamp<std::int32_t>(Start, 0, FMap.ByteLength());
    const auto End = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(std::int64_t(Start) + std::max<std::int32_t>(Length, 0), 0, FMap.ByteLength()));
    QTextCursor Cursor(document());
    Cursor.setPosition(FMap.ViewFromByte(Start));
    Cursor.setPosition(FMap.ViewFromByte(End, TTextViewMap::TRounding::Up), QTextCursor::KeepAnchor);
    setTextCursor(Cursor);
    ensureCursorVisible();
}

std::string TObjectTextView::SelectedBytes() const
{
    const std::int32_t Start = ByteSelectionStart();
    return FBytes.substr(static_cast<std::size_t>(Start), static_cast<std::size_t>(ByteSelectionLength()));
}

void TObjectTextView::changeEvent(QEvent* Event)
{
    QPlainTextEdit::changeEvent(Event);
    if (Event->type() == QEvent::FontChange) {
        UpdateTabStops();
        UpdateGutterWidth();
    }
    if (Event->type() == QEvent::PaletteChange || Event->type() == QEvent::StyleChange)
        FHighlighter->SetPalette(palette());
}

void TObjectTextView::SetHighlighting(bool On)
{
    FHighlighter->SetEnabled(On);
}

void TObjectTextView::HighlightShownBlocks()
{
    const QTextBlock First = firstVisibleBlock();
    if (!First.isValid())
        return;
    // At most a screenful of lines from the first one shown.
    const int Lines = viewport()->height() / std::max(1, fontMetrics().lineSpacing()) + 1;
    FHighlighter->HighlightBlocks(First.blockNumber(), First.blockNumber() + Lines);
}

TObjectTextView::TCaretPlace TObjectTextView::CaretPlace() const
{
    const QTextCursor Caret = textCursor();
    return {Caret.blockNumber() + 1, Caret.positionInBlock() + 1};
}

// --- Line numbers ---------------------------------------------------------------------------

void TObjectTextView::SetLineNumbersShown(bool Shown)
{
    FLineNumbersShown = Shown;
    FGutter->setVisible(Shown);
    UpdateGutterWidth();
}

void TObjectTextView::SetWordWrap(bool Wrap)
{
    setLineWrapMode(Wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

int TObjectTextView::GutterWidth() const
{
    if (!FLineNumbersShown)
        return 0;
    int Digits = 1;
    for (int Lines = std::max(1, blockCount()); Lines >= 10; Lines /= 10)
        ++Digits;
    // Room for four digits at least, so that most objects keep one width.
    const QFontMetrics Metrics(font());
    return Metrics.horizontalAdvance(QLatin1Char('9')) * std::max(Digits, 4) + Metrics.averageCharWidth();
}

void TObjectTextView::UpdateGutterWidth()
{
    setViewportMargins(GutterWidth(), 0, 0, 0);
    const QRect Contents = contentsRect();
    FGutter->setGeometry(QRect(Contents.left(), Contents.top(), GutterWidth(), Contents.height()));
}

void TObjectTextView::UpdateGutter(const QRect& Rect, int ScrolledBy)
{
    if (!FLineNumbersShown)
        return;
    if (ScrolledBy)
        FGutter->scroll(0, ScrolledBy);
    else
        FGutter->update(0, Rect.y(), FGutter->width(), Rect.height());
}

void TObjectTextView::resizeEvent(QResizeEvent* Event)
{
    QPlainTextEdit::resizeEvent(Event);
    UpdateGutterWidth();
}

void TObjectTextView::PaintGutter(QPaintEvent& Event)
{
    QPainter Painter(FGutter);
    Painter.fillRect(Event.rect(), palette().color(QPalette::AlternateBase));
    Painter.setPen(palette().color(QPalette::PlaceholderText));
    Painter.setFont(font());
    const int Right = FGutter->width() - fontMetrics().averageCharWidth() / 2;
    // Only the blocks that lie in the part to paint.
    QTextBlock Block = firstVisibleBlock();
    qreal Top = blockBoundingGeometry(Block).translated(contentOffset()).top();
    while (Block.isValid() && Top <= Event.rect().bottom()) {
        const qreal Bottom = Top + blockBoundingRect(Block).height();
        if (Block.isVisible() && Bottom >= Event.rect().top())
            Painter.drawText(QRectF(0, Top, Right, fontMetrics().height()), Qt::AlignRight,
                             QString::number(Block.blockNumber() + 1));
        Block = Block.next();
        Top = Bottom;
    }
}

void TObjectTextView::UpdateTabStops()
{
    // Tab stops every eight characters, as the exports are laid out.
    setTabStopDistance(QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')) * 8);
}
