#include "rclone/RcloneSetup.h"

#include <QStandardPaths>
#include <QStringList>

RcloneSetup RcloneSetup::find(const QString &configFile)
{
    RcloneSetup setup;
    setup.configFile = configFile;
    const QString named = qEnvironmentVariable("FLAZZ_RCLONE");
    setup.program = named.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("rclone")) : named;
    return setup;
}

QProcessEnvironment RcloneSetup::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QStringList keys = env.keys();
    for (const QString &key : keys) {
        if (key.startsWith(u"RCLONE_RC_"))
            env.remove(key);
    }
    if (!configFile.isEmpty())
        env.insert(QStringLiteral("RCLONE_CONFIG"), configFile);
    return env;
}

QString RcloneSetup::missingText() const
{
    if (program.isEmpty())
        return QStringLiteral("rclone is not installed");
    return QStringLiteral("rclone could not be started (%1)").arg(program);
}
