#include "ui/find/findflow.h"

#include "core/search/findtext.h"
#include "ui/common/errorbox.h"
#include "ui/find/finddialog.h"
#include "ui/find/findnext.h"
#include "ui/views/objecttextview.h"

#include <QAction>
#include <QScreen>
#include <QTextCursor>

TFindFlow::TFindFlow(QWidget& Window, TObjectTextFile& File, TFindView& Views, const TObjectTextView& Text,
                     TEncodingChoice& Encodings)
    : QObject(&Window), FFile(File), FViews(Views), FText(Text), FEncodings(Encodings),
      FDialog(new TFindDialog(&Window)), FFindNextAction(new QAction(tr("Find &Next"), this)),
      FFindPreviousAction(new QAction(tr("Find &Previous"), this))
{
    FFindNextAction->setObjectName(QStringLiteral("actEditFindNext"));
    FFindNextAction->setShortcut(QKeySequence(Qt::Key_F3));
    FFindPreviousAction->setObjectName(QStringLiteral("actEditFindPrevious"));
    FFindPreviousAction->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3));

    connect(FDialog, &TFindDialog::Find, this, [this, &Window] { gui::RunGuarded(&Window, [this] { FindNext(); }); });
}

void TFindFlow::ShowDialog()
{
    FDialog->Execute();
}

void TFindFlow::FindNext()
{
    if (FindNextInViews(FFile, FViews, TFindText::OfUnicode(FindText(), MatchCase()), FEncodings))
        KeepDialogClearOfSelection();
}

void TFindFlow::FindPrevious()
{
    if (FindPreviousInViews(FFile, FViews, TFindText::OfUnicode(FindText(), MatchCase()), FEncodings))
        KeepDialogClearOfSelection();
}

void TFindFlow::FindAgain(bool Forward)
{
    if (FDialog->FindText().isEmpty())
        ShowDialog();
    else if (Forward)
        FindNext();
    else
        FindPrevious();
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
    // A stored text that was read as Latin-1 goes back as it came while unchanged.
    const QString Text = FDialog->FindText();
    return Text == FStoredAsShown ? FStoredBytes : Text.toStdString();
}

void TFindFlow::SetFindText(const std::string& Text)
{
    const bool Utf8 = codepages::EncodeUtf8(Text, codepages::TEncoding::Utf8).has_value();
    FDialog->SetFindText(LabelFromBytes(Text, Utf8 ? TDisplayEncoding::Utf8 : TDisplayEncoding::Latin1));
    // The dialog keeps at most its maximum length.
    FStoredAsShown = FDialog->FindText();
    FStoredBytes = Utf8 ? FStoredAsShown.toStdString() : Text.substr(0, std::size_t(FStoredAsShown.size()));
}

bool TFindFlow::MatchCase() const
{
    return FDialog->MatchCase();
}

void TFindFlow::SetMatchCase(bool MatchCase)
{
    FDialog->SetMatchCase(MatchCase);
}
