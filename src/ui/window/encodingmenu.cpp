#include "ui/window/encodingmenu.h"

#include "core/codepages.h"
#include "core/encodingchoice.h"
#include "platform/profile.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>

using codepages::TEncoding;

namespace {

// The settings file's section and key.
const char* const SDisplay = "Display";
const char* const SEncoding = "Encoding";

}  // namespace

TEncodingMenu::TEncodingMenu(QMenu& ViewMenu) : QObject(&ViewMenu), FGroup(new QActionGroup(this))
{
    QMenu* Menu = ViewMenu.addMenu(tr("&Encoding"));
    Menu->setObjectName(QStringLiteral("mnuViewEncoding"));
    FGroup->setExclusive(true);
    const auto Add = [&](const QString& Caption, std::string_view Name) {
        QAction* Item = Menu->addAction(Caption);
        Item->setCheckable(true);
        Item->setData(QString::fromLatin1(Name.data(), static_cast<qsizetype>(Name.size())));
        FGroup->addAction(Item);
    };
    const auto AddEncoding = [&](TEncoding Encoding) {
        const std::string_view Caption = codepages::Caption(Encoding);
        Add(QString::fromLatin1(Caption.data(), static_cast<qsizetype>(Caption.size())), codepages::Name(Encoding));
    };
    Add(tr("&Automatic"), TEncodingChoice::AutomaticName);
    AddEncoding(TEncoding::Utf8);
    Menu->addSeparator();
    for (int Value = static_cast<int>(TEncoding::Cp437); Value <= static_cast<int>(TEncoding::Cp874); ++Value)
        AddEncoding(static_cast<TEncoding>(Value));
    Menu->addSeparator();
    for (int Value = static_cast<int>(TEncoding::Cp1250); Value <= static_cast<int>(TEncoding::Cp1258); ++Value)
        AddEncoding(static_cast<TEncoding>(Value));
    Menu->addSeparator();
    AddEncoding(TEncoding::Latin1);
    connect(FGroup, &QActionGroup::triggered, this,
            [this](QAction* Item) { emit Chosen(Item->data().toString()); });
}

void TEncodingMenu::SetChecked(const QString& SettingName)
{
    for (QAction* Item : FGroup->actions())
        Item->setChecked(Item->data().toString().compare(SettingName, Qt::CaseInsensitive) == 0);
}

void TEncodingMenu::ReadSettings(const platform::TProfile& Profile)
{
    const std::string Name = platform::ReadStringDefault(Profile, SDisplay, SEncoding, TEncodingChoice::AutomaticName);
    emit Chosen(QString::fromStdString(Name));
}

void TEncodingMenu::WriteSettings(TSettingsWriter& Writer) const
{
    const QAction* Checked = FGroup->checkedAction();
    Writer.String(SDisplay, SEncoding,
                  Checked ? Checked->data().toString().toStdString() : std::string(TEncodingChoice::AutomaticName));
}
