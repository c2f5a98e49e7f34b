// The window's commands: the action list with its icons and shortcuts, the
// main menu and the three context menus, the update rules, and the commands
// that belong to no other feature (copy, select all, the fonts, About).
//
// It owns the action manager, the context menus and the font and About
// dialogs. It takes the actions, menus and views of the window's form
// description: it sets the actions' states, reads the views' focus and
// selection, and changes a view only by running a command on it (copy,
// select all, a font). What a command does to the file, the tree or the
// dialogs of other features it asks of its TCommandTarget, the window.
#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPointer>

#include <array>
#include <functional>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

class QAction;
class QFont;
class QFontDialog;
class QKeyEvent;
class QMainWindow;
class QWidget;
class TAboutBox;
class TActionManager;
class TPopupActionBarEx;
namespace Ui {
class TfrmMain;
}

// The view that the commands act on: the window's control that has, or last
// had, the input focus, if it is one of the three.
enum class TActiveView { None, Tree, List, Text };

// What the commands need of the window.
class TCommandTarget {
public:
    virtual bool FileLoaded() const = 0;
    // The object of the tree's selected node; -1 for the file's node and for no node.
    virtual int SelectedObjectIndex() const = 0;
    // The file's node is selected (the list shows).
    virtual bool RootSelected() const = 0;

    virtual void actFileOpenExecute() = 0;
    virtual void actFileCloseExecute() = 0;
    virtual void actFileExitExecute() = 0;
    virtual void actFileExportTreeViewExecute() = 0;
    virtual void actFileExportListViewExecute() = 0;
    virtual void actEditFindExecute() = 0;

protected:
    ~TCommandTarget() = default;
};

class TWindowCommands : public QObject {
    Q_OBJECT
public:
    TWindowCommands(QMainWindow& Window, Ui::TfrmMain& Form, TCommandTarget& Target);

    // Runs every update rule. Done before a menu or context menu opens, before
    // a shortcut key is matched, and whenever the event loop is about to wait.
    // On the views, the key of an enabled command goes to the command before
    // the view can claim it.
    void UpdateActions();
    TActiveView ActiveView() const;
    // Cuts the links to the application's signals and stops watching the
    // window's keys; the rest of the window goes next.
    void Disconnect();
    // A command of another feature joins the window's: its key works wherever
    // the focus is in the window, Execute runs guarded, and Enabled (none:
    // always) is its update rule.
    void AddCommand(QAction* Action, std::function<void()> Execute, std::function<bool()> Enabled = {});
    // An item for Action at the end of Control's context menu (the tree's,
    // the list's or the text view's).
    void AddContextItem(QWidget* Control, const char* ItemName, QAction* Action);

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    // One command: its action, what it runs and its update rule (none for the
    // commands that are always available).
    struct TCommand {
        QAction* Action;
        std::function<void()> Execute;
        void (TWindowCommands::*Update)();
        std::function<bool()> Enabled = {};  // a feature's rule, for one without Update
    };

    void CreateDialogs();
    // The window and its three views, whose keys are watched.
    std::array<QObject*, 4> KeyTargets() const;
    void CreateCommands();
    void SetUpCommandImages();
    void SetUpMainMenu();
    void SetUpContextMenus();
    TPopupActionBarEx* CreateContextMenu(const char* Name, QWidget* Control,
                                         std::initializer_list<std::pair<const char*, QAction*>> Items);
    // The update rule first; the command only if its action is then enabled.
    void RunCommand(const TCommand& Command);
    void Update(const TCommand& Command);
    bool ListHasSelectedRows() const;
    // A shortcut key of an enabled command, which the focused control must not take.
    bool IsCommandKey(const QKeyEvent& Key) const;

    // Update rules, each setting only what its rule names.
    void actFileCloseUpdate();
    void actEditFindUpdate();
    void actEditSelectAllTreeViewUpdate();
    void actEditCopyTreeViewUpdate();
    void actFileExportTreeViewUpdate();
    void actFileExportListViewUpdate();
    void actViewFontTreeViewUpdate();
    void actViewFontMemoUpdate();

    // The commands of their own. Copy (actEditCopyTreeView, offered by the tree
    // and the text view) copies the text view's selection, or its whole text.
    void CopyObjectText();
    void actEditSelectAllTreeViewExecute();
    void actViewFontMemoExecute();
    void actViewFontTreeViewExecute();
    void actHelpAboutExecute();
    std::optional<QFont> ChooseFont(const QFont& Current);

    QMainWindow& FWindow;
    Ui::TfrmMain& Form;
    TCommandTarget& FTarget;

    // Commands, in the order of the action list.
    TActionManager* acmMain = nullptr;
    std::vector<TCommand> FCommands;
    QList<QIcon> imlToolbutton;
    TPopupActionBarEx* pumTreeView = nullptr;
    TPopupActionBarEx* pumMemo = nullptr;
    TPopupActionBarEx* pumListView = nullptr;
    QFontDialog* dlgFont = nullptr;
    TAboutBox* dlgAbout = nullptr;
    // The control that had the focus when the menu bar took it for keyboard
    // navigation: the menu bar is never the active control.
    QPointer<QWidget> FFocusBeforeMenuBar;
    std::vector<QMetaObject::Connection> FApplicationLinks;
};
