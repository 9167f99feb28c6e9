#include "platform/Autostart.h"

#include "platform/AtomicFile.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace platform {

namespace {

// One argument of an Exec line: quoted when it holds a character the
// desktop's command-line rules reserve, then escaped once more because the
// key's value is itself an escaped string.
QString execArgument(const QString &argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString quoted = argument;
    if (std::any_of(argument.begin(), argument.end(), [](QChar c) { return reserved.contains(c); })) {
        quoted.clear();
        for (QChar c : argument) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
                quoted += u'\\';
            quoted += c;
        }
        quoted = u'"' + quoted + u'"';
    }
    quoted.replace(u'%', QStringLiteral("%%"));
    quoted.replace(u'\\', QStringLiteral("\\\\"));
    return quoted;
}

} // namespace

Autostart::Autostart(QString id, QString name, QStringList command)
    : m_id(std::move(id)), m_name(std::move(name)), m_command(std::move(command))
{
}

QString Autostart::entryPath() const
{
    return shellFolder(ShellFolder::Startup) + kPathSeparator + m_id + QStringLiteral(".desktop");
}

QByteArray Autostart::entry() const
{
    QStringList exec;
    for (const QString &argument : m_command)
        exec << execArgument(argument);
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=%1\n"
                                        "Exec=%2\n"
                                        "Icon=%3\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n"
                                        // The program lives in the notification area, which some
                                        // desktops start after their autostart entries.
                                        "X-KDE-autostart-phase=2\n"
                                        "X-LXQt-Need-Tray=true\n")
                             .arg(m_name, exec.join(u' '), m_id);
    return text.toUtf8();
}

bool Autostart::enabled() const
{
    QFile file(entryPath());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // A desktop's start-up settings switch an entry off in place rather than
    // removing it.
    const QList<QByteArray> lines = file.read(64 * 1024).split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed == "Hidden=true" || trimmed == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

bool Autostart::setEnabled(bool enabled) const
{
    const QString path = entryPath();
    if (!enabled)
        return !QFileInfo::exists(path) || QFile::remove(path);
    return QDir().mkpath(QFileInfo(path).path()) && writeFileAtomically(path, entry());
}

} // namespace platform
