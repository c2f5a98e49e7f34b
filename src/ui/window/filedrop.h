// Files dropped on a window: a drag that carries a local file is accepted,
// and its first local file reported once the drop is over, so the source is
// never left waiting on whatever opening the file shows.
#pragma once

#include <QObject>
#include <QString>

class QMimeData;
class QWidget;

class TFileDrop : public QObject {
    Q_OBJECT
public:
    // Makes Target take drops.
    explicit TFileDrop(QWidget& Target);

    // The first local file of a drag, or an empty string.
    static QString FirstFile(const QMimeData* Data);

signals:
    void Dropped(const QString& FileName);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    QWidget& FTarget;
};
