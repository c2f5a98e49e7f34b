// The window's one default error handler.
//
// Qt must never see an exception leave a slot or an event handler, so every
// entry point from the event loop runs its work through RunGuarded: a failure
// ends that piece of work, its message is shown in an error box titled with the
// application title, and the window carries on.
#pragma once

#include <QString>

#include <exception>
#include <functional>
#include <new>
#include <string_view>

class QWidget;

namespace gui {

// The application title: the text the system shows for the application and
// the title of the error boxes. Kept here rather than as Qt's application
// display name, which Qt would append to the title of every other window.
QString ApplicationTitle();
void SetApplicationTitle(const QString& Title);

// Frames a dialog or message box as a dialog: title bar, system menu and close
// box only, no minimise or maximise box.
void UseDialogFrame(QWidget& Dialog);

// Some window managers offer a minimise box on every window, whatever the
// window asks for; a modal box minimised away leaves the application frozen
// with nothing to answer. From the first call on, such a box comes back.
void KeepModalBoxesInView();

// The text of the error box: the message, with a full stop appended when its
// last character sorts after the full stop.
QString ErrorBoxText(std::string_view Message);

// Where error messages go. Empty (the default): a modal message box with an OK
// button. Tests install a sink to collect the messages instead.
using TErrorSink = std::function<void(const QString& Title, const QString& Text)>;
TErrorSink SetErrorSink(TErrorSink Sink);  // returns the previous sink

// Shows Message the default way (or hands it to the sink).
void ShowErrorMessage(QWidget* Parent, std::string_view Message);

// Shows the exception that is being handled (call inside a catch block).
void ShowCurrentException(QWidget* Parent) noexcept;

// Runs Work; whatever it throws is shown and goes no further. Returns true
// when Work completed.
template <typename TWork>
bool RunGuarded(QWidget* Parent, TWork&& Work) noexcept
{
    try {
        Work();
        return true;
    } catch (...) {
        ShowCurrentException(Parent);
        return false;
    }
}

}  // namespace gui
