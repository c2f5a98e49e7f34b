#include "ui/window/openfolder.h"

#include "ui/common/filedialogs.h"

#include <QAction>
#include <QFileDialog>

TOpenFolder::TOpenFolder(QWidget& Window)
    : QObject(&Window), FWindow(Window), FAction(new QAction(tr("Open &Folder..."), this))
{
    FAction->setObjectName(QStringLiteral("actFileOpenFolder"));
    FAction->setStatusTip(tr("Opens a folder of object files as one export"));
}

void TOpenFolder::Choose()
{
    if (!FDialog) {
        FDialog = gui::NewOpenDialog(FWindow, tr("Open Folder"), QStringLiteral("dlgOpenFolder"));
        FDialog->setFileMode(QFileDialog::Directory);
        FDialog->setOption(QFileDialog::ShowDirsOnly);
    }
    if (!FFolder.isEmpty())
        FDialog->selectFile(FFolder);
    if (FDialog->exec() != QDialog::Accepted || FDialog->selectedFiles().isEmpty())
        return;
    FFolder = FDialog->selectedFiles().first();
    emit Chosen(FFolder);
}
