// The About box: a non-visual component whose Execute builds the About dialog
// in code, shows it modally and returns when the user closes it.
#pragma once

#include "platform/sysinfo.h"

#include <QFont>
#include <QObject>

class TAboutBox : public QObject {
    Q_OBJECT
public:
    explicit TAboutBox(QObject* AOwner = nullptr);

    // Builds a new dialog with the version data and the memory status of this
    // moment, shows it modally and returns true when it has closed, whichever
    // way it was closed.
    virtual bool Execute();

protected:
    // Where the figures come from; tests put fixed values in.
    virtual platform::TVersionData VersionData() const;
    virtual platform::TMemoryStatus MemoryStatus() const;
    // The face the dialog is drawn in; the layout makes room for any face.
    virtual QFont DialogFont() const;
};
