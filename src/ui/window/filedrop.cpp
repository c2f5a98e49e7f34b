#include "ui/window/filedrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <algorithm>

TFileDrop::TFileDrop(QWidget& Target) : QObject(&Target), FTarget(Target)
{
    FTarget.setAcceptDrops(true);
    FTarget.installEventFilter(this);
}

QString TFileDrop::FirstFile(const QMimeData* Data)
{
    if (!Data || !Data->hasUrls())
        return {};
    const QList<QUrl> Urls = Data->urls();
    const auto First = std::find_if(Urls.begin(), Urls.end(), [](const QUrl& Url) { return Url.isLocalFile(); });
    return First == Urls.end() ? QString() : First->toLocalFile();
}

bool TFileDrop::eventFilter(QObject* Watched, QEvent* Event)
{
    const QEvent::Type Type = Event->type();
    if (Watched != &FTarget || (Type != QEvent::DragEnter && Type != QEvent::DragMove && Type != QEvent::Drop))
        return QObject::eventFilter(Watched, Event);
    auto* Drop = static_cast<QDropEvent*>(Event);
    const QString FileName = FirstFile(Drop->mimeData());
    if (FileName.isEmpty())
        return false;
    Drop->acceptProposedAction();
    if (Type == QEvent::Drop)
        QTimer::singleShot(0, this, [this, FileName] { emit Dropped(FileName); });
    return true;
}
