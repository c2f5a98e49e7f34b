// The application's one window: start-up and shutdown, opening and closing
// files, and what the tree's selection shows in the text view.
//
// It owns the model and hands the rest over by job, each a child of the
// window: the tree and list (TObjectBrowser), the commands with their menus
// and update rules (TWindowCommands), the find (TFindFlow), the export
// (TExportFlow), the encoding (TViewEncoding), the status bar (TStatusFields)
// and the window's bounds, fonts and tree width (TWindowPlacement, TViewFonts,
// TPaneWidth). mainform.cpp: start-up, files and views; mainsettings.cpp: the
// settings file, the window's own sections and each feature's (TSettingsOwner);
// mainfindexport.cpp: the hand-over to find and export; mainfeatures.cpp: the
// features on top of the window's own commands.
#pragma once

#include "core/quibfile.h"
#include "core/encodingchoice.h"
#include "ui/find/findnext.h"
#include "ui/views/objectviews.h"
#include "ui/window/windowcommands.h"

#include <QMainWindow>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TCompareCommand;
class TExportFlow;
class TFindAllPanel;
class TFindFlow;
class TFilterBar;
class TGoToObjectDialog;
class TListColumns;
class TReferenceCommands;
class TMergeCommand;
class TNavigationHistory;
class TObjectBrowser;
class TOpenDialog;
class TPaneWidth;
class TRecentFiles;
class TSettingsOwner;
class TStatusFields;
class TViewEncoding;
class TViewOptions;
class TWindowPlacement;
namespace Ui {
class TfrmMain;
}

class TfrmMain : public QMainWindow, private TCommandTarget {
    Q_OBJECT
public:
    // Arguments: the command line without the program's own name; the first
    // one, if any, is the file to open. SettingsFileName: the settings file;
    // empty for the default one (gui::DefaultSettingsFile).
    explicit TfrmMain(const QStringList& Arguments = {}, const QString& SettingsFileName = {},
                      QWidget* Parent = nullptr);
    ~TfrmMain() override;

    void UpdateCaption();
    void UpdateStatus();
    void FileProgress(TObjectTextFile& Sender, TProgressKind Kind, std::uint8_t Percent);
    // Loads FileName (a full path, or one relative to the current directory)
    // and shows it. Failures are thrown, after the views have been brought in
    // line with what the model still holds.
    void OpenFile(const QString& FileName);

    // Views: the tree and list anew for the file loaded (or none); the tree's
    // selection at rest on object ObjectIndex's node (-1: the file's); the
    // list's double click.
    void FillTreeView();
    void tvwMainChange(int ObjectIndex);
    void lvwMainDblClick();

    // The commands that are the window's own or hand over to find and export.
    void actFileOpenExecute() override;
    void actFileCloseExecute() override;
    void actFileExitExecute() override;
    void actFileExportTreeViewExecute() override;
    void actFileExportListViewExecute() override;
    void actEditFindExecute() override;

    // Settings.
    void LoadSettings();
    void SaveSettings();

    // What other parts of the window and the tests look at.
    TObjectTextFile& ObjectTextFile() { return *FObjectTextFile; }
    bool FileLoaded() const override { return FObjectTextFile && !FObjectTextFile->FileName().empty(); }
    TActiveView ActiveView() const { return FCommands->ActiveView(); }
    QString StatusText() const;
    // The find dialog's text (as bytes of the file) and match-case option, as
    // the settings file keeps them.
    std::string FindText() const;
    void SetFindText(const std::string& Text);
    bool FindMatchCase() const;
    void SetFindMatchCase(bool MatchCase);
    // Where the find's beep goes: the system's beep when unset. Tests count it.
    void SetBeepSink(std::function<void()> Sink) { FBeepSink = std::move(Sink); }
    // The font face that the settings file holds for a view, which may name a
    // font this system lacks (the view then shows a fallback).
    static QString StoredFace(const QFont& Font);
    // The tree's width, as the splitter gives it to the tree.
    void SetTreeWidth(int Width);
    int TreeWidth() const;
    // The display encoding by its setting's name: "auto" or an encoding's
    // name; an unknown name is Automatic.
    void SetEncoding(const QString& SettingName);
    QString EncodingSetting() const;

private:
    void FormCreate(const QStringList& Arguments);
    void FormDestroy();
    void CreateFindAndExport();
    int SelectedObjectIndex() const override;
    bool RootSelected() const override;
    // The object branch of tvwMainChange: the text view with object ObjectIndex's text.
    void ShowObjectText(int ObjectIndex);
    // Selects object ObjectIndex's node (the filter is cleared when it hides
    // the object) and scrolls the tree to it.
    void SelectObject(int ObjectIndex);
    // After a load that failed the model holds no readable file any more
    // (the previous one was released first): show that, as Close does.
    void ShowNoFile();

    std::unique_ptr<TObjectTextFile> FObjectTextFile;
    std::unique_ptr<Ui::TfrmMain> ui;
    QString FSettingsFileName;
    TStatusFields* FStatus = nullptr;
    TEncodingChoice FEncodings;
    TViewEncoding* FViewEncoding = nullptr;
    void FileEncodingsDetected(std::shared_ptr<const TFileEncodings> Encodings);
    TObjectBrowser* FBrowser = nullptr;
    TPaneWidth* FTreeWidth = nullptr;
    TWindowPlacement* FPlacement = nullptr;
    TOpenDialog* FOpenDialog = nullptr;

    // The jobs handed over, each a child of the window.
    TWindowCommands* FCommands = nullptr;
    std::unique_ptr<TFindView> FFindViews;
    TFindFlow* FFind = nullptr;
    TExportFlow* FExport = nullptr;
    std::function<void()> FBeepSink;

    // The features on top of the window's own commands (mainfeatures.cpp).
    void CreateFeatures();
    void AddEditCommands();
    void AddCompare();
    void AddMerge();
    void AddFindAll();
    void AddNavigation();
    void AddReferences();
    // The object of the tree's node or the list's first selected row, when
    // one of them has the focus; -1 otherwise.
    int BrowserFocusObject() const;
    // A file is about to be opened, or the one shown closed: the features let
    // go of what they hold of it.
    void FileChanging();
    // Object ObjectIndex shown, with the caret on line Line of its text (0:
    // at the start) and the keyboard focus in the text.
    void GoToObject(int ObjectIndex, int Line = 0);
    void Beep();
    void CreateFilter();
    void FilterChanged();
    TViewOptions* FViewOptions = nullptr;
    TListColumns* FListColumns = nullptr;
    TFilterBar* FFilterBar = nullptr;
    TRecentFiles* FRecentFiles = nullptr;
    TGoToObjectDialog* FGoToObject = nullptr;
    TNavigationHistory* FHistory = nullptr;
    TFindAllPanel* FFindAll = nullptr;
    TCompareCommand* FCompare = nullptr;
    TMergeCommand* FMerge = nullptr;
    TReferenceCommands* FReferences = nullptr;
    // The features that keep sections of their own in the settings file, in
    // the order a new file gets them, after the window's own.
    std::vector<TSettingsOwner*> FSettingsOwners;
};
