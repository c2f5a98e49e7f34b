#include "ui/export/exportflow.h"

#include "components/brwsfldr.h"
#include "core/quibfile.h"
#include "ui/export/exportobjects.h"

TExportFlow::TExportFlow(QWidget& Window, TObjectTextFile& File)
    : QObject(&Window),
      FWindow(Window),
      FFile(File),
      FSaveDialog(new TExportSaveDialog(&Window)),
      FFolderDialog(new TBrowseForFolderDialog(&Window))
{
    FFolderDialog->setObjectName(QStringLiteral("dlgBrowseForFolder"));
    SetUpExportFolderBrowser(*FFolderDialog);
}

void TExportFlow::ExportObject(std::int32_t ObjectIndex)
{
    if (ObjectIndex >= 0)
        ::ExportObject(FFile.Objects(ObjectIndex), *FSaveDialog);
}

void TExportFlow::ExportRows(std::vector<std::int32_t> Rows)
{
    ::ExportRows(FFile, std::move(Rows), *FSaveDialog, *FFolderDialog,
                 [this](const QString& Path) { return AskReplace(&FWindow, Path); });
}
