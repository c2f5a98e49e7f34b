// File > Open Folder...: its action and its dialog, made on first use and
// kept, which offers the folder of its last confirmed use again.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QFileDialog;
class QWidget;

class TOpenFolder : public QObject {
    Q_OBJECT
public:
    explicit TOpenFolder(QWidget& Window);

    QAction* Action() const { return FAction; }
    // Asks for a folder; emits Chosen unless the dialog is cancelled.
    void Choose();

signals:
    void Chosen(const QString& Folder);

private:
    QWidget& FWindow;
    QAction* FAction;
    QPointer<QFileDialog> FDialog;
    QString FFolder;
};
