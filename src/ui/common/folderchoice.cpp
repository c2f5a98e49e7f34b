#include "ui/common/folderchoice.h"

#include "ui/common/filedialogs.h"

#include <QAction>
#include <QFileDialog>

TFolderChoice::TFolderChoice(QWidget& Window, TNames Names)
    : QObject(&Window), FWindow(Window), FNames(std::move(Names)), FAction(new QAction(FNames.Caption, this))
{
    FAction->setObjectName(FNames.ActionName);
    FAction->setStatusTip(FNames.StatusTip);
}

void TFolderChoice::Choose()
{
    if (!FDialog) {
        FDialog = gui::NewOpenDialog(FWindow, FNames.Title, FNames.DialogName);
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
