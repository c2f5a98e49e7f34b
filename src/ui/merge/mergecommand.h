// File > Merge...: a box that asks for BASE, OURS and THEIRS (the loaded
// file offered as OURS) and the merge's options, then the merge window. The
// options and whether unchanged objects show are kept in the settings file
// ([Merge]); the window goes when the main window's file does.
#pragma once

#include "core/encodingchoice.h"
#include "core/merge/objectmerge.h"
#include "ui/common/settingswriter.h"

#include <QDialog>
#include <QObject>
#include <QPointer>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class TMergeWindow;
class TObjectTextFile;
struct TMergeInputs;

// The merge's choices the settings file keeps.
struct TMergeChoices {
    bool Strict = false;
    bool Diff3 = false;
    merge::TVersionListPolicy VersionList = merge::TVersionListPolicy::Union;
    bool ShowUnchanged = false;
};

class TMergeFilesDialog : public QDialog {
    Q_OBJECT
public:
    TMergeFilesDialog(QWidget* Parent, const QString& Ours, const TMergeChoices& Choices);

    TMergeInputs Inputs() const;
    TMergeChoices Choices(bool ShowUnchanged) const;
    QLineEdit& Field(int Side) const { return *FFields[Side]; } // 0 BASE, 1 OURS, 2 THEIRS

    void accept() override;

private:
    QLineEdit* FFields[3];
    QCheckBox* FStrict;
    QCheckBox* FDiff3;
    QComboBox* FVersionList;
};

class TMergeCommand : public QObject, public TSettingsOwner {
    Q_OBJECT
public:
    // Encodings: the main window's, whose choice the merge window follows.
    TMergeCommand(QWidget& Window, TObjectTextFile& File, const TEncodingChoice& Encodings);

    QAction* Action() const { return FAction; }
    void Execute();
    // The merge window for the three files; thrown when one cannot be loaded.
    void MergeFiles(const TMergeInputs& Inputs);
    TMergeWindow* Window() const;
    TMergeFilesDialog* FilesDialog() const { return FDialog; }
    void FileChanging();
    TMergeChoices Choices() const { return FChoices; }
    void ReadSettings(const platform::TProfile& Profile) override;
    void WriteSettings(TSettingsWriter& Writer) const override;

private:
    QWidget& FWindow;
    TObjectTextFile& FFile;
    const TEncodingChoice& FEncodings;
    TMergeChoices FChoices;
    QAction* FAction;
    QPointer<TMergeFilesDialog> FDialog;
    QPointer<TMergeWindow> FMerge;
};
