// The window's side of find and export: its views as the search sees them,
// and the commands that hand over to the find and export flows.
#include "ui/window/mainform.h"

#include "ui/export/exportflow.h"
#include "ui/find/findflow.h"
#include "ui/find/findnext.h"
#include "ui/views/objectbrowser.h"
#include "ui_mainform.h"

#include <QApplication>

// What one search reads from the views and shows in them.
class TfrmMain::TFindViews final : public TFindView {
public:
    explicit TFindViews(TfrmMain& Window) : W(Window) {}

    std::int32_t SelectedObjectIndex() const override { return W.SelectedObjectIndex(); }
    std::int32_t TextSelectionStart() const override { return W.ui->memMain->ByteSelectionStart(); }
    std::int32_t TextSelectionLength() const override { return W.ui->memMain->ByteSelectionLength(); }

    void SelectObjectNode(std::int32_t ObjectIndex) override { W.SelectObject(ObjectIndex); }
    void ShowObjectText(std::int32_t ObjectIndex) override { W.ShowObjectText(ObjectIndex); }
    void SelectTextBytes(std::int32_t Start, std::int32_t Length) override
    {
        W.ui->memMain->SelectBytes(Start, Length);
        // Down then moves on from the occurrence, not to the next object.
        W.ui->memMain->setFocus();
    }
    void Beep() override { W.Beep(); }

private:
    TfrmMain& W;
};

void TfrmMain::CreateFindAndExport()
{
    FFindViews = std::make_unique<TFindViews>(*this);
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
