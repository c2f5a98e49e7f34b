// Where the settings file lives.
//
// Beside the executable, as it always has, while that folder can be written or
// already holds a settings file that can be. An installed program in a
// read-only folder keeps it in the user's configuration folder instead.
#pragma once

#include <QString>

#include <functional>

namespace gui {

// What the choice asks of the disk.
struct TWritableProbe {
    // A file can be created in Folder, and removed again.
    std::function<bool(const QString& Folder)> Folder;
    // FileName exists and can be written.
    std::function<bool(const QString& FileName)> File;
};

// The settings file of a program in ExecutableFolder. UserFolder: the user's
// configuration folder for the program; empty when the system names none, and
// then the file stays beside the executable.
QString ChooseSettingsFile(const QString& ExecutableFolder, const QString& UserFolder,
                           const TWritableProbe& Writable);

// The probes on the real disk. Both leave the disk as they found it.
bool FolderWritable(const QString& Folder);
bool ExistingFileWritable(const QString& FileName);

// The settings file of the running program. When that is the user's, its
// folder is created here, so that saving at close has somewhere to write.
QString DefaultSettingsFile();

}  // namespace gui
