// The two Export commands as the window runs them: one object through the
// Save dialog, the list's selected rows into a folder (or through the Save
// dialog when there is one). Owns both dialogs; reads the model only.
#pragma once

#include <QObject>

#include <cstdint>
#include <vector>

class QWidget;
class TBrowseForFolderDialog;
class TExportSaveDialog;
class TObjectTextFile;

class TExportFlow : public QObject {
    Q_OBJECT
public:
    // The dialogs are children of Window, which also parents the replace
    // question; File outlives the flow.
    TExportFlow(QWidget& Window, TObjectTextFile& File);

    // Object ObjectIndex under a name chosen in the Save dialog; nothing for
    // an index below 0 (the file's node).
    void ExportObject(std::int32_t ObjectIndex);
    // The list's rows, by index, in ascending order.
    void ExportRows(std::vector<std::int32_t> Rows);

private:
    QWidget& FWindow;
    TObjectTextFile& FFile;
    TExportSaveDialog* FSaveDialog;
    TBrowseForFolderDialog* FFolderDialog;
};
