// The outline above the text view: a combo box of the shown object's parts
// (fields, keys, triggers, procedures, data items, controls, elements) in
// order. Choosing one puts the text view's caret on its line; moving the
// caret selects the part it is in. Shows while the text view does.
#pragma once

#include "core/objectoutline.h"

#include <QComboBox>

class TObjectTextView;

class TOutlineBar : public QComboBox {
    Q_OBJECT
public:
    // Goes above Text in its parent's layout.
    explicit TOutlineBar(TObjectTextView& Text);

    const TObjectOutline& Outline() const { return FOutline; }

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void Rebuild();
    void GoTo(int Index);
    void FollowCaret();

    TObjectTextView& FText;
    TObjectOutline FOutline;
};
