#include "ui/views/outlinebar.h"

#include "ui/views/objecttextview.h"

#include <QAction>
#include <QBoxLayout>
#include <QEvent>
#include <QSignalBlocker>
#include <QTextBlock>

namespace {

QString KindCaption(TOutlineKind Kind)
{
    switch (Kind) {
    case TOutlineKind::Field: return TOutlineBar::tr("Field");
    case TOutlineKind::Key: return TOutlineBar::tr("Key");
    case TOutlineKind::Trigger: return TOutlineBar::tr("Trigger");
    case TOutlineKind::Procedure: return TOutlineBar::tr("Procedure");
    case TOutlineKind::DataItem: return TOutlineBar::tr("Data item");
    case TOutlineKind::Control: return TOutlineBar::tr("Control");
    case TOutlineKind::Element: return TOutlineBar::tr("Element");
    }
    return {};
}

}  // namespace

TOutlineBar::TOutlineBar(TObjectTextView& Text)
    : QComboBox(Text.parentWidget()), FText(Text), FOpenAction(new QAction(tr("&Outline"), this))
{
    setObjectName(QStringLiteral("cbxOutline"));
    FOpenAction->setObjectName(QStringLiteral("actViewOutline"));
    FOpenAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    // Tab and a click focus it; a wheel passing over it must not.
    setFocusPolicy(Qt::StrongFocus);
    // Nothing to pick until an object with parts is shown.
    setEnabled(false);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(20);
    setMaxVisibleItems(30);
    // Shown while the caret is above the first part.
    setPlaceholderText(tr("Fields, keys, triggers, procedures..."));
    if (auto* Layout = qobject_cast<QBoxLayout*>(Text.parentWidget() ? Text.parentWidget()->layout() : nullptr))
        Layout->insertWidget(Layout->indexOf(&Text), this);
    setVisible(Text.isVisibleTo(Text.parentWidget()));
    Text.installEventFilter(this);
    connect(&Text, &TObjectTextView::TextReplaced, this, &TOutlineBar::Rebuild);
    connect(&Text, &QPlainTextEdit::cursorPositionChanged, this, &TOutlineBar::FollowCaret);
    connect(this, &QComboBox::activated, this, &TOutlineBar::GoTo);
}

bool TOutlineBar::eventFilter(QObject* Watched, QEvent* Event)
{
    // Shown and hidden with the text view.
    if (Watched == &FText && (Event->type() == QEvent::ShowToParent || Event->type() == QEvent::HideToParent))
        setVisible(Event->type() == QEvent::ShowToParent);
    return QComboBox::eventFilter(Watched, Event);
}

void TOutlineBar::Rebuild()
{
    const QSignalBlocker Quiet(this);
    clear();
    FOutline = TObjectOutline(FText.ObjectText());
    QStringList Captions;
    Captions.reserve(qsizetype(FOutline.Entries().size()));
    for (const TOutlineEntry& Entry : FOutline.Entries())
        Captions << KindCaption(Entry.Kind) + QLatin1Char(' ') + LabelFromBytes(Entry.Caption, FText.Encoding());
    addItems(Captions);
    setEnabled(!Captions.isEmpty());
    FollowCaret();
}

void TOutlineBar::GoTo(int Index)
{
    if (Index < 0 || std::size_t(Index) >= FOutline.Entries().size())
        return;
    const QTextBlock Block = FText.document()->findBlockByNumber(FOutline.Entries()[std::size_t(Index)].Line);
    if (!Block.isValid())
        return;
    emit Jumping();
    FText.setTextCursor(QTextCursor(Block));
    FText.centerCursor();
    FText.setFocus();
}

void TOutlineBar::FollowCaret()
{
    const QSignalBlocker Quiet(this);
    setCurrentIndex(FOutline.EntryAt(FText.textCursor().blockNumber()));
}

bool TOutlineBar::CanOpen() const
{
    return !isHidden() && count() > 0;
}

void TOutlineBar::Open()
{
    setFocus(Qt::ShortcutFocusReason);
    showPopup();
}
