// File > Compare With...: the loaded file against another one, in a window of
// its own.
//
// The loaded file is the old version, the file chosen the new one; the window
// loads that into a model of its own (the loaded file itself is compared with
// the window's model, as it cannot be held twice). The pairs are compared on
// the GUI thread a slice at a time, so the window stays responsive and the
// comparison can be cancelled, and nothing reads the window's model from
// another thread. The compare window goes when the main window's file does.
#pragma once

#include "core/compare.h"
#include "core/encodingchoice.h"
#include "core/objectfilter.h"
#include "core/quibfile.h"
#include "ui/common/settingswriter.h"

#include "ui/common/entryrows.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QCheckBox;
class QFileDialog;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTreeView;
class TBrowseForFolderDialog;
class TCompareText;
class TExportSaveDialog;
class TFilterFields;
class TFolderChoice;

// The compare window's choices the settings file keeps.
struct TCompareChoices {
    bool Strict = false;  // Compare every byte
    bool Unified = false; // both versions in one text
};

// The rows of a comparison: every entry, or those that are not identical,
// that the filter lets through; in the entries' order (kind, then number) or
// sorted by a column.
class TCompareListModel : public TEntryRowsModel {
    Q_OBJECT
public:
    enum TColumn { colStatus, colType, colID, colName, ColumnCount };

    TCompareListModel(const TObjectTextFile& Old, const TObjectTextFile& New, const TEncodingChoice& OldEncodings,
                      const TEncodingChoice& NewEncodings, QObject* Parent = nullptr);

    // The filter sees the new version of an object, the old one of a deleted
    // object. BreaksOnly: by entry, the changed ones whose only difference is
    // in their line breaks (see OnlyLineBreaksDiffer); null or short: none.
    // Raises what reading property values raises (EReadError).
    void SetEntries(const std::vector<TCompareEntry>* Entries, const std::vector<bool>* BreaksOnly,
                    bool ShowIdentical, const TObjectFilter& Filter);
    // The entry on a row; null for a row out of range.
    const TCompareEntry* EntryAt(int Row) const;
    int RowOf(std::int32_t EntryIndex) const override;
    // The object a row stands for: the new version, the old one of a deleted object.
    const TObjectTextObject& ObjectOf(const TCompareEntry& Entry) const;
    std::int32_t EntryIndexAt(int Row) const override;

    int rowCount(const QModelIndex& Parent = {}) const override;
    int columnCount(const QModelIndex& Parent = {}) const override;
    QVariant data(const QModelIndex& Index, int Role = Qt::DisplayRole) const override;
    QVariant headerData(int Section, Qt::Orientation Orientation, int Role = Qt::DisplayRole) const override;
    // Column -1: the entries' order.
    void sort(int Column, Qt::SortOrder Order = Qt::AscendingOrder) override;

    // "Form 21 Customer Card", as the rows read.
    QString ObjectLabel(const TCompareEntry& Entry) const;
    static QString StatusText(TCompareStatus Status);
    static QString LineBreaksOnlyText();

private:
    bool LineBreaksOnly(std::int32_t EntryIndex) const;
    void SortRows();
    QString NameOf(const TCompareEntry& Entry) const;

    const TObjectTextFile& FOld;
    const TObjectTextFile& FNew;
    const TEncodingChoice& FOldEncodings;
    const TEncodingChoice& FNewEncodings;
    const std::vector<TCompareEntry>* FEntries = nullptr;
    const std::vector<bool>* FBreaksOnly = nullptr;
    std::vector<std::int32_t> FRows;       // entry indexes shown
    std::vector<std::int32_t> FRowOfEntry; // -1 for an entry not shown
    int FSortColumn = -1;
    Qt::SortOrder FSortOrder = Qt::AscendingOrder;
};

class TCompareWindow : public QDialog {
    Q_OBJECT
public:
    // Old: the main window's model, which outlives this window. NewFileName
    // empty or Old's own file: Old against itself. A file that cannot be
    // loaded is thrown. Encoding: the one chosen for every object (none:
    // Automatic).
    TCompareWindow(QWidget& Owner, TObjectTextFile& Old, const QString& NewFileName,
                   std::optional<codepages::TEncoding> Encoding = std::nullopt, TCompareChoices Choices = {});
    ~TCompareWindow() override;

