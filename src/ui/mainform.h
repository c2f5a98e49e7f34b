// The application's one window: start-up and shutdown, opening and closing
// files, the object tree, list and text views, the settings file, the
// commands with their menus and update rules, find and export.
//
// mainform.cpp: start-up, files and views; mainactions.cpp: the commands,
// menus and update rules; mainfindexport.cpp: find and export;
// mainsettings.cpp: the settings file.
#pragma once

#include "ui/findnext.h"
#include "ui/objectviews.h"
#include "core/quibfile.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class QAction;
class QFileDialog;
class QFontDialog;
class QKeyEvent;
class QLabel;
class TAboutBox;
class TActionManager;
class TExportFlow;
class TFindFlow;
class TPopupActionBarEx;
class TWindowPlacement;
namespace Ui {
class TfrmMain;
}

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // Arguments: the command line without the program's own name; the first
    // one, if any, is the file to open. SettingsFileName: the settings file;
    // empty for the one beside the executable.
    explicit TfrmMain(const QStringList& Arguments = {}, const QString& SettingsFileName = {},
                      QWidget* Parent = nullptr);
    ~TfrmMain() override;

    // The settings file: beside the executable where that folder can be
    // written, else in the user's configuration folder.
    static QString DefaultSettingsFileName();

    void UpdateCaption();
    void UpdateStatus();
    void FileProgress(TObjectTextFile& Sender, TProgressKind Kind, std::uint8_t Percent);
    // Loads FileName (a full path, or one relative to the current directory)
    // and shows it. Failures are thrown, after the views have been brought in
    // line with what the model still holds.
    void OpenFile(const QString& FileName);

    // Views.
    void FillTreeView();
    void tvwMainChange(const QModelIndex& Node);
    void tvwMainMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, const QPoint& Position);
    void lvwMainDblClick();

    // Commands: Execute handlers.
    void actFileOpenExecute();
    void actFileCloseExecute();
    void actFileExitExecute();
    void actFileExportTreeViewExecute();
    void actFileExportListViewExecute();
    void actEditFindExecute();
    void actEditCopyTreeViewExecute();
    void actEditSelectAllTreeViewExecute();
    void actViewFontMemoExecute();
    void actViewFontTreeViewExecute();
    void actHelpAboutExecute();
    // Commands: update rules, each setting only what its rule names.
    void actFileCloseUpdate();
    void actEditFindUpdate();
    void actEditSelectAllTreeViewUpdate();
    void actEditCopyTreeViewUpdate();
    void actFileExportTreeViewUpdate();
    void actFileExportListViewUpdate();
    void actViewFontTreeViewUpdate();
    void actViewFontMemoUpdate();
    // Runs every update rule. Done before a menu or context menu opens, before
    // a shortcut key is matched, and whenever the event loop is about to wait.
    void UpdateActions();

    // The view that the commands act on: the window's control that has, or
    // last had, the input focus, if it is one of the three.
    enum class TActiveView { None, Tree, List, Text };
    TActiveView ActiveView() const;

    // One press of the find dialog's Find Next.
    void dlgFindFind();

    // Settings.
    void LoadSettings();
    void SaveSettings();

    // What other parts of the window and the tests look at.
    TObjectTextFile& ObjectTextFile() { return *FObjectTextFile; }
    bool FileLoaded() const { return FObjectTextFile && !FObjectTextFile->FileName().empty(); }
    QString StatusText() const;
    const QString& SettingsFileName() const { return FSettingsFileName; }
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

protected:
    bool event(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dragMoveEvent(QDragMoveEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;

private:
    // One command: its action, Execute handler and update rule (none for the
    // commands that are always available).
    struct TCommand {
        QAction* Action;
        void (TfrmMain::*Execute)();
        void (TfrmMain::*Update)();
    };
    class TFindViews;

    void FormCreate(const QStringList& Arguments);
    void FormDestroy();
    void WireViews();
    void CreateDialogs();
    void CreateFindAndExport();
    void WireActions();
    void SetUpCommandImages();
    void SetUpMainMenu();
    void SetUpContextMenus();
    TPopupActionBarEx* CreateContextMenu(const char* Name, QWidget* Control,
                                         std::initializer_list<std::pair<const char*, QAction*>> Items);
    // The update rule first; the Execute handler only if the action is then enabled.
    void RunCommand(const TCommand& Command);
    // A shortcut key of an enabled command, which the focused control must not take.
    bool IsCommandKey(const QKeyEvent& Key) const;
    // The tree's selected node, invalid when there is none.
    QModelIndex SelectedNode() const;
    // The object of the tree's selected node; -1 for the root and for no node.
    int SelectedObjectIndex() const;
    bool ListHasSelectedRows() const;
    std::optional<QFont> ChooseFont(const QFont& Current);
    // The object branch of tvwMainChange: the text view with object ObjectIndex's text.
    void ShowObjectText(int ObjectIndex);
    void SetStatusText(const QString& Text);
    void SelectNode(int AbsoluteIndex);
    // After a load that failed the model holds no readable file any more
    // (the previous one was released first): show that, as Close does.
    void ShowNoFile();
    QFileDialog& OpenDialog();
    // The window's own font as designed, which the views start from.
    void SetDesignedFont();

    std::unique_ptr<TObjectTextFile> FObjectTextFile;
    std::unique_ptr<Ui::TfrmMain> ui;
    QString FSettingsFileName;
    QLabel* FStatusLabel = nullptr;
    TKindImages FKindImages;
    TObjectTreeModel* FTreeModel = nullptr;
    TObjectListModel* FListModel = nullptr;
    // The tree width read from the settings, until the splitter has been laid
    // out on screen (before that its sizes are not the ones it will show).
    int FPendingTreeWidth = -1;
    TWindowPlacement* FPlacement = nullptr;
    QPointer<QFileDialog> FdlgOpen;
    // The Open dialog's file and filter at its last confirmed use.
    QString FOpenFileName;
    QString FOpenFilter;

    // Commands, in the order of the action list.
    TActionManager* acmMain = nullptr;
    std::vector<TCommand> FCommands;
    QList<QIcon> imlToolbutton;
    TPopupActionBarEx* pumTreeView = nullptr;
    TPopupActionBarEx* pumMemo = nullptr;
    TPopupActionBarEx* pumListView = nullptr;

    // Dialogs, owned by the window as its children.
    QFontDialog* dlgFont = nullptr;
    // Find and export, each with its dialogs.
    std::unique_ptr<TFindView> FFindViews;
    TFindFlow* FFind = nullptr;
    TExportFlow* FExport = nullptr;
    TAboutBox* dlgAbout = nullptr;
    std::function<void()> FBeepSink;
    // The control that had the focus when the menu bar took it for keyboard
    // navigation: the menu bar is never the active control.
    QPointer<QWidget> FFocusBeforeMenuBar;
    // Links to the application's signals, cut before the window's parts go.
    std::vector<QMetaObject::Connection> FApplicationLinks;
};
