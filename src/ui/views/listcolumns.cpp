#include "ui/views/listcolumns.h"

#include "platform/profile.h"
#include "ui/views/objectviews.h"

#include <QAction>
#include <QMenu>

namespace {

// The settings file's section and key.
const char* const SDisplay = "Display";
const char* const SListColumns = "ListColumns";

QString KeyOf(int Property)
{
    const std::string_view Key = ObjectPropertyKey(static_cast<TObjectProperty>(Property));
    return QString::fromLatin1(Key.data(), static_cast<qsizetype>(Key.size()));
}

}  // namespace

TListColumns::TListColumns(QMenu& ViewMenu, TObjectListView& List, TObjectListModel& Model)
    : QObject(&ViewMenu), FList(List), FModel(Model)
{
    QMenu* Menu = ViewMenu.addMenu(tr("&Columns"));
    Menu->setObjectName(QStringLiteral("mnuViewColumns"));
    for (int Property = 0; Property < ObjectPropertyCount; ++Property) {
        QAction* Item = Menu->addAction(KeyOf(Property));
        Item->setCheckable(true);
        Item->setData(KeyOf(Property));
        connect(Item, &QAction::toggled, this, &TListColumns::Apply);
        FItems[std::size_t(Property)] = Item;
    }
    Apply();
}

bool TListColumns::Shown(TObjectProperty Property) const
{
    return FItems[std::size_t(Property)]->isChecked();
}

QString TListColumns::SettingText() const
{
    QStringList Keys;
    for (const QAction* Item : FItems)
        if (Item->isChecked())
            Keys << Item->data().toString();
    return Keys.join(QLatin1Char(','));
}

void TListColumns::SetFromSettingText(const QString& Text)
{
    const QStringList Keys = Text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (QAction* Item : FItems) {
        const QSignalBlocker Quiet(Item);
        Item->setChecked(Keys.contains(Item->data().toString(), Qt::CaseInsensitive));
    }
    Apply();
}

void TListColumns::ReadSettings(const platform::TProfile& Profile)
{
    SetFromSettingText(QString::fromStdString(platform::ReadStringDefault(Profile, SDisplay, SListColumns, "")));
}

void TListColumns::WriteSettings(TSettingsWriter& Writer) const
{
    Writer.String(SDisplay, SListColumns, SettingText().toStdString());
}

void TListColumns::Apply()
{
    bool Any = false;
    for (int Property = 0; Property < ObjectPropertyCount; ++Property) {
        const bool Show = FItems[std::size_t(Property)]->isChecked();
        FList.setColumnHidden(TObjectListModel::FirstPropertyColumn + Property, !Show);
        Any = Any || Show;
    }
    // The values are read from the file only while one of them shows.
    FModel.SetPropertiesShown(Any);
    FList.viewport()->update();
    emit Changed();
}
