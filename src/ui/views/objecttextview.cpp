#include "ui/views/objecttextview.h"

#include "ui/views/objecthighlighter.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>

#include <algorithm>

namespace {

QColor Blend(const QColor& From, const QColor& To, qreal Share)
{
    const auto Mix = [Share](qreal A, qreal B) { return A + (B - A) * Share; };
    return QColor::fromRgbF(float(Mix(From.redF(), To.redF())), float(Mix(From.greenF(), To.greenF())),
                            float(Mix(From.blueF(), To.blueF())));
}

}  // namespace

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
    // The same bytes read in another encoding: the reader keeps their place.
    const bool SameBytes = Bytes == FBytes && !FBytes.empty();
    const QTextCursor Cursor = textCursor();
    const std::int32_t Anchor = FMap.ByteFromView(Cursor.anchor());
    const std::int32_t Position = FMap.ByteFromView(Cursor.position());
    const int Top = verticalScrollBar()->value();
    const int Left = horizontalScrollBar()->value();
    TViewText View = ToViewText(Bytes, Encoding);
    FEncoding = Encoding;
    FBytes = std::move(Bytes);
    FMap = std::move(View.Map);
    setPlainText(View.Text);
    if (SameBytes) {
        QTextCursor Kept(document());
        Kept.setPosition(FMap.ViewFromByte(Anchor));
        Kept.setPosition(FMap.ViewFromByte(Position), QTextCursor::KeepAnchor);
        setTextCursor(Kept);
        verticalScrollBar()->setValue(Top);
        horizontalScrollBar()->setValue(Left);
    }
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
    ShowCaretAwayFromEdges();
}

void TObjectTextView::GoToLine(int Line)
{
    const QTextBlock Block = document()->findBlockByNumber(std::clamp(Line, 1, blockCount()) - 1);
    setTextCursor(QTextCursor(Block));
    ShowCaretAwayFromEdges();
}

void TObjectTextView::ShowCaretAwayFromEdges()
{
    // A caret out of view, or within a few lines of the top or bottom, is
    // hard to find: it is centred, as editors do. One well in view stays.
    const int Margin = std::min(3 * fontMetrics().lineSpacing(), viewport()->height() / 4);
    const QRect Caret = cursorRect();
    if (Caret.top() < Margin || Caret.bottom() > viewport()->height() - Margin)
        centerCursor();
    // Sideways too, when lines do not wrap.
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
    const TGutterColors Colors = GutterColors();
    QPainter Painter(FGutter);
    Painter.fillRect(Event.rect(), Colors.Background);
    Painter.setPen(Colors.Numbers);
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

TObjectTextView::TGutterColors TObjectTextView::GutterColors() const
{
    // From the colours every palette sets: AlternateBase and PlaceholderText
    // often keep their light defaults under a dark palette.
    const QPalette& Colors = palette();
    const QColor Background = Blend(Colors.color(QPalette::Base), Colors.color(QPalette::Window), 0.5);
    return {Background, Blend(Colors.color(QPalette::Text), Background, 0.45)};
}

void TObjectTextView::UpdateTabStops()
{
    // Tab stops every eight characters, as the exports are laid out.
    setTabStopDistance(QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')) * 8);
}
