// File > Recent Files: the files opened last, most recent first, as a
// submenu with numbered items. Knows the list and its menu; opening a file is
// the window's business, told through Chosen. A file chosen that is gone is
// not handed on: a box says so and offers to drop it from the list. The list
// is kept in the settings file's [Recent] section, File1 to File8.
#pragma once

#include "ui/common/settingswriter.h"

#include <QObject>
#include <QStringList>

class QAction;
class QMenu;

class TRecentFiles : public QObject, public TSettingsOwner {
    Q_OBJECT
public:
    // As many as the settings file keeps.
    static constexpr int MaxCount = 8;

    // Adds the submenu to FileMenu, before Before.
    TRecentFiles(QMenu& FileMenu, QAction* Before);

    const QStringList& Files() const { return FFiles; }
    // Empty names and repeats are dropped; the first MaxCount are kept.
    void SetFiles(const QStringList& Files);
    // FileName was opened: first in the list now.
    void Opened(const QString& FileName);
    void Remove(const QString& FileName);

    void ReadSettings(const platform::TProfile& Profile) override;
    // The entries the list holds; stored entries beyond them are emptied.
    void WriteSettings(TSettingsWriter& Writer) const override;

signals:
    void Chosen(const QString& FileName);

private:
    void Choose(const QString& FileName);
    void Rebuild();

    QMenu* FMenu;
    QStringList FFiles;
};
