#include "ui/window/opendialog.h"

#include "ui/common/filedialogs.h"

#include <QFileDialog>

TOpenDialog::TOpenDialog(QWidget& Window) : QObject(&Window), FWindow(Window) {}

QString TOpenDialog::Choose()
{
    if (!FDialog)
        FDialog = gui::NewOpenDialog(FWindow, QString(), QStringLiteral("dlgOpen"));
    if (!FFileName.isEmpty())
        FDialog->selectFile(FFileName);
    if (!FFilter.isEmpty())
        FDialog->selectNameFilter(FFilter);
    if (FDialog->exec() != QDialog::Accepted)
        return {};
    const QStringList Files = FDialog->selectedFiles();
    if (Files.isEmpty())
        return {};
    FFileName = Files.first();
    FFilter = FDialog->selectedNameFilter();
    return FFileName;
}
