#include "support/TestEnvironment.h"

#include "core/DataInstall.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

TestEnvironment::TestEnvironment()
    : m_oldShellRoot(qgetenv("FLAZZ_SHELL_ROOT")), m_oldRegistry(qgetenv("FLAZZ_REGISTRY_FILE"))
{
    qputenv("FLAZZ_SHELL_ROOT", m_dir.path().toUtf8());
    qputenv("FLAZZ_REGISTRY_FILE", m_dir.filePath(QStringLiteral("HKEY_CURRENT_USER.ini")).toUtf8());
    m_state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    provisionAppData(m_state.AppDataFolder);
}

TestEnvironment::~TestEnvironment()
{
    auto restore = [](const char *name, const QByteArray &old) {
        if (old.isEmpty())
            qunsetenv(name);
        else
            qputenv(name, old);
    };
    restore("FLAZZ_SHELL_ROOT", m_oldShellRoot);
    restore("FLAZZ_REGISTRY_FILE", m_oldRegistry);
}

void TestEnvironment::setRegistryValue(const QString &subKey, const QString &name, const QString &value)
{
    QFile f(platform::registryFilePath());
    if (!f.open(QIODevice::Append | QIODevice::Text))
        return;
    QTextStream out(&f);
    out << '[' << subKey << "]\n" << name << '=' << value << '\n';
}

QString TestEnvironment::writeFile(const QString &relative, const QByteArray &bytes)
{
    const QString full = QDir(m_dir.path()).filePath(relative);
    QDir().mkpath(QFileInfo(full).path());
    QFile f(full);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return full;
}
