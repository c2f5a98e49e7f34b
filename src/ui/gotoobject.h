// Edit > Go to Object: a small box that takes "Table 18", "t18", "codeunit
// 80" or "18" and selects the first such object in the tree. A text that
// names no object beeps and keeps the box open.
#pragma once

#include <QDialog>

#include <functional>

class QLineEdit;
class TObjectTextFile;

class TGoToObjectDialog : public QDialog {
    Q_OBJECT
public:
    // Go selects the object of the given index; Beep is the window's beep.
    TGoToObjectDialog(QWidget* Parent, const TObjectTextFile& File, std::function<void(int)> Go,
                      std::function<void()> Beep);

    // Shows the box with the last text selected.
    void Execute();

    void accept() override;

private:
    const TObjectTextFile& FFile;
    std::function<void(int)> FGo;
    std::function<void()> FBeep;
    QLineEdit* edtObject;
};
