// The application's one window: start-up and shutdown, opening and closing
// files, the object tree, list and text views, and the settings file.
#pragma once

#include "objectviews.h"
#include "quibfile.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>

class QFileDialog;
class QLabel;
namespace Ui {
class TfrmMain;
}

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // Arguments: the command line without the program's own name; the first
    // one, if any, is the file to open. SettingsFileName: the settings file;
    // empty for the one beside the executable.
    explicit TfrmMain(const QStringList& Arguments = {}, const QString& SettingsFileName = {},
                      QWidget* Parent = nullptr);
    ~TfrmMain() override;

    // The settings file beside the executable.
    static QString DefaultSettingsFileName();

    void UpdateCaption();
    void UpdateStatus();
    void FileProgress(TObjectTextFile& Sender, TProgressKind Kind, std::uint8_t Percent);
    // Loads FileName (a full path, or one relative to the current directory)
    // and shows it. Failures are thrown, after the views have been brought in
    // line with what the model still holds.
    void OpenFile(const QString& FileName);

    // Views.
    void FillTreeView();
    void tvwMainChange(const QModelIndex& Node);
    void tvwMainMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, const QPoint& Position);
    void lvwMainData(int Index, TListRow& Item);
    int lvwMainDataFind(const QString& FindString, int StartIndex, bool Wrap);
    void lvwMainDblClick();

    // Commands.
    void actFileOpenExecute();
    void actFileCloseExecute();
    void actFileExitExecute();

    // Settings.
    void LoadSettings();
    void SaveSettings();

    // What other parts of the window and the tests look at.
    TObjectTextFile& ObjectTextFile() { return *FObjectTextFile; }
    bool FileLoaded() const { return FObjectTextFile && !FObjectTextFile->FileName().empty(); }
    QString StatusText() const;
    const QString& SettingsFileName() const { return FSettingsFileName; }
    // The find dialog's text and match-case option as the settings file keeps them.
    const std::string& FindText() const { return FFindText; }
    void SetFindText(std::string Text);
    bool FindMatchCase() const { return FFindMatchCase; }
    void SetFindMatchCase(bool MatchCase) { FFindMatchCase = MatchCase; }
    // The font face that the settings file holds for a view, which may name a
    // font this system lacks (the view then shows a fallback).
    static QString StoredFace(const QFont& Font);
    // The tree's width, as the splitter gives it to the tree.
    void SetTreeWidth(int Width);
    int TreeWidth() const;

protected:
    bool event(QEvent* Event) override;
    bool eventFilter(QObject* Watched, QEvent* Event) override;
    void dragEnterEvent(QDragEnterEvent* Event) override;
    void dragMoveEvent(QDragMoveEvent* Event) override;
    void dropEvent(QDropEvent* Event) override;

private:
    void FormCreate(const QStringList& Arguments);
    void FormDestroy();
    void WireViews();
    void WireActions();
    void SetStatusText(const QString& Text);
    void SelectNode(int AbsoluteIndex);
    // After a load that failed the model holds no readable file any more
    // (the previous one was released first): show that, as Close does.
    void ShowNoFile();
    QFileDialog& OpenDialog();
    TNodeData TreeNodeData(int ObjectIndex) const;
    // The window's own font as designed, which the views start from.
    void SetDesignedFont();

    std::unique_ptr<Ui::TfrmMain> ui;
    QString FSettingsFileName;
    QLabel* FStatusLabel = nullptr;
    TKindImages FKindImages;
    TObjectTreeModel* FTreeModel = nullptr;
    TObjectListModel* FListModel = nullptr;
    // The tree width read from the settings, until the splitter has been laid
    // out on screen (before that its sizes are not the ones it will show).
    int FPendingTreeWidth = -1;
    QPointer<QFileDialog> FdlgOpen;
    // The Open dialog's file and filter at its last confirmed use.
    QString FOpenFileName;
    QString FOpenFilter;
    std::string FFindText;
    bool FFindMatchCase = false;
    std::unique_ptr<TObjectTextFile> FObjectTextFile;
};
