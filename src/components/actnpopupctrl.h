// Styled popup menus: a popup menu component whose items are plain menu items,
// usually bound to actions, and which pops up as a QMenu built afresh from those
// items and drawn in the style of an action manager, the same style sheet that
// draws the main menu.
#pragma once

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <exception>
#include <functional>
#include <memory>
#include <vector>

class QMenu;
class QWidget;

// ---------------------------------------------------------------------------
// Styles

// A look of menus: a name and the style sheet that draws the menus.
struct TActionBarStyle {
    QString Name;
    QString StyleSheet;
};

// The built-in styles. "XP Style", the flat look of the application, is the
// first.
class TActionBarStyles {
public:
    static const TActionBarStyle& First();
    // Null when no style of that name exists.
    static const TActionBarStyle* Find(const QString& Name);
};

// Holds the menu style of a window's commands. The window's main menu and its
// context menus both draw themselves with StyleSheet().
class TActionManager : public QObject {
    Q_OBJECT
public:
    explicit TActionManager(QObject* AOwner = nullptr);

    const TActionBarStyle& Style() const { return *FStyle; }
    // False, and the style unchanged, when no style of that name exists.
    bool SetStyle(const QString& Name);
    const QString& StyleSheet() const { return FStyle->StyleSheet; }

signals:
    void styleChanged();

private:
    const TActionBarStyle* FStyle;
};

// ---------------------------------------------------------------------------
// Menu items

// One item of a popup menu's item tree. An item bound to an action shows the
// action's caption (unless the item has one of its own), shortcut, icon,
// enabled, visible and checked state, read afresh whenever they are asked for.
// The window binds every item to an action; an item's own caption, shortcut,
// image, state, sub-items and OnClick serve other owners of the component.
class TMenuItem {
public:
    using TNotifyEvent = std::function<void(TMenuItem& Sender)>;

    TMenuItem() = default;
    explicit TMenuItem(const QString& ACaption) : FCaption(ACaption), FHasCaption(true) {}
    explicit TMenuItem(QAction* AAction) : FAction(AAction) {}
    TMenuItem(const TMenuItem&) = delete;
    TMenuItem& operator=(const TMenuItem&) = delete;

    // The tree. Add returns the added item, owned by this one.
    TMenuItem& Add(std::unique_ptr<TMenuItem> Item);
    TMenuItem& Add(const QString& ACaption) { return Add(std::make_unique<TMenuItem>(ACaption)); }
    TMenuItem& Add(QAction* AAction) { return Add(std::make_unique<TMenuItem>(AAction)); }
    // For an OnClick that fills the item's sub-items afresh as they open.
    void Clear() { FItems.clear(); }
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem& Items(int Index) const { return *FItems.at(static_cast<std::size_t>(Index)); }

    // The item's name in the window's design; nothing looks items up by it.
    const QString& Name() const { return FName; }
    void SetName(const QString& Value) { FName = Value; }
    QString Caption() const;
    QAction* Action() const { return FAction; }
    QKeySequence ShortCut() const;
    void SetShortCut(const QKeySequence& Value) { FShortCut = Value; }
    // Index into the popup menu's Images; unused while bound to an action,
    // which brings its own icon.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value) { FImageIndex = Value; }
    bool Visible() const;
    void SetVisible(bool Value) { FVisible = Value; }
    bool Enabled() const;
    void SetEnabled(bool Value) { FEnabled = Value; }
    // The action's checked state; an item without one is never checked.
    bool Checked() const;
    const TNotifyEvent& OnClick() const { return FOnClick; }
    void SetOnClick(TNotifyEvent Handler) { FOnClick = std::move(Handler); }

    bool IsLine() const { return Caption() == QLatin1String("-"); }

private:
    std::vector<std::unique_ptr<TMenuItem>> FItems;
    QString FName;
    QString FCaption;
    bool FHasCaption = false;
    QPointer<QAction> FAction;
    QKeySequence FShortCut;
    int FImageIndex = -1;
    bool FVisible = true;
    bool FEnabled = true;
    TNotifyEvent FOnClick;
};

// Lets an item without an action take part in the styled popup: chosen, it runs
// the item's OnClick with the item as Sender.
class TMenuAction : public QAction {
    Q_OBJECT
public:
    TMenuAction(QObject* AOwner, TMenuItem* AMenuItem);

