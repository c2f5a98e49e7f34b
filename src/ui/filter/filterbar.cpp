#include "ui/filter/filterbar.h"

#include <QAction>
#include <QMainWindow>

TFilterBar::TFilterBar(QMainWindow& Window)
    : QToolBar(TFilterBar::tr("Filter"), &Window),
      FShowAction(new QAction(tr("F&ilter"), this)),
      // One widget the width of the bar, its fields sharing it: a toolbar
      // would move fields that do not fit into an overflow menu.
      FFields(new TFilterFields(this))
{
    setObjectName(QStringLiteral("tbrFilter"));
    setMovable(false);
    setFloatable(false);
    addWidget(FFields);
    connect(FFields, &TFilterFields::Changed, this, &TFilterBar::Changed);

    FShowAction->setObjectName(QStringLiteral("actViewFilter"));
    FShowAction->setCheckable(true);
    FShowAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    connect(FShowAction, &QAction::toggled, this, [this](bool Show) {
        setVisible(Show);
        if (Show)
            FFields->FocusFirst();
        else
            Clear();
    });
    Window.addToolBar(Qt::TopToolBarArea, this);
    hide();
}

QString TFilterBar::IgnoredNote() const
{
    const QStringList Ignored = FFields->Ignored();
    if (Ignored.isEmpty())
        return {};
    return tr("; malformed, so ignored: %1").arg(Ignored.join(QStringLiteral(", ")));
}
