#include "ui/objecttextview.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QTextCursor>

#include <algorithm>

TObjectTextView::TObjectTextView(QWidget* Parent) : QPlainTextEdit(Parent)
{
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
    return true;
}

void TObjectTextView::ClearObjectText()
{
    FBytes.clear();
    FMap.Clear();
    clear();
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
    if (Event->type() == QEvent::FontChange)
        UpdateTabStops();
}

void TObjectTextView::UpdateTabStops()
{
    // Tab stops every eight characters, as the exports are laid out.
    setTabStopDistance(QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')) * 8);
}