    // Runs the wrapped item's OnClick, if any, without looking at this action's
    // enabled state. Always true.
    virtual bool Execute();

private:
    TMenuItem* FMenuItem;
};

// One entry of a styled popup: mirrors a menu item (Tag) and runs the action it
// is bound to, whose enabled state it follows. Entries are owned by their menu.
class TActionClientItem : public QAction {
    Q_OBJECT
public:
    explicit TActionClientItem(QObject* AOwner);

    TMenuItem* Tag() const { return FTag; }
    void SetTag(TMenuItem* Value) { FTag = Value; }
    void SetClientAction(QAction* Value);

    // Runs the bound action: a wrapper's Execute, any other action's trigger.
    void Execute();

private:
    TMenuItem* FTag = nullptr;
    QPointer<QAction> FAction;
    QMetaObject::Connection FEnabledLink;
};

// ---------------------------------------------------------------------------
// The popup menu component

class TCustomPopupActionBarEx : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TCustomPopupActionBarEx& Sender)>;
    // Runs Work and deals with any exception it throws (the window's error box).
    using TGuard = std::function<void(const std::function<void()>& Work)>;

    explicit TCustomPopupActionBarEx(QObject* AOwner = nullptr);
    ~TCustomPopupActionBarEx() override;

    // Shows the styled popup at Pos (screen coordinates) and returns when it has
    // closed, after the chosen entry's command has run. Does nothing while this
    // component's popup is shown. A failure frees the popup, then propagates.
    virtual void Popup(const QPoint& Pos);

    // The root of the item tree; its children are the popup's entries.
    TMenuItem& Items() { return FItems; }
    // The icons of items without an action, by their ImageIndex. The window
    // sets its command images, though its items take their actions' icons.
    void SetImages(const QList<QIcon>& Value) { FImages = Value; }
    // Called at the start of every popup, before anything is built.
    void SetOnPopup(TNotifyEvent Handler) { FOnPopup = std::move(Handler); }

    // Pops up on a context-menu request of Control (right click, menu key).
    // Popup runs inside Guard, so no exception reaches Qt's event loop; without
    // a guard a failure is only logged.
    void AttachTo(QWidget* Control, TGuard Guard = {});

protected:
    // Optional, not owned; only its style is used. Forgotten when destroyed,
    // which the getter tells.
    TActionManager* ActionManager() const { return FActionManager; }
    void SetActionManager(TActionManager* Value);
    // Drop shadows under the popup and its sub-menus; the window keeps the
    // default, other owners may turn them off.
    bool Shadows() const { return FShadows; }
    void SetShadows(bool Value) { FShadows = Value; }

    // Shows Menu at Pos and tracks it until it closes; returns the chosen
    // entry, or null. Tests replace it to inspect the menu and choose.
    virtual QAction* TrackPopup(QMenu& Menu, const QPoint& Pos);

private:
    class TPopupScope;

    const TActionBarStyle& PopupStyle() const;
    void SetUpPopup(QMenu& Menu, const TActionBarStyle& Style);
    void MirrorMenuItems(QMenu& Clients, TMenuItem& MenuItem);
    void AddPlaceholderMenu(QMenu& Clients, TActionClientItem& Item);
    void WrapMenuItem(TActionClientItem& Item, TMenuItem& Child);
    void SubMenuPopup(QMenu& Sender, TActionClientItem& ItemControl);
    QIcon ImageOf(const TMenuItem& Item) const;

    std::unique_ptr<QMenu> FPopupMenu;
    QPointer<TActionManager> FActionManager;
    bool FShadows = true;
    TMenuItem FItems;
    QList<QIcon> FImages;
    TNotifyEvent FOnPopup;
    // A failure inside Qt's menu loop, carried out of it and rethrown by Popup.
    std::exception_ptr FPendingException;
};

// The component with its properties public: ActionManager, Shadows.
class TPopupActionBarEx : public TCustomPopupActionBarEx {
    Q_OBJECT
public:
    using TCustomPopupActionBarEx::TCustomPopupActionBarEx;
    using TCustomPopupActionBarEx::ActionManager;
    using TCustomPopupActionBarEx::SetActionManager;
    using TCustomPopupActionBarEx::SetShadows;
    using TCustomPopupActionBarEx::Shadows;
};
