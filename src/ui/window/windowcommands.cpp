#include "ui/window/windowcommands.h"

#include "components/aboutbox.h"
#include "components/actnpopupctrl.h"
#include "ui/common/errorbox.h"
#include "ui/views/textviewmap.h"
#include "ui_mainform.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>

#include <algorithm>
#include <array>

namespace {

// imlToolbutton, by image index.
enum TCommandImage { ciFind, ciOpen, ciFont, ciCopy, ciExport, CommandImageCount };

QList<QIcon> CommandImages()
{
    QList<QIcon> Images;
    for (int Index = 0; Index < CommandImageCount; ++Index)
        Images << QIcon(QStringLiteral(":/icons/cmd%1.png").arg(Index));
    return Images;
}

// Entry shows Action under a caption of its own: Action's icon, enabled and
// visible state, and choosing it runs Action.
void LinkMenuEntry(QAction& Entry, QAction& Action)
{
    Entry.setIcon(Action.icon());
    const auto Follow = [&Entry, &Action] {
        Entry.setVisible(Action.isVisible());
        Entry.setEnabled(Action.isEnabled());
    };
    Follow();
    QObject::connect(&Action, &QAction::changed, &Entry, Follow);
    QObject::connect(&Entry, &QAction::triggered, &Action, &QAction::trigger);
}

// The font dialog offers typeface, style and size only: no effects, so the
// font keeps its underline and strikeout as they were. The sample takes the
// whole row the effects shared with it, so no empty area stays.
void HideFontEffects(QFontDialog& Dialog)
{
    auto* Grid = qobject_cast<QGridLayout*>(Dialog.layout());
    for (QGroupBox* Group : Dialog.findChildren<QGroupBox*>()) {
        if (!Group->findChildren<QCheckBox*>().isEmpty()) {
            Group->hide();
            continue;
        }
        const int At = Grid ? Grid->indexOf(Group) : -1;
        if (At < 0)
            continue;
        int Row = 0, Column = 0, RowSpan = 0, ColumnSpan = 0;
        Grid->getItemPosition(At, &Row, &Column, &RowSpan, &ColumnSpan);
        Grid->removeWidget(Group);
        Grid->addWidget(Group, Row, 0, 1, Grid->columnCount());
        // Room for a line of the sample in a bigger size than the dialog's own.
        Group->setMinimumHeight(std::max(Group->sizeHint().height(), 4 * Group->fontMetrics().height()));
    }
}

bool SameLook(const QFont& A, const QFont& B)
{
    const QFontInfo DrawnA(A), DrawnB(B);
    return DrawnA.family() == DrawnB.family() && DrawnA.pointSize() == DrawnB.pointSize() &&
           DrawnA.bold() == DrawnB.bold() && DrawnA.italic() == DrawnB.italic();
}

}  // namespace

// --- Building the commands -----------------------------------------------------------

TWindowCommands::TWindowCommands(QMainWindow& Window, Ui::TfrmMain& FormDescription, TCommandTarget& Target)
    : QObject(&Window), FWindow(Window), Form(FormDescription), FTarget(Target)
{
    CreateDialogs();
    CreateCommands();
    for (QObject* Watched : KeyTargets())
        Watched->installEventFilter(this);
}

std::array<QObject*, 4> TWindowCommands::KeyTargets() const
{
    return {&FWindow, Form.tvwMain, Form.lvwMain, Form.memMain};
}

void TWindowCommands::CreateDialogs()
{
    dlgFont = new QFontDialog(&FWindow);
    dlgFont->setObjectName(QStringLiteral("dlgFont"));
    dlgFont->setOption(QFontDialog::DontUseNativeDialog);
    HideFontEffects(*dlgFont);
    dlgAbout = new TAboutBox(&FWindow);
    dlgAbout->setObjectName(QStringLiteral("dlgAbout"));
}

