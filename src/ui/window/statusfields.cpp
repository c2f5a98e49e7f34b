#include "ui/window/statusfields.h"

#include "ui/views/objecttextview.h"

#include <QEvent>
#include <QLabel>
#include <QStatusBar>

namespace {

QLabel* AddField(QStatusBar& Bar, const char* Name, bool Permanent)
{
    auto* Field = new QLabel(&Bar);
    Field->setObjectName(QString::fromLatin1(Name));
    if (Permanent)
        Bar.addPermanentWidget(Field);
    else
        Bar.addWidget(Field, 1);
    return Field;
}

}  // namespace

TStatusFields::TStatusFields(QWidget& Window, QStatusBar& Bar, const TObjectTextView& Text)
    : QObject(&Bar),
      FWindow(Window),
      FText(Text),
      FStatus(AddField(Bar, "stbMainText", false)),
      FCaret(AddField(Bar, "stbCaret", true)),
      FEncoding(AddField(Bar, "stbEncoding", true))
{
    connect(&FText, &QPlainTextEdit::cursorPositionChanged, this, &TStatusFields::UpdateCaret);
    FWindow.installEventFilter(this);
}

bool TStatusFields::eventFilter(QObject* Watched, QEvent* Event)
{
    // The status bar holds one text, which a menu item's tip would replace.
    if (Watched == &FWindow && Event->type() == QEvent::StatusTip)
        return true;
    return QObject::eventFilter(Watched, Event);
}

QString TStatusFields::Text() const
{
    return FStatus->text();
}

void TStatusFields::SetText(const QString& Text)
{
    FStatus->setText(Text);
}

void TStatusFields::SetTextNow(const QString& Text)
{
    FStatus->setText(Text);
    FStatus->repaint();
}

void TStatusFields::SetEncoding(const QString& Caption)
{
    FEncoding->setText(Caption);
}

void TStatusFields::UpdateCaret()
{
    if (FText.isHidden() || FText.ObjectText().empty()) {
        FCaret->clear();
        return;
    }
    const TObjectTextView::TCaretPlace Caret = FText.CaretPlace();
    FCaret->setText(tr("Ln %1, Col %2").arg(Caret.Line).arg(Caret.Column));
}
