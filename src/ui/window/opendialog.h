// File > Open's dialog: made on first use and kept, it offers the file and
// the filter of its last confirmed use again.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QFileDialog;
class QWidget;

class TOpenDialog : public QObject {
    Q_OBJECT
public:
    explicit TOpenDialog(QWidget& Window);

    // The file chosen; an empty string when the dialog is cancelled.
    QString Choose();

private:
    QWidget& FWindow;
    QPointer<QFileDialog> FDialog;
    QString FFileName;
    QString FFilter;
};
