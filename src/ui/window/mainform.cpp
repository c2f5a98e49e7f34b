#include "ui/window/mainform.h"

#include "ui/compare/compareview.h"
#include "ui/merge/mergecommand.h"
#include "ui/references/referencecommands.h"
#include "ui/common/errorbox.h"
#include "ui/window/viewencoding.h"
#include "ui/filter/filterbar.h"
#include "ui/find/findall.h"
#include "ui/views/listcolumns.h"
#include "ui/window/viewoptions.h"
#include "ui/window/recentfiles.h"
#include "ui/common/systempath.h"
#include "ui/window/filedrop.h"
#include "ui/window/opendialog.h"
#include "core/objectfolder.h"
#include "ui/window/panewidth.h"
#include "ui/window/settingslocation.h"
#include "ui/window/statusfields.h"
#include "ui/window/viewfonts.h"
#include "ui/window/windowcaption.h"
#include "ui/window/windowplacement.h"
#include "ui/views/objectbrowser.h"
#include "ui/common/uiguards.h"
#include "ui_mainform.h"

#include <QCoreApplication>
#include <QFileInfo>

TfrmMain::TfrmMain(const QStringList& Arguments, const QString& SettingsFileName, QWidget* Parent)
    : QMainWindow(Parent),
      ui(std::make_unique<Ui::TfrmMain>()),
      FSettingsFileName(QFileInfo(SettingsFileName.isEmpty() ? gui::DefaultSettingsFile() : SettingsFileName)
                            .absoluteFilePath())
{
    ui->setupUi(this);
    gui::KeepModalBoxesInView();
    FStatus = new TStatusFields(*this, *ui->stbMain, *ui->memMain);
    ui->lvwMain->hide();
    FTreeWidth = new TPaneWidth(*ui->splMain);
    FPlacement = new TWindowPlacement(*this);
    FOpenDialog = new TOpenDialog(*this);
    setFont(TViewFonts::Designed(font()));
    // The views read the model from the start; a file comes later.
    FObjectTextFile = std::make_unique<TObjectTextFile>();
    FBrowser = new TObjectBrowser(*ui->tvwMain, *ui->lvwMain, *FObjectTextFile, FEncodings, this);
    connect(FBrowser, &TObjectBrowser::NodeChanged, this,
            [this](int ObjectIndex) { gui::RunGuarded(this, [&] { tvwMainChange(ObjectIndex); }); });
    CreateFindAndExport();
    FCommands = new TWindowCommands(*this, *ui, *this);
    FViewEncoding = new TViewEncoding(*ui->mnuView, FEncodings);
    connect(FViewEncoding, &TViewEncoding::Chosen, this,
            [this](const QString& Name) { gui::RunGuarded(this, [&] { SetEncoding(Name); }); });
    connect(FViewEncoding, &TViewEncoding::Detected, this, [this](const TFileEncodingsPtr& Encodings) {
        gui::RunGuarded(this, [&] { FileEncodingsDetected(Encodings); });
    });
    CreateFeatures();
    FSettingsOwners = {&FViewEncoding->Settings(), FViewOptions, FListColumns, FRecentFiles, FFindAll, FCompare, FMerge};
    FormCreate(Arguments);
}

TfrmMain::~TfrmMain()
{
    FViewEncoding->StopDetection();
    FormDestroy();
    // The parts go from here on; nothing may reach the handlers meanwhile.
    FCommands->Disconnect();
}

// --- Start-up and shutdown -----------------------------------------------------

void TfrmMain::FormCreate(const QStringList& Arguments)
{
    LoadSettings();
    FObjectTextFile->SetOnProgress([this](TObjectTextFile& Sender, TProgressKind Kind, std::uint8_t Percent) {
        FileProgress(Sender, Kind, Percent);
    });
    bool Opened = false;
    if (!Arguments.isEmpty()) {
        show();
        raise();
        activateWindow();
        Opened = gui::RunGuarded(this, [&] { OpenFile(Arguments.first()); });
    }
    if (!Opened) {
        UpdateCaption();
        UpdateStatus();
    }
    connect(new TFileDrop(*this), &TFileDrop::Dropped, this,
            [this](const QString& FileName) { gui::RunGuarded(this, [&] { OpenFile(FileName); }); });
}

void TfrmMain::FormDestroy()
{
    gui::RunGuarded(this, [this] { SaveSettings(); });
    // The views read the model: they let go of it before it goes.
    FCompare->FileChanging();
    FMerge->FileChanging();
    FReferences->FileChanging();
    FBrowser->Detach();
    FObjectTextFile.reset();
}

// --- Caption and status ----------------------------------------------------------

void TfrmMain::UpdateCaption()
{
    gui::ShowFileInCaption(*this, FObjectTextFile->FileName());
}

void TfrmMain::UpdateStatus()
{
    FStatus->ShowObjectCount(*FObjectTextFile, FBrowser->Shown(), FFilterBar->IgnoredNote());
}

