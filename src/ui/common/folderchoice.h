// A command that asks for a folder (File > Open Folder..., Compare With
// Folder...): its action and its dialog, made on first use and kept, which
// offers the folder of its last confirmed use again.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QFileDialog;
class QWidget;

class TFolderChoice : public QObject {
    Q_OBJECT
public:
    // What the command is called where.
    struct TNames {
        QString Caption;     // the menu's ("Open Fol&der...")
        QString ActionName;  // "actFileOpenFolder"
        QString Title;       // the dialog's ("Open Folder")
        QString DialogName;  // "dlgOpenFolder"
        QString StatusTip;
    };
    TFolderChoice(QWidget& Window, TNames Names);

    QAction* Action() const { return FAction; }
    // Asks for a folder; emits Chosen unless the dialog is cancelled.
    void Choose();

signals:
    void Chosen(const QString& Folder);

private:
    QWidget& FWindow;
    TNames FNames;
    QAction* FAction;
    QPointer<QFileDialog> FDialog;
    QString FFolder;
};
