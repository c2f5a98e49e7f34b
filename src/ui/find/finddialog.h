// The modeless find dialog: a find text, a match-case box, Find Next and
// Cancel. It searches forward only, so it offers neither a whole-word box nor
// a direction.
//
// The dialog lives as long as its owner: Cancel, Escape and the close box only
// hide it, and it keeps its text and state until it is shown again.
#pragma once

#include <QDialog>
#include <QString>

class QCheckBox;
class QLineEdit;
class QPushButton;

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int MaxFindTextLength = 255;

    explicit TFindDialog(QWidget* Parent = nullptr);

    // Shows the dialog, or brings it to the front when it is already shown.
    // Returns at once: the owner stays usable.
    void Execute();

    QString FindText() const;
    // Longer texts are cut to MaxFindTextLength characters.
    void SetFindText(const QString& Text);
    bool MatchCase() const;
    void SetMatchCase(bool Value);

signals:
    // Once per press of Find Next (its button, Enter, or its mnemonic). The
    // receiver runs inside the event loop and must not let an exception out.
    void Find();

private:
    void UpdateFindNext();

    QLineEdit* edtFindText = nullptr;
    QCheckBox* chkMatchCase = nullptr;
    QPushButton* btnFindNext = nullptr;
    QPushButton* btnCancel = nullptr;
};
