// View > Columns: which of the OBJECT-PROPERTIES values (Modified, Version
// List, Date, Time) the object list shows after its Type, ID and Name. None
// by default; kept in the settings file's [Display] section.
#pragma once

#include "core/objectproperties.h"
#include "ui/common/settingswriter.h"

#include <QObject>
#include <QString>

#include <array>

class QAction;
class QMenu;
class TObjectListModel;
class TObjectListView;

class TListColumns : public QObject, public TSettingsOwner {
    Q_OBJECT
public:
    // Adds the submenu at the end of ViewMenu and applies "none" to List.
    TListColumns(QMenu& ViewMenu, TObjectListView& List, TObjectListModel& Model);

    bool Shown(TObjectProperty Property) const;
    // The setting: the shown values' keys, comma-separated ("Modified,Date").
    QString SettingText() const;
    // Unknown keys are passed over.
    void SetFromSettingText(const QString& Text);

    void ReadSettings(const platform::TProfile& Profile) override;
    void WriteSettings(TSettingsWriter& Writer) const override;

signals:
    void Changed();

private:
    void Apply();

    TObjectListView& FList;
    TObjectListModel& FModel;
    std::array<QAction*, ObjectPropertyCount> FItems{};
};
