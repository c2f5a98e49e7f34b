// The window's side of the features on top of its own commands: the View
// menu's switches for the text view, the outline, the list's columns and the
// filter bar, File > Compare With... and Recent Files, Edit > Find Next, Find
// Previous, Go to Object and Find All.
#include "ui/window/mainform.h"

#include "ui/compare/compareview.h"
#include "ui/merge/mergecommand.h"
#include "ui/references/referencecommands.h"
#include "ui/window/viewencoding.h"
#include "ui/common/errorbox.h"
#include "ui/common/folderchoice.h"
#include "ui/common/menuplace.h"
#include "ui/filter/filterbar.h"
#include "ui/find/findall.h"
#include "ui/find/findflow.h"
#include "ui/find/findnext.h"
#include "ui/find/gotoobject.h"
#include "ui/views/listcolumns.h"
#include "ui/views/objectbrowser.h"
#include "ui/views/outlinebar.h"
#include "ui/window/navigationhistory.h"
#include "ui/window/recentfiles.h"
#include "ui/window/statusfields.h"
#include "ui/window/taborder.h"
#include "ui/window/viewoptions.h"
#include "ui_mainform.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

void TfrmMain::CreateFeatures()
{
    FViewOptions = new TViewOptions(*ui->mnuView, *ui->memMain,
                                    [Text = ui->memMain](bool On) { Text->SetHighlighting(On); });
    auto* Outline = new TOutlineBar(*ui->memMain);
    CreateFilter();
    ui->mnuView->addAction(Outline->OpenAction());
    connect(Outline, &TOutlineBar::Jumping, this, [this] { FHistory->Record(); });
    FCommands->AddCommand(Outline->OpenAction(), [Outline] { Outline->Open(); },
                          [Outline] { return Outline->CanOpen(); });
    auto* OpenFolder = new TFolderChoice(*this, {tr("Open Fol&der..."), QStringLiteral("actFileOpenFolder"),
                                                 tr("Open Folder"), QStringLiteral("dlgOpenFolder"),
                                                 tr("Opens a folder of object files as one export")});
    gui::InsertAfter(*ui->mnuFile, ui->actFileOpen, {OpenFolder->Action()});
    FCommands->AddCommand(OpenFolder->Action(), [OpenFolder] { OpenFolder->Choose(); });
    connect(OpenFolder, &TFolderChoice::Chosen, this,
            [this](const QString& Folder) { gui::RunGuarded(this, [&] { OpenFile(Folder); }); });
    // Recent Files above the separator before Exit.
    const QList<QAction*> FileItems = ui->mnuFile->actions();
    const qsizetype Exit = FileItems.indexOf(ui->actFileExit);
    FRecentFiles = new TRecentFiles(*ui->mnuFile, Exit > 0 ? FileItems.at(Exit - 1) : ui->actFileExit);
    connect(FRecentFiles, &TRecentFiles::Chosen, this,
            [this](const QString& FileName) { gui::RunGuarded(this, [&] { OpenFile(FileName); }); });
    AddEditCommands();
    AddCompare();
    AddMerge();
    AddFindAll();
    AddNavigation();
    AddReferences();
    // As the parts read, left to right and top down, then the bars around them.
    gui::SetTabOrder({ui->tvwMain, ui->lvwMain, Outline, ui->memMain, FFilterBar, FFindAll});
}

void TfrmMain::CreateFilter()
{
    FListColumns = new TListColumns(*ui->mnuView, *ui->lvwMain, FBrowser->ListModel());
    FFilterBar = new TFilterBar(*this);
    ui->mnuView->addAction(FFilterBar->ShowAction());
    FCommands->AddCommand(FFilterBar->ShowAction(), [] {});
    // The fields of the values the list shows.
    connect(FListColumns, &TListColumns::Changed, this, [this] {
        FFilterBar->SetFieldShown(TFilterField::Modified, FListColumns->Shown(TObjectProperty::Modified));
        FFilterBar->SetFieldShown(TFilterField::Date, FListColumns->Shown(TObjectProperty::Date));
        FFilterBar->SetFieldShown(TFilterField::Time, FListColumns->Shown(TObjectProperty::Time));
    });
    connect(FFilterBar, &TFilterBar::Changed, this, [this] { gui::RunGuarded(this, [this] { FilterChanged(); }); });
}

void TfrmMain::FilterChanged()
{
    if (!FileLoaded())
        return;
    FBrowser->Refilter(FFilterBar->Filter());
    UpdateStatus();
}

void TfrmMain::AddEditCommands()
{
    FGoToObject = new TGoToObjectDialog(
        this, *FObjectTextFile, [this](int ObjectIndex, int Line) { GoToObject(ObjectIndex, Line); },
        [this] { return ui->memMain->isHidden() ? -1 : SelectedObjectIndex(); }, [this] { Beep(); });
    gui::InsertAfter(*ui->mnuEdit, ui->actEditFind,
                     {FFind->FindNextAction(), FFind->FindPreviousAction(), FGoToObject->Action()});
    const auto Loaded = [this] { return FileLoaded(); };
    FCommands->AddCommand(FFind->FindNextAction(), [this] { FFind->FindAgain(true); }, Loaded);
    FCommands->AddCommand(FFind->FindPreviousAction(), [this] { FFind->FindAgain(false); }, Loaded);
    FCommands->AddCommand(FGoToObject->Action(), [this] { FGoToObject->Execute(); }, Loaded);
}

