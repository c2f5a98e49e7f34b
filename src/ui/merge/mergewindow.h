// File > Merge...: BASE, OURS and THEIRS merged object by object (see
// core/merge/filemerge.h) in a window of their own, in the manner of the
// compare window.
//
// The list shows each object's status; a selected object shows THEIRS and
// OURS side by side, changes marked, above its merged text. The user takes
// OURS, THEIRS, both or BASE for each conflict (F8 / Shift+F8 step through
// them), or edits the merged text freely; what the user made of an object is
// kept in OURS' code page and written in place of the merge's on Save. The
// objects are merged on the GUI thread a slice at a time, as the compare
// window compares them: responsive, cancellable, and nothing reads the
// models from another thread. The loaded file serves as whichever side
// names it, as it cannot be held twice.
#pragma once

#include "core/encodingchoice.h"
#include "core/fileencodings.h"
#include "core/merge/filemerge.h"
#include "core/quibfile.h"

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class QAction;
class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTreeView;
class TCompareText;
class TFilterFields;
class TMergeListModel;

// The three files, by name, and the merge's options.
struct TMergeInputs {
    QString Base, Ours, Theirs;
    merge::TMergeOptions Options;
};

class TMergeWindow : public QDialog {
    Q_OBJECT
public:
    // Loaded: the main window's model, which outlives this window. A file
    // that cannot be loaded is thrown.
    TMergeWindow(QWidget& Owner, TObjectTextFile& Loaded, const TMergeInputs& Inputs,
                 std::optional<codepages::TEncoding> Encoding, bool ShowUnchanged);
    ~TMergeWindow() override;

    void Start();
    void Cancel();
    bool Running() const { return FSlice.isActive(); }

    const std::vector<merge::TMergeEntry>& Entries() const { return FEntries; }
    TMergeListModel& Model() const { return *FModel; }
    QTreeView& List() const { return *FList; }
    QPlainTextEdit& MergedView() const { return *FMerged; }
    bool ShowUnchanged() const;
    // Objects whose text still holds conflict markers (or a deletion against a change).
    int ConflictsLeft() const;

    // The conflict at (or after) the caret resolved as Choice; false when there is none.
    bool Resolve(merge::TResolution Choice);
    // The caret to the next (previous) conflict of the shown object; false when there is none.
    bool NextConflict(bool Forward);
    // Writes the merge, with the user's texts, to FileName (one export) or
    // into the folder (one file per object). Asks first while conflicts are
    // left, unless Confirmed. False when the user declined or cancelled.
    bool SaveTo(const QString& FileName, bool Split, bool Confirmed = false);

signals:
    void Finished();
    void ShowUnchangedChanged(bool Shown);

private:
    TObjectTextFile& Load(const QString& FileName, std::unique_ptr<TObjectTextFile>& Own);
    void MergeSlice();
    void Done();
    void Refill();
    void UpdateCounts();
    void ShowSelected();
    void ShowEntry(std::int32_t EntryIndex);
    void MergedEdited();
    void MarkConflicts();
    void Save(bool Split);
    QString NameOf(const merge::TMergeEntry& Entry) const;
    // The version the list names and filters: OURS', else THEIRS', else BASE's.
    const TObjectTextObject& ObjectOf(const merge::TMergeEntry& Entry) const;
    bool Resolved(std::int32_t EntryIndex) const;
    codepages::TEncoding OursEncoding(const merge::TMergeEntry& Entry, std::string_view Bytes);

    TObjectTextFile& FLoaded;
    std::unique_ptr<TObjectTextFile> FOwnBase, FOwnOurs, FOwnTheirs;
    TObjectTextFile* FBase;
    TObjectTextFile* FOurs;
    TObjectTextFile* FTheirs;
    TEncodingChoice FBaseEncodings, FOursEncodings, FTheirsEncodings;
    // Each file's detected code pages (none with an encoding chosen): an
    // object whose versions read in different pages is merged as text.
    std::shared_ptr<const TFileEncodings> FBaseFile, FOursFile, FTheirsFile;
    merge::TMergeOptions FOptions;
    std::vector<merge::TMergeEntry> FEntries;
    std::unique_ptr<merge::TFileMerger> FMerger;
    // The same with the base in every conflict, for the view: any choice can be taken.
    std::unique_ptr<merge::TFileMerger> FViewMerger;
    std::size_t FNext = 0;
    QTimer FSlice;

    // What the user made of an object: its bytes in OURS' code page.
    std::unordered_map<std::int32_t, std::string> FEdited;
    std::int32_t FShown = -1;
    codepages::TEncoding FShownEncoding = codepages::TEncoding::Latin1;
    std::string FShownBreak = "\n";
    bool FFilling = false; // the merged view's text is being set, not edited

    TMergeListModel* FModel;
    QTreeView* FList;
    TFilterFields* FFilter;
    QCheckBox* FShowUnchanged;
    QLabel* FCounts;
    QProgressBar* FProgress;
    QPushButton* FCancel;
    TCompareText* FSides;
    QPlainTextEdit* FMerged;
    QLabel* FMergedLabel;
    QStatusBar* FStatus;
    QAction* FNextConflict;
    QAction* FPreviousConflict;
};
