// The outline above the text view: a combo box of the shown object's parts
// (fields, keys, triggers, procedures, data items, controls, elements) in
// order. Choosing one puts the text view's caret on its line; moving the
// caret selects the part it is in. Shows while the text view does. View >
// Outline (Ctrl+Shift+O) opens its list from the keyboard; Tab reaches it too.
#pragma once

#include "core/objectoutline.h"

#include <QComboBox>

class QAction;
class TObjectTextView;

class TOutlineBar : public QComboBox {
    Q_OBJECT
public:
    // Goes above Text in its parent's layout.
    explicit TOutlineBar(TObjectTextView& Text);

    const TObjectOutline& Outline() const { return FOutline; }
    // View > Outline, the window's to run: Open when CanOpen.
    QAction* OpenAction() const { return FOpenAction; }
    // The shown object has parts to pick.
    bool CanOpen() const;
    // The list of parts open, with the keyboard focus.
    void Open();

signals:
    // A part was chosen: the caret is about to leave where it is.
    void Jumping();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Rebuild();
    void GoTo(int Index);
    void FollowCaret();

    TObjectTextView& FText;
    TObjectOutline FOutline;
    QAction* FOpenAction;
};
