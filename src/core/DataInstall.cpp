#include "core/DataInstall.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

QStringList provisionAppData(const QString &appDataFolder)
{
    Q_INIT_RESOURCE(install);

    QStringList created;
    QDir base(appDataFolder);
    for (const char *folder : {"Resources", "Data", "log"})
        base.mkpath(QString::fromLatin1(folder));

    const QString source = QStringLiteral(":/install");
    QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = from.mid(source.size() + 1);
        const QString to = base.filePath(relative);
        if (QFileInfo::exists(to))
            continue;
        base.mkpath(QFileInfo(relative).path());
        QFile in(from);
        if (!in.open(QIODevice::ReadOnly))
            continue;
        // The settings file will hold tokens: keep it private from the start.
        const auto access = relative.endsWith(QLatin1String("Settings.xml")) ? platform::FileAccess::OwnerOnly
                                                                             : platform::FileAccess::Default;
        if (platform::writeFileAtomically(to, in.readAll(), access))
            created.append(to);
    }
    return created;
}
