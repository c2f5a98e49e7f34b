#include "errorbox.h"

#include <QApplication>
#include <QMessageBox>

#include <string>

namespace ui {

namespace {

TErrorSink& Sink()
{
    static TErrorSink TheSink;
    return TheSink;
}

}  // namespace

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
    const QString Title = QGuiApplication::applicationDisplayName();
    const QString Text = ErrorBoxText(Message);
    if (Sink()) {
        Sink()(Title, Text);
        return;
    }
    QMessageBox Box(QMessageBox::Critical, Title, Text, QMessageBox::Ok, Parent);
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

}  // namespace ui
