// The encoding the window shows objects in: View > Encoding's choice (the
// menu keeps it in the settings file), and behind Automatic the whole file's
// code-page detection, run off the GUI thread after each load.
//
// Sets the window's encoding choice, which the views, the find and the
// compare read. A detection's result is reported only when it is of the
// latest start: one of an earlier file may still be on its way.
#pragma once

#include "ui/window/fileencodingsworker.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class QMenu;
class TEncodingChoice;
class TEncodingMenu;
class TObjectTextFile;
class TSettingsOwner;

class TViewEncoding : public QObject {
    Q_OBJECT
public:
    // Adds View > Encoding at the end of ViewMenu. Choice outlives this object.
    TViewEncoding(QMenu& ViewMenu, TEncodingChoice& Choice);
    ~TViewEncoding() override;

    // [Display] Encoding.
    TSettingsOwner& Settings() const;
    // By its setting name: "auto" or an encoding's name; an unknown name is
    // Automatic. True when objects read in another encoding now.
    bool Choose(const QString& SettingName);

    // The file on view anew, or none: nothing of it is known yet, and its
    // detection starts (through a second reader of its own).
    void StartFile(const TObjectTextFile& File);
    // Drops the detection: its reader shares the file's hold, which the next
    // load must take anew.
    void StopDetection();
    // Takes a detection's result into the choice; true when object
    // ObjectIndex (-1: none) reads in another encoding now.
    bool TakeDetected(TFileEncodingsPtr Encodings, int ObjectIndex);

signals:
    // Chosen from the menu or read from the settings file; the window chooses it.
    void Chosen(const QString& SettingName);
    // The detection of the file on view is done.
    void Detected(const TFileEncodingsPtr& Encodings);

private:
    TEncodingChoice& FChoice;
    TEncodingMenu* FMenu;
    std::unique_ptr<TFileEncodingsWorker> FWorker;
    std::uint64_t FRun = 0;
};