void TfrmMain::AddNavigation()
{
    FHistory = new TNavigationHistory(*this, *FFindViews);
    auto* Separator = new QAction(this);
    Separator->setSeparator(true);
    gui::InsertAfter(*ui->mnuEdit, FFindAll->RunAction(),
                     {Separator, FHistory->BackAction(), FHistory->ForwardAction()});
    FCommands->AddCommand(FHistory->BackAction(), [this] { FHistory->GoBack(); },
                          [this] { return FileLoaded() && FHistory->CanGoBack(); });
    FCommands->AddCommand(FHistory->ForwardAction(), [this] { FHistory->GoForward(); },
                          [this] { return FileLoaded() && FHistory->CanGoForward(); });
}

void TfrmMain::AddFindAll()
{
    FFindAll = new TFindAllPanel(*this, *FObjectTextFile, FEncodings, *FFindViews);
    gui::InsertAfter(*ui->mnuEdit, FGoToObject->Action(), {FFindAll->RunAction()});
    FCommands->AddCommand(
        FFindAll->RunAction(), [this] { FFindAll->Run(FFind->FindText(), FFind->MatchCase()); },
        [this] { return FileLoaded(); });
    FCommands->AddCommand(FFindAll->StopAction(), [this] { FFindAll->Stop(); }, [this] { return FFindAll->Running(); });
    // A text typed in the panel is the find text from then on, for Find Next too.
    connect(FFindAll, &TFindAllPanel::Searching, this, [this](const QString& Text, bool MatchCase) {
        FFind->SetFindText(Text.toStdString());
        FFind->SetMatchCase(MatchCase);
    });
}

void TfrmMain::FileChanging()
{
    FFindAll->Clear();
    FHistory->Clear();
    FMerge->FileChanging();
    FReferences->FileChanging();
    FViewEncoding->StopDetection();
}

void TfrmMain::AddCompare()
{
    // An object opened from the compare window shows with its caret on its first difference.
    FCompare = new TCompareCommand(*this, *FObjectTextFile, FEncodings,
                                   [this](std::int32_t ObjectIndex, std::int32_t Position) {
                                       ShowOccurrence(*FFindViews, ObjectIndex, Position + 1, 0);
                                       ui->memMain->setFocus();
                                   });
    // After the export entries.
    gui::InsertAfter(*ui->mnuFile, ui->mniFileExportListView, {FCompare->Action(), FCompare->FolderAction()});
    FCommands->AddCommand(FCompare->Action(), [this] { FCompare->Execute(); }, [this] { return FileLoaded(); });
    FCommands->AddCommand(FCompare->FolderAction(), [this] { FCompare->ExecuteFolder(); },
                          [this] { return FileLoaded(); });
}

void TfrmMain::AddReferences()
{
    FReferences = new TReferenceCommands(
        *this, *FObjectTextFile, FEncodings, *ui->memMain, *FFindViews,
        {[this](std::int32_t ObjectIndex, std::int32_t Line) { GoToObject(ObjectIndex, Line); },
         [this] { return BrowserFocusObject(); },
         [this] { return ui->memMain->isHidden() ? -1 : SelectedObjectIndex(); },
         [this](const QString& Text) {
             if (Text.isEmpty())
                 UpdateStatus();
             else
                 FStatus->SetText(Text);
         },
         [this] { Beep(); }});
    gui::InsertAfter(*ui->mnuEdit, FHistory->ForwardAction(),
                     {FReferences->GoToDefinitionAction(), FReferences->FindReferencesAction()});
    const auto Loaded = [this] { return FileLoaded(); };
    FCommands->AddCommand(FReferences->GoToDefinitionAction(), [this] { FReferences->GoToDefinition(); }, Loaded);
    FCommands->AddCommand(FReferences->FindReferencesAction(), [this] { FReferences->FindReferences(); }, Loaded);
    FCommands->AddCommand(FReferences->WhereUsedAction(), [this] { FReferences->WhereUsed(); },
                          [this] { return FileLoaded() && BrowserFocusObject() >= 0; });
    // A search of its kind: the find's image.
    FReferences->WhereUsedAction()->setIcon(ui->actEditFind->icon());
    FCommands->AddContextItem(ui->tvwMain, "idpWhereUsedTreeView", FReferences->WhereUsedAction());
    FCommands->AddContextItem(ui->lvwMain, "idpWhereUsedListView", FReferences->WhereUsedAction());
}

int TfrmMain::BrowserFocusObject() const
{
    if (ActiveView() == TActiveView::Tree)
        return SelectedObjectIndex();
    if (ActiveView() == TActiveView::List) {
        const std::vector<std::int32_t> Rows = FBrowser->SelectedListObjects();
        return Rows.empty() ? -1 : Rows.front();
    }
    return -1;
}

void TfrmMain::AddMerge()
{
    FMerge = new TMergeCommand(*this, *FObjectTextFile, FEncodings);
    gui::InsertAfter(*ui->mnuFile, FCompare->FolderAction(), {FMerge->Action()});
    FCommands->AddCommand(FMerge->Action(), [this] { FMerge->Execute(); }, [this] { return FileLoaded(); });
}

void TfrmMain::GoToObject(int ObjectIndex, int Line)
{
    FHistory->Record();
    SelectObject(ObjectIndex);
    // Now, not at the tree's delayed report, so the caret can be placed.
    ShowObjectText(ObjectIndex);
    if (Line > 0)
        ui->memMain->GoToLine(Line);
    ui->memMain->setFocus();
}

void TfrmMain::Beep()
{
    if (FBeepSink)
        FBeepSink();
    else
        QApplication::beep();
}
