// The window's side of find and export: the flows made over its views
// (TWindowFindViews), and the commands that hand over to them.
#include "ui/window/mainform.h"

#include "ui/export/exportflow.h"
#include "ui/find/findflow.h"
#include "ui/find/findnext.h"
#include "ui/window/findviews.h"
#include "ui/window/navigationhistory.h"
#include "ui/views/objectbrowser.h"
#include "ui_mainform.h"

#include <QApplication>

void TfrmMain::CreateFindAndExport()
{
    FFindViews = std::make_unique<TWindowFindViews>(
        *FBrowser, *ui->memMain,
        TWindowFindViews::TWindowSide{[this](std::int32_t ObjectIndex) { SelectObject(ObjectIndex); },
                                      [this](std::int32_t ObjectIndex) { ShowObjectText(ObjectIndex); },
                                      [this] { Beep(); },
                                      [this] {
                                          if (FHistory)
                                              FHistory->Record();
                                      }});
    FFind = new TFindFlow(*this, *FObjectTextFile, *FFindViews, *ui->memMain, FEncodings);
    FExport = new TExportFlow(*this, *FObjectTextFile);
}

// --- Find -----------------------------------------------------------------------------

void TfrmMain::actEditFindExecute()
{
    FFind->ShowDialog();
}

std::string TfrmMain::FindText() const
{
    return FFind->FindText();
}

void TfrmMain::SetFindText(const std::string& Text)
{
    FFind->SetFindText(Text);
}

bool TfrmMain::FindMatchCase() const
{
    return FFind->MatchCase();
}

void TfrmMain::SetFindMatchCase(bool MatchCase)
{
    FFind->SetMatchCase(MatchCase);
}

// --- Export -------------------------------------------------------------------------------

void TfrmMain::actFileExportTreeViewExecute()
{
    FExport->ExportObject(SelectedObjectIndex());
}

void TfrmMain::actFileExportListViewExecute()
{
    FExport->ExportRows(FBrowser->SelectedListObjects());
}
