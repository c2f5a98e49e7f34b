#include "ui/window/viewoptions.h"

#include "platform/profile.h"
#include "ui/views/objecttextview.h"

#include <QAction>
#include <QMenu>

namespace {

// The settings file's section and keys.
const char* const SDisplay = "Display";
const char* const SSyntaxHighlighting = "SyntaxHighlighting";
const char* const SLineNumbers = "LineNumbers";
const char* const SWordWrap = "WordWrap";

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

void TViewOptions::ReadSettings(const platform::TProfile& Profile)
{
    Set(platform::ReadFlag(Profile, SDisplay, SSyntaxHighlighting, true),
        platform::ReadFlag(Profile, SDisplay, SLineNumbers, true), platform::ReadFlag(Profile, SDisplay, SWordWrap, true));
}

void TViewOptions::WriteSettings(TSettingsWriter& Writer) const
{
    Writer.Flag(SDisplay, SSyntaxHighlighting, SyntaxHighlighting());
    Writer.Flag(SDisplay, SLineNumbers, LineNumbers());
    Writer.Flag(SDisplay, SWordWrap, WordWrap());
}
