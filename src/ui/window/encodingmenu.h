// The View menu's Encoding submenu: Automatic, UTF-8, the DOS and the Windows
// code pages, and one character per byte, as radio items. Owns the submenu;
// tells the window which one was chosen by its setting name. The choice is
// kept in the settings file's [Display] section.
#pragma once

#include "ui/common/settingswriter.h"

#include <QObject>
#include <QString>

class QActionGroup;
class QMenu;

class TEncodingMenu : public QObject, public TSettingsOwner {
    Q_OBJECT
public:
    // Adds the submenu at the end of ViewMenu.
    explicit TEncodingMenu(QMenu& ViewMenu);

    // Checks the item of the setting name ("auto" or an encoding's name).
    void SetChecked(const QString& SettingName);

    // The stored choice is told through Chosen, as a choice from the menu is;
    // the window checks the item of what it then reads in.
    void ReadSettings(const platform::TProfile& Profile) override;
    // The checked item's name; Automatic when none is.
    void WriteSettings(TSettingsWriter& Writer) const override;

signals:
    void Chosen(const QString& SettingName);

private:
    QActionGroup* FGroup;
};
