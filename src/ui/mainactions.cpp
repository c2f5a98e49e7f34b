// The window's commands: the action list with its icons and shortcuts, the
// main menu and the three context menus, the update rules, and the commands
// that belong to no other feature (copy, select all, fonts, About).
#include "ui/mainform.h"

#include "components/aboutbox.h"
#include "components/actnpopupctrl.h"
#include "ui/errorbox.h"
#include "ui_mainform.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QCheckBox>
#include <QFontDialog>
#include <QLabel>
#include <QGridLayout>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>

#include <algorithm>

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

void TfrmMain::CreateDialogs()
{
    dlgFont = new QFontDialog(this);
    dlgFont->setObjectName(QStringLiteral("dlgFont"));
    dlgFont->setOption(QFontDialog::DontUseNativeDialog);
    HideFontEffects(*dlgFont);
    dlgAbout = new TAboutBox(this);
    dlgAbout->setObjectName(QStringLiteral("dlgAbout"));
    CreateFindAndExport();
}

void TfrmMain::WireActions()
{
    acmMain = new TActionManager(this);
    acmMain->setObjectName(QStringLiteral("acmMain"));
    acmMain->SetStyle(QStringLiteral("XP Style"));
    imlToolbutton = CommandImages();

    // The action list, in its designed order; no two actions share a key.
    FCommands = {
        {ui->actFileOpen, &TfrmMain::actFileOpenExecute, nullptr},
        {ui->actFileExit, &TfrmMain::actFileExitExecute, nullptr},
        {ui->actViewFontMemo, &TfrmMain::actViewFontMemoExecute, &TfrmMain::actViewFontMemoUpdate},
        {ui->actHelpAbout, &TfrmMain::actHelpAboutExecute, nullptr},
        {ui->actEditFind, &TfrmMain::actEditFindExecute, &TfrmMain::actEditFindUpdate},
        {ui->actEditSelectAllTreeView, &TfrmMain::actEditSelectAllTreeViewExecute,
         &TfrmMain::actEditSelectAllTreeViewUpdate},
        {ui->actEditCopyTreeView, &TfrmMain::actEditCopyTreeViewExecute, &TfrmMain::actEditCopyTreeViewUpdate},
        {ui->actFileExportTreeView, &TfrmMain::actFileExportTreeViewExecute,
         &TfrmMain::actFileExportTreeViewUpdate},
        {ui->actFileExportListView, &TfrmMain::actFileExportListViewExecute,
         &TfrmMain::actFileExportListViewUpdate},
        {ui->actFileClose, &TfrmMain::actFileCloseExecute, &TfrmMain::actFileCloseUpdate},
        {ui->actViewFontTreeView, &TfrmMain::actViewFontTreeViewExecute, &TfrmMain::actViewFontTreeViewUpdate},
    };
    for (const TCommand& Command : FCommands) {
        // Part of the window, so its shortcut works wherever the focus is in it.
        addAction(Command.Action);
        connect(Command.Action, &QAction::triggered, this, [this, Command] { RunCommand(Command); });
    }
    // Ctrl+O only as a secondary shortcut: it works, but the menu shows no key.
    ui->actFileOpen->setShortcuts({QKeySequence(), QKeySequence(Qt::CTRL | Qt::Key_O)});
    SetUpCommandImages();
    SetUpMainMenu();
    SetUpContextMenus();

    for (QWidget* View : std::initializer_list<QWidget*>{ui->tvwMain, ui->lvwMain, ui->memMain})
        View->installEventFilter(this);
    FApplicationLinks.push_back(
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* Old, QWidget* Now) {
            if (Now == ui->ActionMainMenuBar1)
                FFocusBeforeMenuBar = Old;
        }));
    // Idle: whenever the event loop has nothing left to do.
    FApplicationLinks.push_back(connect(QAbstractEventDispatcher::instance(),
                                        &QAbstractEventDispatcher::aboutToBlock, this,
                                        &TfrmMain::UpdateActions));
}

void TfrmMain::SetUpCommandImages()
{
    ui->actEditFind->setIcon(imlToolbutton.at(ciFind));
    ui->actFileOpen->setIcon(imlToolbutton.at(ciOpen));
    ui->actViewFontMemo->setIcon(imlToolbutton.at(ciFont));
    ui->actViewFontTreeView->setIcon(imlToolbutton.at(ciFont));
    ui->actEditCopyTreeView->setIcon(imlToolbutton.at(ciCopy));
    ui->actFileExportTreeView->setIcon(imlToolbutton.at(ciExport));
    ui->actFileExportListView->setIcon(imlToolbutton.at(ciExport));
}

void TfrmMain::SetUpMainMenu()
{
    LinkMenuEntry(*ui->mniFileExportListView, *ui->actFileExportListView);
    LinkMenuEntry(*ui->mniHelpAbout, *ui->actHelpAbout);
    // The menus are children of the bar, so the bar's style sheet draws them too.
    const auto ApplyStyle = [this] { ui->ActionMainMenuBar1->setStyleSheet(acmMain->StyleSheet()); };
    ApplyStyle();
    connect(acmMain, &TActionManager::styleChanged, this, ApplyStyle);
    for (QMenu* Menu : {ui->mnuFile, ui->mnuEdit, ui->mnuView, ui->mnuHelp})
        connect(Menu, &QMenu::aboutToShow, this, &TfrmMain::UpdateActions);
}

