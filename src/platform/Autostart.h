#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The user's entry among the programs the desktop starts at log-in: a file
// named after the program's desktop id in the startup folder (an XDG
// autostart entry). Turning it off removes the file; an entry the desktop's
// own settings switched off (Hidden=true) counts as off.
class Autostart
{
public:
    // `id`: the program's desktop id (also its icon's name); `command`: the
    // program's absolute path, then its arguments.
    Autostart(QString id, QString name, QStringList command);

    bool enabled() const;
    // Writes or removes the entry; false when that failed.
    bool setEnabled(bool enabled) const;

    QString entryPath() const;
    // The entry's text as it is written.
    QByteArray entry() const;

private:
    QString m_id;
    QString m_name;
    QStringList m_command;
};

} // namespace platform
