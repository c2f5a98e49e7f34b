#include "ui/common/errorbox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <string>

namespace gui {

namespace {

TErrorSink& Sink()
{
    static TErrorSink TheSink;
    return TheSink;
}

QString& Title()
{
    static QString TheTitle;
    return TheTitle;
}

// Brings back a modal window as soon as it has been minimised.
class TModalBoxRestorer : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override
    {
        if (Event->type() == QEvent::WindowStateChange && Watched->isWidgetType()) {
            auto* Window = static_cast<QWidget*>(Watched);
            if (Window->isWindow() && Window->isModal() && Window->isMinimized())
                QTimer::singleShot(0, Window, [Window] {
                    Window->setWindowState(Window->windowState() & ~Qt::WindowMinimized);
                });
        }
        return QObject::eventFilter(Watched, Event);
    }
};

}  // namespace

void KeepModalBoxesInView()
{
    static QPointer<TModalBoxRestorer> Restorer;
    if (Restorer || !QCoreApplication::instance())
        return;
    Restorer = new TModalBoxRestorer(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(Restorer);
}

QString ApplicationTitle()
{
    return Title().isEmpty() ? QCoreApplication::applicationName() : Title();
}

void SetApplicationTitle(const QString& NewTitle)
{
    Title() = NewTitle;
}

void UseDialogFrame(QWidget& Dialog)
{
    // Without CustomizeWindowHint the window manager is offered every
    // decoration, minimise and maximise boxes included.
    Dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
}

QString ErrorBoxText(std::string_view Message)
{
    std::string Text(Message);
    if (!Text.empty() && static_cast<unsigned char>(Text.back()) > '.')
        Text += '.';
    // Messages carry paths, which the system spells in its own 8-bit encoding.
    return QString::fromLocal8Bit(Text.data(), static_cast<qsizetype>(Text.size()));
}

TErrorSink SetErrorSink(TErrorSink NewSink)
{
    TErrorSink Previous = std::move(Sink());
    Sink() = std::move(NewSink);
    return Previous;
}

void ShowErrorMessage(QWidget* Parent, std::string_view Message)
{
    const QString Title = ApplicationTitle();
    const QString Text = ErrorBoxText(Message);
    if (Sink()) {
        Sink()(Title, Text);
        return;
    }
    QMessageBox Box(QMessageBox::Critical, Title, Text, QMessageBox::Ok, Parent);
    UseDialogFrame(Box);
    Box.exec();
}

void ShowCurrentException(QWidget* Parent) noexcept
{
    try {
        try {
            throw;
        } catch (const std::bad_alloc&) {
            ShowErrorMessage(Parent, "Out of memory");
        } catch (const std::exception& Error) {
            ShowErrorMessage(Parent, Error.what());
        } catch (...) {
            ShowErrorMessage(Parent, "Unknown error");
        }
    } catch (...) {
        // Showing the message failed as well; there is nobody left to tell.
    }
}

}  // namespace gui