void TfrmMain::SetUpContextMenus()
{
    pumTreeView = CreateContextMenu("pumTreeView", ui->tvwMain,
                                    {{"idpEditCopyTreeView", ui->actEditCopyTreeView},
                                     {"idpFileExportTreeView", ui->actFileExportTreeView}});
    pumMemo = CreateContextMenu("pumMemo", ui->memMain,
                                {{"idpEditCopy", ui->actEditCopyTreeView},
                                 {"idpEditSelectAll", ui->actEditSelectAllTreeView}});
    pumListView =
        CreateContextMenu("pumListView", ui->lvwMain, {{"idpFileExportMulti", ui->actFileExportListView}});
}

TPopupActionBarEx* TfrmMain::CreateContextMenu(const char* Name, QWidget* Control,
                                               std::initializer_list<std::pair<const char*, QAction*>> Items)
{
    auto* Menu = new TPopupActionBarEx(this);
    Menu->setObjectName(QString::fromLatin1(Name));
    Menu->SetActionManager(acmMain);
    Menu->SetImages(imlToolbutton);
    for (const auto& [ItemName, Action] : Items)
        Menu->Items().Add(Action).SetName(QString::fromLatin1(ItemName));
    // The items copy their actions' states as the menu opens.
    Menu->SetOnPopup([this](TCustomPopupActionBarEx&) { UpdateActions(); });
    Menu->AttachTo(Control, [this](const std::function<void()>& Work) { ui::RunGuarded(this, Work); });
    return Menu;
}

// --- Running commands ------------------------------------------------------------------

void TfrmMain::RunCommand(const TCommand& Command)
{
    ui::RunGuarded(this, [&] {
        if (Command.Update)
            (this->*Command.Update)();
        if (Command.Action->isEnabled())
            (this->*Command.Execute)();
    });
}

void TfrmMain::UpdateActions()
{
    for (const TCommand& Command : FCommands)
        if (Command.Update)
            (this->*Command.Update)();
}

bool TfrmMain::IsCommandKey(const QKeyEvent& Key) const
{
    const QKeySequence Pressed(Key.keyCombination());
    for (const TCommand& Command : FCommands)
        if (Command.Action->isEnabled() && Command.Action->shortcuts().contains(Pressed))
            return true;
    return false;
}

TfrmMain::TActiveView TfrmMain::ActiveView() const
{
    // The window remembers its focused control while another window is active.
    const QWidget* Control = focusWidget();
    if (Control == ui->ActionMainMenuBar1)
        Control = FFocusBeforeMenuBar;
    if (Control == ui->tvwMain)
        return TActiveView::Tree;
    if (Control == ui->lvwMain)
        return TActiveView::List;
    if (Control == ui->memMain)
        return TActiveView::Text;
    return TActiveView::None;
}

// --- Update rules --------------------------------------------------------------------------

void TfrmMain::actFileCloseUpdate()
{
    ui->actFileClose->setEnabled(FileLoaded());
}

void TfrmMain::actEditFindUpdate()
{
    ui->actEditFind->setEnabled(FileLoaded());
}

void TfrmMain::actEditSelectAllTreeViewUpdate()
{
    ui->actEditSelectAllTreeView->setEnabled(FileLoaded());
}

void TfrmMain::actEditCopyTreeViewUpdate()
{
    ui->actEditCopyTreeView->setEnabled(SelectedObjectIndex() >= 0);
}

void TfrmMain::actFileExportTreeViewUpdate()
{
    const bool TreeActive = ActiveView() == TActiveView::Tree;
    ui->actFileExportTreeView->setEnabled(TreeActive && SelectedObjectIndex() >= 0);
    ui->actFileExportTreeView->setVisible(TreeActive);
}

void TfrmMain::actFileExportListViewUpdate()
{
    ui->actFileExportListView->setEnabled(ListHasSelectedRows());
    ui->actFileExportListView->setVisible(ActiveView() == TActiveView::List);
}

void TfrmMain::actViewFontTreeViewUpdate()
{
    const TActiveView Active = ActiveView();
    ui->actViewFontTreeView->setVisible(Active == TActiveView::Tree || Active == TActiveView::List);
}

void TfrmMain::actViewFontMemoUpdate()
{
    ui->actViewFontMemo->setVisible(ActiveView() == TActiveView::Text);
}

// --- Copy, Select All, fonts, About ---------------------------------------------------------

void TfrmMain::actEditCopyTreeViewExecute()
{
    const TObjectTextView& Memo = *ui->memMain;
    // The object's own bytes, line breaks as in the file, one character per
    // byte as the view shows them.
    const std::string Bytes = Memo.textCursor().hasSelection() ? Memo.SelectedBytes() : Memo.ObjectText();
    QGuiApplication::clipboard()->setText(LabelFromBytes(Bytes, Memo.Encoding()));
}

void TfrmMain::actEditSelectAllTreeViewExecute()
{
    switch (ActiveView()) {
    case TActiveView::List:
        ui->lvwMain->selectAll();
        break;
    case TActiveView::Text:
        ui->memMain->selectAll();
        break;
    case TActiveView::Tree:
        // Beside the root the list is shown, beside an object its text.
        if (TObjectTreeModel::IsRoot(SelectedNode()))
            ui->lvwMain->selectAll();
        else
            ui->memMain->selectAll();
        break;
    case TActiveView::None:
        break;
    }
}

std::optional<QFont> TfrmMain::ChooseFont(const QFont& Current)
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

void TfrmMain::actViewFontMemoExecute()
{
    if (const std::optional<QFont> Font = ChooseFont(ui->memMain->font()))
        ui->memMain->setFont(*Font);
}

void TfrmMain::actViewFontTreeViewExecute()
{
    if (const std::optional<QFont> Font = ChooseFont(ui->tvwMain->font())) {
        ui->tvwMain->setFont(*Font);
        ui->lvwMain->setFont(*Font);
    }
}

void TfrmMain::actHelpAboutExecute()
{
    dlgAbout->Execute();
}
