// Program entry: the application object, the one window, the message loop.
#include "ui/window/mainform.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication Application(argc, argv);
    // The name the user's configuration folder is given (the settings of an
    // installed program), whatever the executable is called; each system's
    // own spelling. The window sets the title text itself.
#ifdef _WIN32
    QCoreApplication::setApplicationName(QStringLiteral("Orvanta"));
#else
    QCoreApplication::setApplicationName(QStringLiteral("orvanta"));
#endif
    // Ties the window to the installed desktop entry (its icon on Wayland).
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.orvanta.orvanta"));
    QIcon Icon;
    for (int Size : {16, 32, 48})
        Icon.addFile(QStringLiteral(":/icons/orvanta%1.png").arg(Size), QSize(Size, Size));
    Application.setWindowIcon(Icon);

    QStringList Arguments = Application.arguments();
    Arguments.removeFirst();  // the program itself
    TfrmMain Window(Arguments);
    Window.show();
    return Application.exec();
}