void TWindowCommands::CreateCommands()
{
    acmMain = new TActionManager(&FWindow);
    acmMain->setObjectName(QStringLiteral("acmMain"));
    acmMain->SetStyle(QStringLiteral("XP Style"));
    imlToolbutton = CommandImages();

    const auto Run = [this](void (TCommandTarget::*Handler)()) { return [this, Handler] { (FTarget.*Handler)(); }; };
    const auto Own = [this](void (TWindowCommands::*Handler)()) { return [this, Handler] { (this->*Handler)(); }; };
    // The action list, in its designed order; no two actions share a key.
    FCommands = {
        {Form.actFileOpen, Run(&TCommandTarget::actFileOpenExecute), nullptr},
        {Form.actFileExit, Run(&TCommandTarget::actFileExitExecute), nullptr},
        {Form.actViewFontMemo, Own(&TWindowCommands::actViewFontMemoExecute), &TWindowCommands::actViewFontMemoUpdate},
        {Form.actHelpAbout, Own(&TWindowCommands::actHelpAboutExecute), nullptr},
        {Form.actEditFind, Run(&TCommandTarget::actEditFindExecute), &TWindowCommands::actEditFindUpdate},
        {Form.actEditSelectAllTreeView, Own(&TWindowCommands::actEditSelectAllTreeViewExecute),
         &TWindowCommands::actEditSelectAllTreeViewUpdate},
        {Form.actEditCopyTreeView, Own(&TWindowCommands::CopyObjectText), &TWindowCommands::actEditCopyTreeViewUpdate},
        {Form.actFileExportTreeView, Run(&TCommandTarget::actFileExportTreeViewExecute),
         &TWindowCommands::actFileExportTreeViewUpdate},
        {Form.actFileExportListView, Run(&TCommandTarget::actFileExportListViewExecute),
         &TWindowCommands::actFileExportListViewUpdate},
        {Form.actFileClose, Run(&TCommandTarget::actFileCloseExecute), &TWindowCommands::actFileCloseUpdate},
        {Form.actViewFontTreeView, Own(&TWindowCommands::actViewFontTreeViewExecute),
         &TWindowCommands::actViewFontTreeViewUpdate},
    };
    for (const TCommand& Command : FCommands) {
        // Part of the window, so its shortcut works wherever the focus is in it.
        FWindow.addAction(Command.Action);
        connect(Command.Action, &QAction::triggered, this, [this, Command] { RunCommand(Command); });
    }
    // Ctrl+O only as a secondary shortcut: it works, but the menu shows no key.
    Form.actFileOpen->setShortcuts({QKeySequence(), QKeySequence(Qt::CTRL | Qt::Key_O)});
    SetUpCommandImages();
    SetUpMainMenu();
    SetUpContextMenus();

    FApplicationLinks.push_back(
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* Old, QWidget* Now) {
            if (Now == Form.ActionMainMenuBar1)
                FFocusBeforeMenuBar = Old;
        }));
    // Idle: whenever the event loop has nothing left to do.
    FApplicationLinks.push_back(connect(QAbstractEventDispatcher::instance(),
                                        &QAbstractEventDispatcher::aboutToBlock, this,
                                        &TWindowCommands::UpdateActions));
}

void TWindowCommands::Disconnect()
{
    for (const QMetaObject::Connection& Link : std::exchange(FApplicationLinks, {}))
        disconnect(Link);
    for (QObject* Watched : KeyTargets())
        Watched->removeEventFilter(this);
}

bool TWindowCommands::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(Watched, Event);
    // A key about to be matched against the shortcuts: with the states of now.
    UpdateActions();
    // The key of an enabled command is the command's, never the view's own
    // (a text edit claims Ctrl+A and Ctrl+C whenever it is editable).
    return Watched != &FWindow && IsCommandKey(static_cast<const QKeyEvent&>(*Event));
}

void TWindowCommands::SetUpCommandImages()
{
    Form.actEditFind->setIcon(imlToolbutton.at(ciFind));
    Form.actFileOpen->setIcon(imlToolbutton.at(ciOpen));
    Form.actViewFontMemo->setIcon(imlToolbutton.at(ciFont));
    Form.actViewFontTreeView->setIcon(imlToolbutton.at(ciFont));
    Form.actEditCopyTreeView->setIcon(imlToolbutton.at(ciCopy));
    Form.actFileExportTreeView->setIcon(imlToolbutton.at(ciExport));
    Form.actFileExportListView->setIcon(imlToolbutton.at(ciExport));
}

