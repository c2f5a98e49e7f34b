// Export of objects as separate text files: one object through the Save
// dialog, several into a folder chosen in the folder browser.
//
// The window owns the dialogs and passes them in; the question about an
// existing file is a function, so that it can be answered without a box.
// Every failure to write is thrown (an EQuibError from the model) and ends the
// export; files written before it stay.
#pragma once

#include <QFileDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

class QWidget;
class TBrowseForFolderDialog;
class TObjectTextFile;
class TObjectTextObject;

// The Save dialog of the export: title "Export", the object text file type
// first, no default extension, its own question before accepting an existing
// file, and a folder that must exist.
class TExportSaveDialog : public QFileDialog {
    Q_OBJECT
public:
    explicit TExportSaveDialog(QWidget* Parent = nullptr);

public slots:
    void accept() override;
};

// Gives the folder browser what the export of several objects needs: the
// title "Export Objects" and file-system folders only.
void SetUpExportFolderBrowser(TBrowseForFolderDialog& Browser);

enum class TReplaceAnswer { Yes, No, Cancel, YesToAll };
// Asks whether the existing file at Path is to be replaced.
using TAskReplace = std::function<TReplaceAnswer(const QString& Path)>;

// The warning box that asks it, with the buttons Yes (default), No, Cancel
// (also Escape and the close box) and Yes to All, in that order.
TReplaceAnswer AskReplace(QWidget* Parent, const QString& Path);

// Where an object goes in Folder: a separator is put between the two unless
// Folder already ends in one (a root).
QString ExportTargetPath(const QString& Folder, const QString& FileName);

// One object: the Save dialog offers the object's export file name; the file
// chosen is written unless the user cancels. Returns true when written.
bool ExportObject(TObjectTextObject& Object, QFileDialog& SaveDialog);

// Several objects, by index, into the folder chosen in Browser, each under its
// export file name, in ascending index order. An existing file is replaced only
// as AskReplace answers (or after Yes to All). Nothing is written when the
// browser is cancelled.
void ExportObjects(TObjectTextFile& File, std::vector<std::int32_t> ObjectIndexes,
                   TBrowseForFolderDialog& Browser, const TAskReplace& AskReplace);

// The same into Folder for objects that may come from different files, in the
// order given; one replace question (and one Yes to All) covers them all.
void ExportObjectsTo(const QString& Folder, const std::vector<const TObjectTextObject*>& Objects,
                     const TAskReplace& AskReplace);

// The list's export: no row does nothing, one row goes through the Save
// dialog, more into a folder.
void ExportRows(TObjectTextFile& File, std::vector<std::int32_t> Rows, QFileDialog& SaveDialog,
                TBrowseForFolderDialog& Browser, const TAskReplace& AskReplace);
