#include "core/DataInstall.h"

#include "platform/AtomicFile.h"
#include "platform/InstallLayout.h"

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

    // An installed program lays out what its package installed; one run from
    // the build folder has the same files compiled in.
    QString source = platform::installedDataFolder();
    if (source.isEmpty())
        source = QStringLiteral(":/install");
    QDirIterator it(source, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = from.mid(source.size() + 1);
        const QString to = base.filePath(relative);
        if (QFileInfo::exists(to))
            continue;
        base.mkpath(QFileInfo(relative).path());
        // The pages and the initial settings are small; anything else there is
        // not ours to copy into every user's data folder.
        QFile in(from);
        if (in.size() > 8 * 1024 * 1024 || !in.open(QIODevice::ReadOnly))
            continue;
        // The settings file will hold tokens: keep it private from the start.
        const auto access = relative.endsWith(QLatin1String("Settings.xml")) ? platform::FileAccess::OwnerOnly
                                                                             : platform::FileAccess::Default;
        if (platform::writeFileAtomically(to, in.readAll(), access))
            created.append(to);
    }
    return created;
}
