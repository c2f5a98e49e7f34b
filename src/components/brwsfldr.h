// The folder browser: a non-visual component that lets the user pick a folder
// and leaves its path in FolderName. An optional OnSelect handler judges every
// folder the user moves to and enables or disables the OK button for it.
#pragma once

#include <QObject>
#include <QString>

#include <bitset>
#include <functional>
#include <initializer_list>

class QFileDialog;

// The dialog's behaviour flags. Only boBrowseIncludeFiles and
// boNoNewFolderButton change Qt's dialog; the others are accepted and have no
// effect, so that an owner may state them (the export window sets
// boNewDialogStyle and boReturnsOnlyFSDirs).
enum TBrowseOption {
    boBrowseForComputer,
    boBrowseForPrinter,
    boBrowseIncludeFiles,
    boBrowseIncludeURLs,
    boDontGoBelowDomain,
    boEditBox,
    boNewDialogStyle,
    boNoNewFolderButton,
    boReturnFSAncestors,
    boReturnsOnlyFSDirs,
    boShareable
};
constexpr int BrowseOptionCount = boShareable + 1;

// A set of TBrowseOption.
class TBrowseOptions {
public:
    TBrowseOptions() = default;
    TBrowseOptions(std::initializer_list<TBrowseOption> Options)
    {
        for (TBrowseOption Option : Options)
            Include(Option);
    }
    void Include(TBrowseOption Option) { FBits.set(Option); }
    bool Contains(TBrowseOption Option) const { return FBits.test(Option); }
    // For reading back the options an owner set.
    bool operator==(const TBrowseOptions& Other) const { return FBits == Other.FBits; }

private:
    std::bitset<BrowseOptionCount> FBits;
};

class TBrowseForFolderDialog : public QObject {
    Q_OBJECT
public:
    // Called on each selection change with the new folder's path; Allow is true
    // on entry, and false disables the OK button while that folder is selected.
    using TOnSelectEvent =
        std::function<void(TBrowseForFolderDialog& Sender, const QString& Folder, bool& Allow)>;

    explicit TBrowseForFolderDialog(QObject* AOwner = nullptr);

    // Runs the dialog modally. True: the user confirmed a folder, now in
    // FolderName. False: the user cancelled.
    bool Execute();

    // In: the folder to pre-select (none when empty). Out: the folder chosen by
    // the last successful Execute, or the one last selected while OnSelect is set.
    // The window never sets it, so each export opens at the previous one's
    // folder; the setter is for owners that pre-select one.
    const QString& FolderName() const { return FFolderName; }
    void SetFolderName(const QString& Value) { FFolderName = Value; }
    // The getters of Options, Prompt and Title read back what the owner set;
    // the export window's set-up is checked through them.
    const TBrowseOptions& Options() const { return FOptions; }
    void SetOptions(const TBrowseOptions& Value) { FOptions = Value; }
    // Shown above the folders; nothing when empty.
    const QString& Prompt() const { return FPrompt; }
    void SetPrompt(const QString& Value) { FPrompt = Value; }
    // The dialog's caption; the dialog's own when empty.
    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& Value) { FTitle = Value; }
    // The window sets none; for owners that refuse some folders.
    void SetOnSelect(TOnSelectEvent Handler) { FOnSelect = std::move(Handler); }

private:
    // What the dialog reports while it runs.
    enum TBrowseMessage { bmInitialized = 1, bmSelChanged = 2 };

    void HandleBrowseMessage(QFileDialog& Wnd, TBrowseMessage Msg, const QString& Param);
    static QString PathFromIDList(const QString& Path);

    QString FFolderName;
    TBrowseOptions FOptions;
    QString FPrompt;
    QString FTitle;
    TOnSelectEvent FOnSelect;
};