void TfrmMain::FileProgress(TObjectTextFile&, TProgressKind Kind, std::uint8_t Percent)
{
    switch (Kind) {
    case pkProgress:
        FStatus->ShowProgress(Percent);
        break;
    case pkDone:
        UpdateStatus();
        break;
    default:
        break;
    }
}

QString TfrmMain::StatusText() const
{
    return FStatus->Text();
}

// --- Opening and closing -----------------------------------------------------------

void TfrmMain::OpenFile(const QString& FileName)
{
    FStatus->SetText(tr("Reading File..."));
    gui::TWaitCursor Hourglass;
    // One pass over what is waiting, so the new status text and the cursor show.
    QCoreApplication::processEvents();
    FCompare->FileChanging();
    FileChanging();
    try {
        FObjectTextFile->LoadFromPath(gui::ToSystemPath(FileName));
    } catch (...) {
        ShowNoFile();
        throw;
    }
    FillTreeView();
    UpdateCaption();
    FReferences->FileLoaded();
    FRecentFiles->Opened(QFileInfo(FileName).absoluteFilePath());
}

void TfrmMain::ShowNoFile()
{
    // Whatever the failure, the previous file's stream is gone and the entries
    // left (old ones, or the new file's first ones) belong to no file on view.
    actFileCloseExecute();
}

void TfrmMain::actFileOpenExecute()
{
    const QString FileName = FOpenDialog->Choose();
    if (!FileName.isEmpty())
        OpenFile(FileName);
}

void TfrmMain::actFileCloseExecute()
{
    FCompare->FileChanging();
    FileChanging();
    FObjectTextFile->Close();
    ui->memMain->ClearObjectText();
    FStatus->SetEncoding({});
    FillTreeView();
    UpdateCaption();
    UpdateStatus();
}

void TfrmMain::actFileExitExecute()
{
    close();
}

// --- Views ---------------------------------------------------------------------------

void TfrmMain::FillTreeView()
{
    gui::TUpdatesSuspended Suspended(ui->tvwMain);
    gui::TWaitCursor Hourglass;
    FViewEncoding->StartFile(*FObjectTextFile);
    FBrowser->Fill(gui::FileNameOf(FObjectTextFile->FileName()), FFilterBar->Filter());
}

void TfrmMain::FileEncodingsDetected(std::shared_ptr<const TFileEncodings> Encodings)
{
    const int Shown = ui->memMain->isHidden() ? -1 : SelectedObjectIndex();
    const bool ReadsDifferently = FViewEncoding->TakeDetected(std::move(Encodings), Shown);
    FBrowser->LabelsChanged();
    // Shown again only when it reads differently: the caret stays otherwise.
    if (ReadsDifferently)
        ShowObjectText(Shown);
}

void TfrmMain::SelectObject(int ObjectIndex)
{
    // Find Next and Find All search the whole file: an object the filter
    // hides comes back, and the status bar says why the views show more.
    const bool Hidden = FBrowser->Hides(ObjectIndex);
    if (Hidden)
        FFilterBar->Clear();
    FBrowser->SelectObject(ObjectIndex);
    if (Hidden)
        FStatus->SetText(tr("Filter cleared to show %1").arg(FBrowser->SelectedNode().data().toString()));
}

void TfrmMain::tvwMainChange(int ObjectIndex)
{
    if (ObjectIndex < 0) {
        ui->memMain->hide();
        ui->lvwMain->show();
        FStatus->SetEncoding({});
        FStatus->UpdateCaret();
        return;
    }
    ShowObjectText(ObjectIndex);
}

void TfrmMain::ShowObjectText(int ObjectIndex)
{
    ui->memMain->show();
    ui->lvwMain->hide();
    std::string Bytes = FObjectTextFile->Objects(ObjectIndex).GetText();
    const codepages::TEncoding Encoding = FEncodings.ForText(ObjectIndex, Bytes);
    ui->memMain->SetObjectText(std::move(Bytes), Encoding);
    const std::string_view Caption = FEncodings.CaptionForText(ObjectIndex);
    FStatus->SetEncoding(QString::fromLatin1(Caption.data(), static_cast<qsizetype>(Caption.size())));
    FStatus->UpdateCaret();
    // Its name may read differently now that its encoding is known.
    FBrowser->LabelsChanged(ObjectIndex);
}

void TfrmMain::SetEncoding(const QString& SettingName)
{
    const bool Changed = FViewEncoding->Choose(SettingName);
    FFilterBar->SetEncoding(FEncodings.Chosen());
    if (Changed)
        FFindAll->EncodingChanged();
    FBrowser->LabelsChanged();
    if (!ui->memMain->isHidden() && SelectedObjectIndex() >= 0)
        ShowObjectText(SelectedObjectIndex());
}

QString TfrmMain::EncodingSetting() const
{
    return QString::fromStdString(FEncodings.SettingName());
}

int TfrmMain::SelectedObjectIndex() const
{
    return FBrowser->SelectedObjectIndex();
}

bool TfrmMain::RootSelected() const
{
    return FBrowser->RootSelected();
}

void TfrmMain::lvwMainDblClick()
{
    FBrowser->SelectListRow();
}
