#include "platform/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace platform {

namespace {

QDir programDir(const QString &programFolder)
{
    return QDir(programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder);
}

} // namespace

QString helperProgram(const QString &name, const QString &programFolder)
{
    const QDir folder = programDir(programFolder);
    const QString installed =
        QDir::cleanPath(folder.filePath(QStringLiteral(FLAZZ_HELPERS_FROM_PROGRAMS "/") + name));
    if (QFileInfo(installed).isExecutable())
        return installed;
    return folder.filePath(name);
}

QString installedDataFolder(const QString &programFolder)
{
    const QString data =
        QDir::cleanPath(programDir(programFolder).filePath(QStringLiteral(FLAZZ_DATA_FROM_PROGRAMS)));
    return QFileInfo(data).isDir() ? data : QString();
}

} // namespace platform