void TWindowCommands::SetUpMainMenu()
{
    LinkMenuEntry(*Form.mniFileExportListView, *Form.actFileExportListView);
    LinkMenuEntry(*Form.mniHelpAbout, *Form.actHelpAbout);
    // The menus are children of the bar, so the bar's style sheet draws them too.
    const auto ApplyStyle = [this] { Form.ActionMainMenuBar1->setStyleSheet(acmMain->StyleSheet()); };
    ApplyStyle();
    connect(acmMain, &TActionManager::styleChanged, this, ApplyStyle);
    for (QMenu* Menu : {Form.mnuFile, Form.mnuEdit, Form.mnuView, Form.mnuHelp})
        connect(Menu, &QMenu::aboutToShow, this, &TWindowCommands::UpdateActions);
}

void TWindowCommands::SetUpContextMenus()
{
    pumTreeView = CreateContextMenu("pumTreeView", Form.tvwMain,
                                    {{"idpEditCopyTreeView", Form.actEditCopyTreeView},
                                     {"idpFileExportTreeView", Form.actFileExportTreeView}});
    pumMemo = CreateContextMenu("pumMemo", Form.memMain,
                                {{"idpEditCopy", Form.actEditCopyTreeView},
                                 {"idpEditSelectAll", Form.actEditSelectAllTreeView}});
    pumListView =
        CreateContextMenu("pumListView", Form.lvwMain, {{"idpFileExportMulti", Form.actFileExportListView}});
}

TPopupActionBarEx* TWindowCommands::CreateContextMenu(const char* Name, QWidget* Control,
                                               std::initializer_list<std::pair<const char*, QAction*>> Items)
{
    auto* Menu = new TPopupActionBarEx(&FWindow);
    Menu->setObjectName(QString::fromLatin1(Name));
    Menu->SetActionManager(acmMain);
    Menu->SetImages(imlToolbutton);
    for (const auto& [ItemName, Action] : Items)
        Menu->Items().Add(Action).SetName(QString::fromLatin1(ItemName));
    // The items copy their actions' states as the menu opens.
    Menu->SetOnPopup([this](TCustomPopupActionBarEx&) { UpdateActions(); });
    Menu->AttachTo(Control, [this](const std::function<void()>& Work) { gui::RunGuarded(&FWindow, Work); });
    return Menu;
}

void TWindowCommands::AddContextItem(QWidget* Control, const char* ItemName, QAction* Action)
{
    TPopupActionBarEx* Menu = Control == Form.tvwMain   ? pumTreeView
                              : Control == Form.lvwMain ? pumListView
                              : Control == Form.memMain ? pumMemo
                                                        : nullptr;
    if (Menu)
        Menu->Items().Add(Action).SetName(QString::fromLatin1(ItemName));
}

// --- Running commands ------------------------------------------------------------------

void TWindowCommands::AddCommand(QAction* Action, std::function<void()> Execute, std::function<bool()> Enabled)
{
    FCommands.push_back({Action, std::move(Execute), nullptr, std::move(Enabled)});
    FWindow.addAction(Action);
    connect(Action, &QAction::triggered, this, [this, Command = FCommands.back()] { RunCommand(Command); });
}

void TWindowCommands::RunCommand(const TCommand& Command)
{
    gui::RunGuarded(&FWindow, [&] {
        Update(Command);
        if (Command.Action->isEnabled())
            Command.Execute();
    });
}

void TWindowCommands::Update(const TCommand& Command)
{
    if (Command.Update)
        (this->*Command.Update)();
    else if (Command.Enabled)
        Command.Action->setEnabled(Command.Enabled());
}

void TWindowCommands::UpdateActions()
{
    for (const TCommand& Command : FCommands)
        Update(Command);
}

bool TWindowCommands::IsCommandKey(const QKeyEvent& Key) const
{
    const QKeySequence Pressed(Key.keyCombination());
    for (const TCommand& Command : FCommands)
        if (Command.Action->isEnabled() && Command.Action->shortcuts().contains(Pressed))
            return true;
    return false;
}

TActiveView TWindowCommands::ActiveView() const
{
    // The window remembers its focused control while another window is active.
    const QWidget* Control = FWindow.focusWidget();
    if (Control == Form.ActionMainMenuBar1)
        Control = FFocusBeforeMenuBar;
    if (Control == Form.tvwMain)
        return TActiveView::Tree;
    if (Control == Form.lvwMain)
        return TActiveView::List;
    if (Control == Form.memMain)
        return TActiveView::Text;
    return TActiveView::None;
}

