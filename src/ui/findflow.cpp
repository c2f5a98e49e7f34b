#include "ui/findflow.h"

#include "ui/errorbox.h"
#include "ui/finddialog.h"
#include "ui/findnext.h"
#include "ui/objecttextview.h"

#include <QScreen>
#include <QTextCursor>

namespace {

// The find text as the file's bytes, in the encoding the text view shows.
// A character that encoding cannot hold goes as its Latin-1 byte, as every
// character did before the views knew code pages.
std::string BytesOf(const QString& Text, TDisplayEncoding Encoding)
{
    if (Encoding == TDisplayEncoding::Utf8)
        return Text.toUtf8().toStdString();
    if (Encoding != TDisplayEncoding::Latin1)
        if (std::optional<std::string> Encoded = codepages::EncodeUtf8(Text.toUtf8().toStdString(), Encoding))
            return *Encoded;
    return Text.toLatin1().toStdString();
}

}  // namespace

TFindFlow::TFindFlow(QWidget& Window, TObjectTextFile& File, TFindView& Views, const TObjectTextView& Text)
    : QObject(&Window), FFile(File), FViews(Views), FText(Text), FDialog(new TFindDialog(&Window))
{
    connect(FDialog, &TFindDialog::Find, this, [this, &Window] { gui::RunGuarded(&Window, [this] { FindNext(); }); });
}

void TFindFlow::ShowDialog()
{
    FDialog->Execute();
}

void TFindFlow::FindNext()
{
    if (FindNextInViews(FFile, FViews, FindText(), MatchCase()))
        KeepDialogClearOfSelection();
}

void TFindFlow::KeepDialogClearOfSelection()
{
    // The occurrence just selected, on screen.
    QTextCursor Start = FText.textCursor();
    QTextCursor End = Start;
    Start.setPosition(Start.selectionStart());
    End.setPosition(End.selectionEnd());
    const QWidget* Viewport = FText.viewport();
    const QRect Selection(Viewport->mapToGlobal(FText.cursorRect(Start).topLeft()),
                          Viewport->mapToGlobal(FText.cursorRect(End).bottomRight()));
    const QRect Dialog = FDialog->frameGeometry();
    if (!Dialog.intersects(Selection))
        return;
    // Above the occurrence when there is room for it there, else below it.
    constexpr int Gap = 8;
    const QScreen* Screen = FDialog->screen();
    const int ScreenTop = Screen ? Screen->availableGeometry().top() : 0;
    const int Above = Selection.top() - Gap - Dialog.height();
    FDialog->move(Dialog.left(), Above >= ScreenTop ? Above : Selection.bottom() + Gap);
}

std::string TFindFlow::FindText() const
{
    return BytesOf(FDialog->FindText(), FText.Encoding());
}

void TFindFlow::SetFindText(const std::string& Text)
{
    // The dialog keeps at most its maximum length.
    FDialog->SetFindText(LabelFromBytes(Text, FText.Encoding()));
}

bool TFindFlow::MatchCase() const
{
    return FDialog->MatchCase();
}

void TFindFlow::SetMatchCase(bool MatchCase)
{
    FDialog->SetMatchCase(MatchCase);
}
