// The View menu's switches for the text view: Syntax Highlighting, Line
// Numbers and Word Wrap, checkable items that apply themselves at once, kept
// in the settings file's [Display] section.
#pragma once

#include "ui/common/settingswriter.h"

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class TObjectTextView;

class TViewOptions : public QObject, public TSettingsOwner {
    Q_OBJECT
public:
    // Adds the items at the end of ViewMenu. SetHighlighting turns the text
    // view's colours on or off.
    TViewOptions(QMenu& ViewMenu, TObjectTextView& Text, std::function<void(bool)> SetHighlighting);

    bool SyntaxHighlighting() const;
    bool LineNumbers() const;
    bool WordWrap() const;
    // Checks the items and applies them.
    void Set(bool SyntaxHighlighting, bool LineNumbers, bool WordWrap);

    void ReadSettings(const platform::TProfile& Profile) override;
    void WriteSettings(TSettingsWriter& Writer) const override;

private:
    void Apply();

    TObjectTextView& FText;
    std::function<void(bool)> FSetHighlighting;
    QAction* FHighlighting;
    QAction* FLineNumbers;
    QAction* FWordWrap;
};
