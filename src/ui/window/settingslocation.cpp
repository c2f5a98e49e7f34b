#include "ui/window/settingslocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace gui {

namespace {

const QString SettingsName = QStringLiteral("quib.zup");

}  // namespace

QString ChooseSettingsFile(const QString& ExecutableFolder, const QString& UserFolder,
                           const TWritableProbe& Writable)
{
    const QString Beside = QDir(ExecutableFolder).filePath(SettingsName);
    if (UserFolder.isEmpty() || Writable.Folder(ExecutableFolder) || Writable.File(Beside))
        return Beside;
    return QDir(UserFolder).filePath(SettingsName);
}

bool FolderWritable(const QString& Folder)
{
    // Permission bits and access() say nothing of read-only mounts, ACLs, or
    // root: make the file the settings writer would make, then remove it.
    if (!QFileInfo(Folder).isDir())
        return false;
    QString Name;
    {
        QTemporaryFile Probe(QDir(Folder).filePath(SettingsName + QStringLiteral(".XXXXXX")));
        Probe.setAutoRemove(false);
        if (!Probe.open())
            return false;
        Name = Probe.fileName();
    }  // close() keeps a temporary file open, and Windows removes no open file
    return QFile::remove(Name);
}

bool ExistingFileWritable(const QString& FileName)
{
    // Append, and only an existing file: the probe neither empties nor creates it.
    QFile File(FileName);
    return File.open(QIODevice::Append | QIODevice::ExistingOnly);
}

QString DefaultSettingsFile()
{
#ifdef _WIN32
    // The roaming application data, where settings follow the user.
    const QString UserFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
#else
    const QString UserFolder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
#endif
    const QString FileName = ChooseSettingsFile(QCoreApplication::applicationDirPath(), UserFolder,
                                                {FolderWritable, ExistingFileWritable});
    // A failure shows when the settings are saved, as for any other folder.
    if (!UserFolder.isEmpty() && FileName == QDir(UserFolder).filePath(SettingsName))
        QDir().mkpath(UserFolder);
    return FileName;
}

}  // namespace gui