    // Starts (again) with the options of the check boxes.
    void Start();
    void Cancel();
    bool Running() const { return FSlice.isActive(); }

    const std::vector<TCompareEntry>& Entries() const { return FEntries; }
    TCompareListModel& Model() const { return *FModel; }
    TCompareText& Text() const { return *FText; }
    QTreeView& List() const { return *FList; }
    TFilterFields& FilterFields() const { return *FFilter; }
    TCompareChoices Choices() const;
    // Exports the selected rows: the new version of each object, the old one of
    // a deleted object; the status bar says which were written.
    void ExportSelected();
    // What the window last reported: an export, an object the main window lacks.
    QString StatusMessage() const;

signals:
    // The comparison has ended, run through or cancelled.
    void Finished();
    // A row was opened (double-click, Enter) whose object the old file, the
    // main window's, has. Position: the byte in its text where its first
    // difference from the new version begins (0 for a deleted or identical one).
    void OldObjectActivated(std::int32_t ObjectIndex, std::int32_t Position);
    void ChoicesChanged();

private:
    void CompareSlice();
    void Done();
    void Refill();
    void UpdateCounts();
    void UpdateEmptyNote();
    void ShowSelected();
    void Step(bool Forward);
    void Activate(const QModelIndex& Index);

    TObjectTextFile& FOld;
    std::unique_ptr<TObjectTextFile> FNewFile;
    TObjectTextFile* FNew;
    TEncodingChoice FOldEncodings, FNewEncodings;
    std::vector<TCompareEntry> FEntries;
    std::vector<bool> FBreaksOnly; // by entry: changed in its line breaks alone
    std::size_t FNext = 0;
    std::int32_t FShownEntry = -1; // the entry shown before the comparison ran again
    TCompareOptions FOptions;
    TTextComparer FComparer;
    QTimer FSlice;

    TCompareListModel* FModel;
    QTreeView* FList;
    TFilterFields* FFilter;
    TCompareText* FText;
    QCheckBox* FShowIdentical;
    QCheckBox* FStrict;
    QCheckBox* FUnified;
    QLabel* FCounts;
    QLabel* FEmptyNote; // over the list when it has no rows
    QStatusBar* FStatus;
    QProgressBar* FProgress;
    QPushButton* FCancel;
    QAction* FNextDifference;
    QAction* FPreviousDifference;
    QAction* FExport;
    TExportSaveDialog* FSaveDialog;
    TBrowseForFolderDialog* FFolderDialog;
};

// The command: its action, the Open dialog for the second file and the
// compare window, which it closes when the main window's file changes.
class TCompareCommand : public QObject, public TSettingsOwner {
    Q_OBJECT
public:
    // Encodings: the main window's, whose choice the compare window follows.
    // ShowObject shows an object of File in the main window, its caret at a
    // byte of its text.
    using TShowObject = std::function<void(std::int32_t ObjectIndex, std::int32_t Position)>;
    TCompareCommand(QWidget& Window, TObjectTextFile& File, const TEncodingChoice& Encodings,
                    TShowObject ShowObject);

    QAction* Action() const { return FAction; }
    // File > Compare With Folder...: the other side a folder of object files.
    QAction* FolderAction() const;
    void ExecuteFolder();
    // Shows the Open dialog; the compare follows its acceptance.
    void Execute();
    // The compare window with FileName; thrown when it cannot be loaded.
    void CompareWith(const QString& FileName);
    QFileDialog& OpenDialog();
    TCompareWindow* Window() const { return FCompare; }
    // The main window's file is about to change or go.
    void FileChanging();
    // Kept in the settings file ([Compare]); the next compare window starts with them.
    TCompareChoices Choices() const { return FChoices; }
    void ReadSettings(const platform::TProfile& Profile) override;
    void WriteSettings(TSettingsWriter& Writer) const override;

private:
    QWidget& FWindow;
    TObjectTextFile& FFile;
    const TEncodingChoice& FEncodings;
    TShowObject FShowObject;
    TCompareChoices FChoices;
    QAction* FAction;
    TFolderChoice* FFolder;
    QPointer<QFileDialog> FDialog;
    QPointer<TCompareWindow> FCompare;
};
