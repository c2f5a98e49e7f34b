#include "ui/export/exportobjects.h"

#include "ui/common/errorbox.h"
#include "ui/common/filedialogs.h"
#include "ui/common/systempath.h"

#include "components/brwsfldr.h"
#include "core/quibfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <string>

namespace {

const char* const SContext = "TExportObjects";
const char* const SWarning = QT_TRANSLATE_NOOP("TExportObjects", "Warning");
const char* const SReplaceQuestion =
    QT_TRANSLATE_NOOP("TExportObjects", "%s already exists.\r\nDo you want to replace it?");
const char* const SYes = QT_TRANSLATE_NOOP("TExportObjects", "&Yes");
const char* const SNo = QT_TRANSLATE_NOOP("TExportObjects", "&No");
const char* const SCancel = QT_TRANSLATE_NOOP("TExportObjects", "Cancel");
const char* const SYesToAll = QT_TRANSLATE_NOOP("TExportObjects", "Yes to &All");

QString Text(const char* Resource)
{
    return QCoreApplication::translate(SContext, Resource);
}

// Fills the one "%s" of Template with Value.
QString FormatWith(QString Template, const QString& Value)
{
    const int At = Template.indexOf(QLatin1String("%s"));
    return At < 0 ? Template : Template.replace(At, 2, Value);
}

// The path as the file layer takes it.
std::string LocalPath(const QString& Path)
{
    return gui::ToSystemPath(Path);
}

QString ExportFileName(const TObjectTextObject& Object)
{
    return QFile::decodeName(QByteArray::fromStdString(Object.GetExportFileName()));
}

// A file, not a folder, is in the way.
bool FileExists(const QString& Path)
{
    const QFileInfo Info(Path);
    return Info.exists() && !Info.isDir();
}

enum class TTargetAction { Write, Skip, Stop };

// What becomes of one target of an export of several objects; a Yes to All
// sets ReplaceAll for the targets after it.
TTargetAction ActionFor(const QString& Target, bool& ReplaceAll, const TAskReplace& AskReplace)
{
    if (!FileExists(Target) || ReplaceAll)
        return TTargetAction::Write;
    switch (AskReplace(Target)) {
    case TReplaceAnswer::Yes:
        return TTargetAction::Write;
    case TReplaceAnswer::No:
        return TTargetAction::Skip;
    case TReplaceAnswer::YesToAll:
        ReplaceAll = true;
        return TTargetAction::Write;
    case TReplaceAnswer::Cancel:
        break;
    }
    return TTargetAction::Stop;
}

// Ascending, each index once.
void SortUnique(std::vector<std::int32_t>& Indexes)
{
    std::sort(Indexes.begin(), Indexes.end());
    Indexes.erase(std::unique(Indexes.begin(), Indexes.end()), Indexes.end());
}

} // namespace

TExportSaveDialog::TExportSaveDialog(QWidget* Parent) : QFileDialog(Parent)
{
    setObjectName(QStringLiteral("dlgSave"));
    // Qt's own dialog, so that it behaves alike everywhere and tests can reach it.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setWindowTitle(tr("Export"));
    setNameFilter(tr("Velmar Object Text Files (*.txt);;All Files (*)"));
    setDefaultSuffix(QString()); // a name typed without an extension is used as typed
    gui::SetUpFileDialog(*this);
}

void TExportSaveDialog::accept()
{
    const QString Chosen = selectedFiles().value(0);
    if (!Chosen.isEmpty()) {
        const QFileInfo Info(Chosen);
        if (!Info.isDir() && !Info.dir().exists()) {
            QMessageBox Box(QMessageBox::Warning, windowTitle(),
                            tr("%1\nThe folder does not exist.\nCheck the path and try again.")
                                .arg(QDir::toNativeSeparators(Chosen)),
                            QMessageBox::Ok, this);
            gui::UseDialogFrame(Box);
            Box.exec();
            return;
        }
    }
    QFileDialog::accept();
}

