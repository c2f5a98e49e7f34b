#include "ui/window/windowcaption.h"

#include "core/quibfile.h"
#include "ui/common/errorbox.h"
#include "ui/common/systempath.h"

#include <QWidget>

namespace gui {

QString FileNameOf(const std::string& Path)
{
#ifdef _WIN32
    const char* const Delimiters = "\\/:";
#else
    const char* const Delimiters = "/";
#endif
    const std::size_t Last = Path.find_last_of(Delimiters);
    return FromSystemPath(Last == std::string::npos ? Path : Path.substr(Last + 1));
}

void ShowFileInCaption(QWidget& Window, const std::string& FileName)
{
    QString Title = QString::fromUtf8(STitle);
    if (!FileName.empty())
        Title = QStringLiteral("%1 - %2").arg(FileNameOf(FileName), Title);
    SetApplicationTitle(Title);
    // A window title shows "[*]" literally only when it is doubled.
    Window.setWindowTitle(Title.replace(QLatin1String("[*]"), QLatin1String("[*][*]")));
}

}  // namespace gui
