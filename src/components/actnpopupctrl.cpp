#include "components/actnpopupctrl.h"

#include <QAbstractScrollArea>
#include <QMenu>
#include <QWidget>

#include <array>

// ---------------------------------------------------------------------------
// Styles

namespace {

// "XP Style": flat menus on a light ground, the entry under the mouse in a
// pale blue box with a darker border, greyed text for disabled entries.
const char* const XPStyleSheet = R"(
QMenuBar { background: #F7F6EE; }
QMenuBar::item { padding: 3px 7px; background: transparent; border: 1px solid transparent; }
QMenuBar::item:selected { background: #C1D2EE; border: 1px solid #316AC5; }
QMenuBar::item:pressed { background: #FCFCF9; border: 1px solid #8A867A; }
QMenu { background: #FCFCF9; border: 1px solid #8A867A; padding: 2px; }
QMenu::item { color: #000000; padding: 3px 24px 3px 28px; border: 1px solid transparent; }
QMenu::item:selected { background: #C1D2EE; border: 1px solid #316AC5; }
QMenu::item:disabled { color: #ACA899; }
QMenu::item:disabled:selected { background: transparent; border: 1px solid transparent; }
QMenu::icon { padding-left: 4px; }
QMenu::separator { height: 1px; background: #C5C2B8; margin: 3px 2px 3px 28px; }
)";

const std::array<TActionBarStyle, 2>& Styles()
{
    static const std::array<TActionBarStyle, 2> Built{{
        {QStringLiteral("XP Style"), QString::fromLatin1(XPStyleSheet)},
        // The platform's own look, for a manager set to it; the window keeps
        // XP Style.
        {QStringLiteral("Standard"), QString()},
    }};
    return Built;
}

} // namespace

const TActionBarStyle& TActionBarStyles::First()
{
    return Styles().front();
}

const TActionBarStyle* TActionBarStyles::Find(const QString& Name)
{
    for (const TActionBarStyle& Style : Styles())
        if (Style.Name == Name)
            return &Style;
    return nullptr;
}

TActionManager::TActionManager(QObject* AOwner)
    : QObject(AOwner), FStyle(&TActionBarStyles::First())
{
}

bool TActionManager::SetStyle(const QString& Name)
{
    const TActionBarStyle* Style = TActionBarStyles::Find(Name);
    if (!Style)
        return false;
    if (Style != FStyle) {
        FStyle = Style;
        emit styleChanged();
    }
    return true;
}

// ---------------------------------------------------------------------------
// Menu items

TMenuItem& TMenuItem::Add(std::unique_ptr<TMenuItem> Item)
{
    FItems.push_back(std::move(Item));
    return *FItems.back();
}

QString TMenuItem::Caption() const
{
    if (FAction && !FHasCaption)
        return FAction->text();
    return FCaption;
}

QKeySequence TMenuItem::ShortCut() const
{
    return FAction ? FAction->shortcut() : FShortCut;
}

bool TMenuItem::Visible() const
{
    return FAction ? FAction->isVisible() : FVisible;
}

bool TMenuItem::Enabled() const
{
    return FAction ? FAction->isEnabled() : FEnabled;
}

bool TMenuItem::Checked() const
{
    return FAction && FAction->isChecked();
}

TMenuAction::TMenuAction(QObject* AOwner, TMenuItem* AMenuItem) : QAction(AOwner), FMenuItem(AMenuItem) {}

bool TMenuAction::Execute()
{
    if (FMenuItem && FMenuItem->OnClick())
        FMenuItem->OnClick()(*FMenuItem);
    return true;
}

TActionClientItem::TActionClientItem(QObject* AOwner) : QAction(AOwner)
{
    // The shortcut is shown beside the entry; the command's own action is what
    // answers the key.
    setShortcutContext(Qt::WidgetShortcut);
}

void TActionClientItem::SetClientAction(QAction* Value)
{
    disconnect(FEnabledLink);
    FAction = Value;
    if (!Value)
        return;
    setEnabled(Value->isEnabled());
    FEnabledLink = connect(Value, &QAction::enabledChanged, this, &QAction::setEnabled);
}

void TActionClientItem::Execute()
{
    if (auto* Wrapper = qobject_cast<TMenuAction*>(FAction.data()))
        Wrapper->Execute();
    else if (FAction)
        FAction->trigger();
}

// ---------------------------------------------------------------------------
// The popup menu component

// Frees the styled popup when Popup ends, on every path.
class TCustomPopupActionBarEx::TPopupScope {
public:
    explicit TPopupScope(TCustomPopupActionBarEx& Owner) : FOwner(Owner) {}
    ~TPopupScope()
    {
        FOwner.FPendingException = nullptr;
        FOwner.FPopupMenu.reset();
    }
    TPopupScope(const TPopupScope&) = delete;
    TPopupScope& operator=(const TPopupScope&) = delete;

private:
    TCustomPopupActionBarEx& FOwner;
};

TCustomPopupActionBarEx::TCustomPopupActionBarEx(QObject* AOwner) : QObject(AOwner) {}

TCustomPopupActionBarEx::~TCustomPopupActionBarEx() = default;

void TCustomPopupActionBarEx::SetActionManager(TActionManager* Value)
{
    // QPointer forgets the manager when it is destroyed.
    FActionManager = Value;
}

const TActionBarStyle& TCustomPopupActionBarEx::PopupStyle() const
{
    return FActionManager ? FActionManager->Style() : TActionBarStyles::First();
}

void TCustomPopupActionBarEx::Popup(const QPoint& Pos)
{
    if (FPopupMenu)
        return;
    if (FOnPopup)
        FOnPopup(*this);

    const TActionBarStyle& Style = PopupStyle();
    TPopupScope Scope(*this);
    FPopupMenu = std::make_unique<QMenu>();
    SetUpPopup(*FPopupMenu, Style);
    MirrorMenuItems(*FPopupMenu, FItems);

    QAction* Chosen = TrackPopup(*FPopupMenu, Pos);
    if (FPendingException)
        std::rethrow_exception(FPendingException);
    // The command runs once the menu has closed, outside Qt's menu loop, so
    // that any failure of it reaches the caller of Popup.
    if (auto* Client = qobject_cast<TActionClientItem*>(Chosen))
        Client->Execute();
}

void TCustomPopupActionBarEx::SetUpPopup(QMenu& Menu, const TActionBarStyle& Style)
{
    Menu.setObjectName(objectName());
    // The style's own colours, and a menu sized to its entries, laid out top
    // to bottom: what QMenu does by itself.
    Menu.setStyleSheet(Style.StyleSheet);
    Menu.setWindowFlag(Qt::NoDropShadowWindowHint, !FShadows);
    Menu.clear();
}

QAction* TCustomPopupActionBarEx::TrackPopup(QMenu& Menu, const QPoint& Pos)
{
    return Menu.exec(Pos);
}

QIcon TCustomPopupActionBarEx::ImageOf(const TMenuItem& Item) const
{
    if (Item.Action())
        return Item.Action()->icon();
    if (Item.ImageIndex() >= 0 && Item.ImageIndex() < FImages.size())
        return FImages.at(Item.ImageIndex());
    return QIcon();
}

void TCustomPopupActionBarEx::MirrorMenuItems(QMenu& Clients, TMenuItem& MenuItem)
{
    // Qt adds no access keys of its own: captions keep exactly their own "&".
    for (int Index = 0; Index < MenuItem.Count(); ++Index) {
        TMenuItem& Child = MenuItem.Items(Index);
        auto* Item = new TActionClientItem(&Clients);
        Item->setText(Child.Caption());
        Item->SetTag(&Child);
        Item->SetClientAction(Child.Action());
        const bool SubMenu = Child.Count() > 0 && Child.Visible();
        if (SubMenu)
            AddPlaceholderMenu(Clients, *Item);
        else if (!Child.Caption().isEmpty() && !Child.Action() && !Child.IsLine())
            WrapMenuItem(*Item, Child);
        Item->setText(Child.Caption());
        Item->setShortcut(Child.ShortCut());
        Item->setIcon(ImageOf(Child));
        Item->setVisible(Child.Visible());
        Item->setCheckable(Child.Checked() || (Child.Action() && Child.Action()->isCheckable()));
        Item->setChecked(Child.Checked());
        Item->setSeparator(Child.IsLine() && !SubMenu);
        Clients.addAction(Item);
    }
}

void TCustomPopupActionBarEx::AddPlaceholderMenu(QMenu& Clients, TActionClientItem& Item)
{
    // Freed with the popup it belongs to; filled when it first opens.
    auto* SubMenu = new QMenu(&Clients);
    SubMenu->setWindowFlag(Qt::NoDropShadowWindowHint, !FShadows);
    SubMenu->addAction(new TActionClientItem(SubMenu));
    Item.setMenu(SubMenu);
    connect(SubMenu, &QMenu::aboutToShow, SubMenu, [this, &Item] {
        // Runs inside Qt's menu loop: a failure closes the popup and is
        // rethrown by Popup.
        try {
            if (FPopupMenu)
                SubMenuPopup(*FPopupMenu, Item);
        } catch (...) {
            FPendingException = std::current_exception();
            if (FPopupMenu)
                FPopupMenu->hide();
        }
    });
}

void TCustomPopupActionBarEx::WrapMenuItem(TActionClientItem& Item, TMenuItem& Child)
{
    // The wrapper serves this one entry and goes with it.
    auto* Wrapper = new TMenuAction(&Item, &Child);
    Wrapper->setIcon(ImageOf(Child));
    Wrapper->setVisible(Child.Visible());
    Wrapper->setText(Child.Caption());
    Wrapper->setShortcut(Child.ShortCut());
    Wrapper->setEnabled(Child.Enabled());
    Item.SetClientAction(Wrapper);
}

void TCustomPopupActionBarEx::SubMenuPopup(QMenu& /*Sender*/, TActionClientItem& ItemControl)
{
    QMenu* SubMenu = ItemControl.menu<QMenu*>();
    if (!SubMenu)
        return;
    const QList<QAction*> Children = SubMenu->actions();
    auto* First = Children.isEmpty() ? nullptr : qobject_cast<TActionClientItem*>(Children.first());
    if (First && First->Tag())
        return;
    TMenuItem* Source = ItemControl.Tag();
    if (!Source)
        return;
    // The owner may fill the item's sub-items now, as for a system menu.
    if (Source->OnClick())
        Source->OnClick()(*Source);
    SubMenu->clear();
    MirrorMenuItems(*SubMenu, *Source);
}

void TCustomPopupActionBarEx::AttachTo(QWidget* Control, TGuard Guard)
{
    if (!Control)
        return;
    Control->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Control, &QWidget::customContextMenuRequested, this,
            [this, Control, Guard = std::move(Guard)](const QPoint& Pos) {
                // Scroll areas report the position in their viewport's coordinates.
                QWidget* Origin = Control;
                if (auto* Area = qobject_cast<QAbstractScrollArea*>(Control))
                    Origin = Area->viewport();
                const QPoint Global = Origin->mapToGlobal(Pos);
                const std::function<void()> Work = [this, Global] { Popup(Global); };
                if (Guard) {
                    Guard(Work);
                    return;
                }
                try {
                    Work();
                } catch (const std::exception& Error) {
                    qWarning("%s", Error.what());
                } catch (...) {
                    qWarning("Popup failed");
                }
            });
}