void SetUpExportFolderBrowser(TBrowseForFolderDialog& Browser)
{
    Browser.SetTitle(QCoreApplication::translate(SContext, "Export Objects"));
    Browser.SetPrompt(QString());
    Browser.SetOptions({boNewDialogStyle, boReturnsOnlyFSDirs});
}

TReplaceAnswer AskReplace(QWidget* Parent, const QString& Path)
{
    QMessageBox Box(QMessageBox::Warning, Text(SWarning), FormatWith(Text(SReplaceQuestion), Path),
                    QMessageBox::NoButton, Parent);
    Box.setObjectName(QStringLiteral("msgReplace"));
    gui::UseDialogFrame(Box);
    Box.setTextFormat(Qt::PlainText); // a path is never markup
    // One role for all four keeps them in the order given on every platform.
    QPushButton* Yes = Box.addButton(Text(SYes), QMessageBox::ActionRole);
    QPushButton* No = Box.addButton(Text(SNo), QMessageBox::ActionRole);
    QPushButton* Cancel = Box.addButton(Text(SCancel), QMessageBox::ActionRole);
    QPushButton* YesToAll = Box.addButton(Text(SYesToAll), QMessageBox::ActionRole);
    Box.setDefaultButton(Yes);
    Box.setEscapeButton(Cancel);
    Box.exec();

    const QAbstractButton* Clicked = Box.clickedButton();
    if (Clicked == Yes)
        return TReplaceAnswer::Yes;
    if (Clicked == No)
        return TReplaceAnswer::No;
    if (Clicked == YesToAll)
        return TReplaceAnswer::YesToAll;
    return TReplaceAnswer::Cancel;
}

QString ExportTargetPath(const QString& Folder, const QString& FileName)
{
    const bool EndsInSeparator =
        Folder.endsWith(QDir::separator()) || Folder.endsWith(QLatin1Char('/'));
    return EndsInSeparator ? Folder + FileName : Folder + QDir::separator() + FileName;
}

bool ExportObject(TObjectTextObject& Object, QFileDialog& SaveDialog)
{
    SaveDialog.selectFile(ExportFileName(Object));
    if (SaveDialog.exec() != QDialog::Accepted)
        return false;
    const QString FileName = SaveDialog.selectedFiles().value(0);
    if (FileName.isEmpty())
        return false;
    // An existing file is replaced: the dialog has asked about it.
    Object.SaveToFile(LocalPath(FileName));
    return true;
}

void ExportObjects(TObjectTextFile& File, std::vector<std::int32_t> ObjectIndexes,
                   TBrowseForFolderDialog& Browser, const TAskReplace& AskReplace)
{
    if (!Browser.Execute())
        return;
    SortUnique(ObjectIndexes);
    std::vector<const TObjectTextObject*> Objects;
    Objects.reserve(ObjectIndexes.size());
    for (const std::int32_t Index : ObjectIndexes)
        Objects.push_back(&File.Objects(Index));
    ExportObjectsTo(Browser.FolderName(), Objects, AskReplace);
}

void ExportObjectsTo(const QString& Folder, const std::vector<const TObjectTextObject*>& Objects,
                     const TAskReplace& AskReplace)
{
    bool ReplaceAll = false;
    for (const TObjectTextObject* Item : Objects) {
        const TObjectTextObject& Object = *Item;
        const QString Target = ExportTargetPath(Folder, ExportFileName(Object));
        switch (ActionFor(Target, ReplaceAll, AskReplace)) {
        case TTargetAction::Write:
            Object.SaveToFile(LocalPath(Target));
            break;
        case TTargetAction::Skip:
            break;
        case TTargetAction::Stop:
            return;
        }
    }
}

void ExportRows(TObjectTextFile& File, std::vector<std::int32_t> Rows, QFileDialog& SaveDialog,
                TBrowseForFolderDialog& Browser, const TAskReplace& AskReplace)
{
    SortUnique(Rows);
    if (Rows.size() == 1)
        ExportObject(File.Objects(Rows.front()), SaveDialog);
    else if (Rows.size() > 1)
        ExportObjects(File, std::move(Rows), Browser, AskReplace);
}
