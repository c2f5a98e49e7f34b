#include "ui/window/recentfiles.h"

#include "platform/profile.h"
#include "ui/common/errorbox.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

namespace {

// File names compare as the file system does.
constexpr Qt::CaseSensitivity FileNameCase =
#ifdef _WIN32
    Qt::CaseInsensitive;
#else
    Qt::CaseSensitive;
#endif

// The settings file's section; its keys are File1 ... File8.
const char* const SRecent = "Recent";

std::string RecentKey(int Index)
{
    return "File" + std::to_string(Index + 1);
}

}  // namespace

TRecentFiles::TRecentFiles(QMenu& FileMenu, QAction* Before) : QObject(&FileMenu), FMenu(new QMenu(&FileMenu))
{
    FMenu->setObjectName(QStringLiteral("mnuFileRecent"));
    FMenu->setTitle(tr("Recent &Files"));
    FileMenu.insertMenu(Before, FMenu);
    Rebuild();
}

void TRecentFiles::SetFiles(const QStringList& Files)
{
    FFiles.clear();
    for (const QString& File : Files)
        if (!File.isEmpty() && !FFiles.contains(File, FileNameCase) && FFiles.size() < MaxCount)
            FFiles << File;
    Rebuild();
}

void TRecentFiles::Opened(const QString& FileName)
{
    QStringList Files{FileName};
    Files << FFiles;
    SetFiles(Files);
}

void TRecentFiles::Remove(const QString& FileName)
{
    FFiles.removeIf([&](const QString& File) { return File.compare(FileName, FileNameCase) == 0; });
    Rebuild();
}

void TRecentFiles::ReadSettings(const platform::TProfile& Profile)
{
    QStringList Files;
    for (int Index = 0; Index < MaxCount; ++Index)
        Files << QString::fromStdString(platform::ReadStringDefault(Profile, SRecent, RecentKey(Index), ""));
    SetFiles(Files);
}

void TRecentFiles::WriteSettings(TSettingsWriter& Writer) const
{
    for (int Index = 0; Index < MaxCount; ++Index) {
        const std::string Key = RecentKey(Index);
        std::string Stored;
        if (Index < FFiles.size())
            Writer.Line(SRecent, Key, FFiles.at(Index).toStdString());
        // A list grown shorter leaves none of its old entries; slots it never
        // filled stay out of the file.
        else if (Writer.Profile().ReadString(SRecent, Key, Stored) && !Stored.empty())
            Writer.String(SRecent, Key, "");
    }
}

void TRecentFiles::Rebuild()
{
    // Later: the item chosen is still telling of it while the list changes.
    for (QAction* Item : FMenu->actions()) {
        FMenu->removeAction(Item);
        Item->deleteLater();
    }
    FMenu->setEnabled(!FFiles.isEmpty());
    for (int Index = 0; Index < FFiles.size(); ++Index) {
        const QString File = FFiles.at(Index);
        // "&1 /path/file.txt": the number picks it from the keyboard; an
        // ampersand of the name is no mnemonic.
        QString Caption = QDir::toNativeSeparators(File);
        Caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        auto* Item = new QAction(QStringLiteral("&%1 %2").arg(Index + 1).arg(Caption), FMenu);
        FMenu->addAction(Item);
        connect(Item, &QAction::triggered, this, [this, File] { Choose(File); });
    }
}

void TRecentFiles::Choose(const QString& FileName)
{
    if (QFileInfo::exists(FileName)) {
        emit Chosen(FileName);
        return;
    }
    // Said before any load starts, so the file on view stays as it is.
    QWidget* Window = FMenu->parentWidget() ? FMenu->parentWidget()->window() : nullptr;
    QMessageBox Box(QMessageBox::Warning, gui::ApplicationTitle(),
                    tr("%1 no longer exists.").arg(QDir::toNativeSeparators(FileName)), QMessageBox::NoButton, Window);
    Box.setObjectName(QStringLiteral("msgRecentFileMissing"));
    gui::UseDialogFrame(Box);
    Box.setInformativeText(tr("Remove it from the recent files?"));
    QPushButton* RemoveButton = Box.addButton(tr("&Remove"), QMessageBox::AcceptRole);
    Box.addButton(tr("&Keep"), QMessageBox::RejectRole);
    Box.setDefaultButton(RemoveButton);
    Box.exec();
    if (Box.clickedButton() == RemoveButton)
        Remove(FileName);
}
