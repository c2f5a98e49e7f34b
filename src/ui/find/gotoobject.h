// Edit > Go to Object: a small box that takes "Table 18", "t18", "codeunit
// 80" or "18" and selects the first such object in the tree; after a colon,
// a line of its text ("t18:120"), or of the object shown (":120"). A text
// that names no object beeps, keeps the box open and says why under the field.
#pragma once

#include <QDialog>

#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class TObjectTextFile;

class TGoToObjectDialog : public QDialog {
    Q_OBJECT
public:
    // Go shows the object of the given index with the caret on the given line
    // of its text (0: no line asked for); Shown is the object on view (-1:
    // none); Beep is the window's beep.
    TGoToObjectDialog(QWidget* Parent, const TObjectTextFile& File, std::function<void(int, int)> Go,
                      std::function<int()> Shown, std::function<void()> Beep);

    // Edit > Go to Object (Ctrl+G), which the window makes a command.
    QAction* Action() const { return FAction; }
    // Shows the box with the last text selected.
    void Execute();

    void accept() override;

private:
    // Keeps the box open, saying why.
    void Refuse(const QString& Reason);

    const TObjectTextFile& FFile;
    std::function<void(int, int)> FGo;
    std::function<int()> FShown;
    std::function<void()> FBeep;
    QAction* FAction;
    QLineEdit* edtObject;
    QLabel* lblMessage;
};
