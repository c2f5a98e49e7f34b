// The View menu's switches for the text view: Syntax Highlighting, Line
// Numbers and Word Wrap, checkable items that apply themselves at once.
#pragma once

#include <QObject>

#include <functional>

class QAction;
class QMenu;
class TObjectTextView;

class TViewOptions : public QObject {
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

private:
    void Apply();

    TObjectTextView& FText;
    std::function<void(bool)> FSetHighlighting;
    QAction* FHighlighting;
    QAction* FLineNumbers;
    QAction* FWordWrap;
};
