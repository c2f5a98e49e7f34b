#include "ui/window/viewoptions.h"

#include "ui/views/objecttextview.h"

#include <QAction>
#include <QMenu>

namespace {

QAction* AddSwitch(QMenu& Menu, const QString& Caption, const char* Name)
{
    QAction* Item = Menu.addAction(Caption);
    Item->setObjectName(QString::fromLatin1(Name));
    Item->setCheckable(true);
    Item->setChecked(true);
    return Item;
}

}  // namespace

TViewOptions::TViewOptions(QMenu& ViewMenu, TObjectTextView& Text, std::function<void(bool)> SetHighlighting)
    : QObject(&ViewMenu), FText(Text), FSetHighlighting(std::move(SetHighlighting))
{
    ViewMenu.addSeparator();
    FHighlighting = AddSwitch(ViewMenu, tr("Syntax &Highlighting"), "actViewSyntaxHighlighting");
    FLineNumbers = AddSwitch(ViewMenu, tr("&Line Numbers"), "actViewLineNumbers");
    FWordWrap = AddSwitch(ViewMenu, tr("&Word Wrap"), "actViewWordWrap");
    for (QAction* Item : {FHighlighting, FLineNumbers, FWordWrap})
        connect(Item, &QAction::toggled, this, &TViewOptions::Apply);
}

void TViewOptions::Apply()
{
    FSetHighlighting(SyntaxHighlighting());
    FText.SetLineNumbersShown(LineNumbers());
    FText.SetWordWrap(WordWrap());
}

bool TViewOptions::SyntaxHighlighting() const
{
    return FHighlighting->isChecked();
}

bool TViewOptions::LineNumbers() const
{
    return FLineNumbers->isChecked();
}

bool TViewOptions::WordWrap() const
{
    return FWordWrap->isChecked();
}

void TViewOptions::Set(bool SyntaxHighlighting, bool LineNumbers, bool WordWrap)
{
    FHighlighting->setChecked(SyntaxHighlighting);
    FLineNumbers->setChecked(LineNumbers);
    FWordWrap->setChecked(WordWrap);
    // Checking an item that is checked already tells nobody.
    Apply();
}
