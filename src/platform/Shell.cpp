#include "platform/Shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace platform {

bool DesktopShell::open(const QString &target)
{
    if (target.isEmpty())
        return false;
    const QUrl url = QFileInfo::exists(target) ? QUrl::fromLocalFile(target) : QUrl::fromUserInput(target);
    return QDesktopServices::openUrl(url);
}

bool DesktopShell::startProgram(const QString &program, const QString &arguments,
                                const QString &workingFolder)
{
#ifdef Q_OS_WIN
    QProcess process;
    process.setProgram(program);
    process.setNativeArguments(arguments);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    return process.startDetached();
#else
    return QProcess::startDetached(program, QProcess::splitCommand(arguments), workingFolder);
#endif
}

} // namespace platform
