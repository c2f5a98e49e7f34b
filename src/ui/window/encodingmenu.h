// The View menu's Encoding submenu: Automatic, UTF-8, the DOS and the Windows
// code pages, and one character per byte, as radio items. Owns the submenu;
// tells the window which one was chosen by its setting name.
#pragma once

#include <QObject>
#include <QString>

class QActionGroup;
class QMenu;

class TEncodingMenu : public QObject {
    Q_OBJECT
public:
    // Adds the submenu at the end of ViewMenu.
    explicit TEncodingMenu(QMenu& ViewMenu);

    // Checks the item of the setting name ("auto" or an encoding's name).
    void SetChecked(const QString& SettingName);

signals:
    void Chosen(const QString& SettingName);

private:
    QActionGroup* FGroup;
};
