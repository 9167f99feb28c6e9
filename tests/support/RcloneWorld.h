#pragma once

#include "platform/AtomicFile.h"
#include "rclone/RcloneSetup.h"
#include "rclone/RcloneWebdavServer.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <gtest/gtest.h>

#include <memory>

// One test's rclone remotes, on this machine only: a configuration file of
// the test's own (RCLONE_CONFIG names it while the world lives, so the
// machine's configuration is never read or touched), a local remote
// "photos" on a private folder and a WebDAV remote "dav" served by "rclone
// serve webdav" from another. Skips nothing: rclone is a dependency.
class RcloneWorld
{
public:
    explicit RcloneWorld(const QString &root)
        : configFile(root + QStringLiteral("/rclone/rclone.conf")),
          localFolder(root + QStringLiteral("/remote-photos")),
          davFolder(root + QStringLiteral("/remote-dav")), m_oldConfig(qgetenv("RCLONE_CONFIG"))
    {
        QDir().mkpath(localFolder);
        QDir().mkpath(QFileInfo(configFile).absolutePath());
        qputenv("RCLONE_CONFIG", configFile.toUtf8());
        addSection("[photos]\ntype = alias\nremote = " + localFolder.toUtf8() + '\n');
        dav = std::make_unique<RcloneWebdavServer>(setup(), davFolder);
        EXPECT_TRUE(dav->start()) << qPrintable(dav->failure());
        QString error;
        EXPECT_TRUE(dav->addToConfig(configFile, QStringLiteral("dav"), &error)) << qPrintable(error);
    }

    ~RcloneWorld()
    {
        if (m_oldConfig.isNull())
            qunsetenv("RCLONE_CONFIG");
        else
            qputenv("RCLONE_CONFIG", m_oldConfig);
    }

    RcloneSetup setup() const { return RcloneSetup::find(configFile); }

    // Appends a remote's section to the configuration.
    void addSection(const QByteArray &section)
    {
        QFile file(configFile);
        const QByteArray old = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        platform::writeFileAtomically(configFile, old + '\n' + section, platform::FileAccess::OwnerOnly);
    }

    // Where a remote of this world keeps its files on disk.
    QString folderOf(const QString &remote) const { return remote == u"dav" ? davFolder : localFolder; }

    // The file names in `relative` under the remote's folder, sorted.
    QStringList filesIn(const QString &remote, const QString &relative = {}) const
    {
        return QDir(QDir(folderOf(remote)).filePath(relative))
            .entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QString configFile;
    QString localFolder;
    QString davFolder;
    std::unique_ptr<RcloneWebdavServer> dav;

private:
    QByteArray m_oldConfig;
};
