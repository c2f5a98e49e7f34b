// The window's side of find and export: the find dialog and the views the
// search reads and moves, and the two Export commands with their dialogs.
#include "ui/mainform.h"

#include "components/brwsfldr.h"
#include "ui/errorbox.h"
#include "ui/exportobjects.h"
#include "ui/finddialog.h"
#include "ui/findnext.h"
#include "ui_mainform.h"

#include <QApplication>
#include <QScreen>
#include <QTextCursor>

namespace {

// The find text as the file's bytes, in the encoding the views show them in.
std::string BytesOf(const QString& Text, TDisplayEncoding Encoding)
{
    return (Encoding == TDisplayEncoding::Utf8 ? Text.toUtf8() : Text.toLatin1()).toStdString();
}

}  // namespace

// What one search reads from the views and shows in them.
class TfrmMain::TFindViews final : public TFindView {
public:
    explicit TFindViews(TfrmMain& Window) : W(Window) {}

    std::int32_t SelectedObjectIndex() const override { return W.SelectedObjectIndex(); }
    std::int32_t TextSelectionStart() const override { return W.ui->memMain->ByteSelectionStart(); }
    std::int32_t TextSelectionLength() const override { return W.ui->memMain->ByteSelectionLength(); }

    void SelectObjectNode(std::int32_t ObjectIndex) override
    {
        W.SelectNode(ObjectIndex + 1);
        W.ui->tvwMain->scrollTo(W.SelectedNode());
    }
    void ShowObjectText(std::int32_t ObjectIndex) override { W.ShowObjectText(ObjectIndex); }
    void SelectTextBytes(std::int32_t Start, std::int32_t Length) override
    {
        W.ui->memMain->SelectBytes(Start, Length);
    }
    void Beep() override
    {
        if (W.FBeepSink)
            W.FBeepSink();
        else
            QApplication::beep();
    }

private:
    TfrmMain& W;
};

void TfrmMain::CreateFindAndExportDialogs()
{
    dlgFind = new TFindDialog(this);
    connect(dlgFind, &TFindDialog::Find, this, [this] { ui::RunGuarded(this, [this] { dlgFindFind(); }); });
    dlgSave = new TExportSaveDialog(this);
    dlgBrowseForFolder = new TBrowseForFolderDialog(this);
    dlgBrowseForFolder->setObjectName(QStringLiteral("dlgBrowseForFolder"));
    SetUpExportFolderBrowser(*dlgBrowseForFolder);
}

// --- Find -----------------------------------------------------------------------------

void TfrmMain::actEditFindExecute()
{
    dlgFind->Execute();
}

void TfrmMain::dlgFindFind()
{
    TFindViews Views(*this);
    if (FindNextInViews(*FObjectTextFile, Views, FindText(), FindMatchCase()))
        KeepFindDialogClearOfSelection();
}

void TfrmMain::KeepFindDialogClearOfSelection()
{
    // The occurrence just selected, on screen.
    QTextCursor Start = ui->memMain->textCursor();
    QTextCursor End = Start;
    Start.setPosition(Start.selectionStart());
    End.setPosition(End.selectionEnd());
    const QWidget* Viewport = ui->memMain->viewport();
    const QRect Selection(Viewport->mapToGlobal(ui->memMain->cursorRect(Start).topLeft()),
                          Viewport->mapToGlobal(ui->memMain->cursorRect(End).bottomRight()));
    const QRect Dialog = dlgFind->frameGeometry();
    if (!Dialog.intersects(Selection))
        return;
    // Above the occurrence when there is room for it there, else below it.
    constexpr int Gap = 8;
    const QScreen* Screen = dlgFind->screen();
    const int ScreenTop = Screen ? Screen->availableGeometry().top() : 0;
    const int Above = Selection.top() - Gap - Dialog.height();
    dlgFind->move(Dialog.left(), Above >= ScreenTop ? Above : Selection.bottom() + Gap);
}

std::string TfrmMain::FindText() const
{
    return BytesOf(dlgFind->FindText(), ui->memMain->Encoding());
}

void TfrmMain::SetFindText(const std::string& Text)
{
    // The dialog keeps at most its maximum length.
    dlgFind->SetFindText(LabelFromBytes(Text, ui->memMain->Encoding()));
}

bool TfrmMain::FindMatchCase() const
{
    return dlgFind->MatchCase();
}

void TfrmMain::SetFindMatchCase(bool MatchCase)
{
    dlgFind->SetMatchCase(MatchCase);
}

// --- Export -------------------------------------------------------------------------------

void TfrmMain::actFileExportTreeViewExecute()
{
    const int ObjectIndex = SelectedObjectIndex();
    if (ObjectIndex >= 0)
        ExportObject(FObjectTextFile->Objects(ObjectIndex), *dlgSave);
}

void TfrmMain::actFileExportListViewExecute()
{
    std::vector<std::int32_t> Rows;
    for (const QModelIndex& Row : ui->lvwMain->selectionModel()->selectedRows())
        Rows.push_back(Row.row());
    ExportRows(*FObjectTextFile, std::move(Rows), *dlgSave, *dlgBrowseForFolder,
               [this](const QString& Path) { return AskReplace(this, Path); });
}