// --- Update rules --------------------------------------------------------------------------

void TWindowCommands::actFileCloseUpdate()
{
    Form.actFileClose->setEnabled(FTarget.FileLoaded());
}

void TWindowCommands::actEditFindUpdate()
{
    Form.actEditFind->setEnabled(FTarget.FileLoaded());
}

void TWindowCommands::actEditSelectAllTreeViewUpdate()
{
    Form.actEditSelectAllTreeView->setEnabled(FTarget.FileLoaded());
}

void TWindowCommands::actEditCopyTreeViewUpdate()
{
    Form.actEditCopyTreeView->setEnabled(FTarget.SelectedObjectIndex() >= 0);
}

void TWindowCommands::actFileExportTreeViewUpdate()
{
    const bool TreeActive = ActiveView() == TActiveView::Tree;
    Form.actFileExportTreeView->setEnabled(TreeActive && FTarget.SelectedObjectIndex() >= 0);
    Form.actFileExportTreeView->setVisible(TreeActive);
}

void TWindowCommands::actFileExportListViewUpdate()
{
    Form.actFileExportListView->setEnabled(ListHasSelectedRows());
    Form.actFileExportListView->setVisible(ActiveView() == TActiveView::List);
}

void TWindowCommands::actViewFontTreeViewUpdate()
{
    const TActiveView Active = ActiveView();
    Form.actViewFontTreeView->setVisible(Active == TActiveView::Tree || Active == TActiveView::List);
}

void TWindowCommands::actViewFontMemoUpdate()
{
    Form.actViewFontMemo->setVisible(ActiveView() == TActiveView::Text);
}

// --- Copy, Select All, fonts, About ---------------------------------------------------------

void TWindowCommands::CopyObjectText()
{
    const TObjectTextView& Memo = *Form.memMain;
    // The object's own bytes, line breaks as in the file, one character per
    // byte as the view shows them.
    const std::string Bytes = Memo.textCursor().hasSelection() ? Memo.SelectedBytes() : Memo.ObjectText();
    QGuiApplication::clipboard()->setText(LabelFromBytes(Bytes, Memo.Encoding()));
}

void TWindowCommands::actEditSelectAllTreeViewExecute()
{
    switch (ActiveView()) {
    case TActiveView::List:
        Form.lvwMain->selectAll();
        break;
    case TActiveView::Text:
        Form.memMain->selectAll();
        break;
    case TActiveView::Tree:
        // Beside the root the list is shown, beside an object its text.
        if (FTarget.RootSelected())
            Form.lvwMain->selectAll();
        else
            Form.memMain->selectAll();
        break;
    case TActiveView::None:
        break;
    }
}

std::optional<QFont> TWindowCommands::ChooseFont(const QFont& Current)
{
    // The view may show a fallback for a face this system lacks: the dialog
    // starts from the face drawn, and OK without a change keeps the view's
    // font, stored face included.
    QFont Shown = Current;
    const QFontInfo Drawn(Current);
    Shown.setFamilies({Drawn.family()});
    Shown.setStyleName(Drawn.styleName());
    dlgFont->setCurrentFont(Shown);
    if (dlgFont->exec() != QDialog::Accepted)
        return std::nullopt;
    const QFont Chosen = dlgFont->selectedFont();
    if (SameLook(Chosen, Shown))
        return std::nullopt;
    return Chosen;
}

void TWindowCommands::actViewFontMemoExecute()
{
    if (const std::optional<QFont> Font = ChooseFont(Form.memMain->font()))
        Form.memMain->setFont(*Font);
}

void TWindowCommands::actViewFontTreeViewExecute()
{
    if (const std::optional<QFont> Font = ChooseFont(Form.tvwMain->font())) {
        Form.tvwMain->setFont(*Font);
        Form.lvwMain->setFont(*Font);
    }
}

void TWindowCommands::actHelpAboutExecute()
{
    dlgAbout->Execute();
}

bool TWindowCommands::ListHasSelectedRows() const
{
    return Form.lvwMain->selectionModel()->hasSelection();
}
