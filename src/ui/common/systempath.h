// Paths as the file layer takes them: the system's 8-bit spelling on POSIX
// systems, UTF-8 on Windows (where the file layer calls the wide API).
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <string>

namespace gui {

inline std::string ToSystemPath(const QString& Path)
{
#ifdef _WIN32
    return Path.toUtf8().toStdString();
#else
    return QFile::encodeName(Path).toStdString();
#endif
}

inline QString FromSystemPath(const std::string& Path)
{
#ifdef _WIN32
    return QString::fromUtf8(Path.data(), static_cast<qsizetype>(Path.size()));
#else
    return QFile::decodeName(QByteArray::fromStdString(Path));
#endif
}

}  // namespace gui
