#include "ui/window/statusfields.h"

#include "core/objectfolder.h"
#include "core/quibfile.h"
#include "ui/views/objecttextview.h"
#include "ui/views/shownobjects.h"

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

void TStatusFields::ShowObjectCount(const TObjectTextFile& File, const TShownObjects& Shown, const QString& Note)
{
    if (File.LooksLikeUtf16()) {
        SetText(tr("0 object(s): the file looks like UTF-16 text, in which no object is found"));
        return;
    }
    QString Count = Shown.All() ? tr("%1 object(s)").arg(File.Count())
                                : tr("%1 of %2 object(s)").arg(Shown.Count()).arg(File.Count());
    // Counted as the objects are; the files passed over only when there are any.
    if (const TObjectFolder* Folder = File.Folder()) {
        Count += tr(" in %1 file(s)").arg(qlonglong(Folder->Files().size()));
        if (Folder->PassedOver() > 0)
            Count += tr("; %1 other file(s) passed over").arg(Folder->PassedOver());
    }
    SetText(Count + Note);
}

void TStatusFields::ShowProgress(int Percent)
{
    SetText(tr("Processing File... %1% done").arg(Percent));
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
