#include "cloudfolders/SyncFolders.h"

#include "core/AppState.h"
#include "platform/Registry.h"
#include "platform/ShellFolders.h"
#include "webkit/Ansi.h"
#include "webkit/Base64.h"
#include "webkit/ToolkitError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QVariant>

namespace {

// The clients write Windows paths; the program joins paths with "/" only.
QString withForwardSlashes(QString path)
{
    path.replace(u'\\', u'/');
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

bool fileExists(const QString &path)
{
    if (path.isEmpty() || path.endsWith(u'/') || path.endsWith(u'\\'))
        return false;
    return QFileInfo(path).isFile();
}

// One level only: a client that names a folder whose parent is gone is
// broken in a way the user must see, not one to paper over.
void makeLevel(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return;
    if (!QDir().mkdir(folder))
        throw SyncFolderError(folder);
}

// The client writes the folder's path as UTF-8; a file from an older client
// in the ANSI code page still reads one character per byte.
QString pathFromBytes(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? Ansi::toUnicode(bytes) : text;
}

// Removes the file when the scope ends, however it ends.
class TemporaryCopy
{
public:
    explicit TemporaryCopy(QString path) : m_path(std::move(path)) { QFile::remove(m_path); }
    ~TemporaryCopy() { QFile::remove(m_path); }
    TemporaryCopy(const TemporaryCopy &) = delete;
    TemporaryCopy &operator=(const TemporaryCopy &) = delete;
    const QString &path() const { return m_path; }

private:
    QString m_path;
};

// The client's database is read as plain bytes: the path follows the
// entry's key and value names, after the four characters of the long-path
// form "\\?\", and ends at the record separator (code 30).
QString readSyncRoot(const QString &database)
{
    QFile file(database);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    static const QByteArray key = QByteArrayLiteral("local_sync_root_pathvalue");
    const qsizetype found = bytes.indexOf(key);
    if (found < 0)
        return {};
    const qsizetype start = found + key.size() + 4;
    const qsizetype end = bytes.indexOf('\x1e', start);
    if (start > bytes.size() || end < 0)
        return {};
    return pathFromBytes(bytes.mid(start, end - start));
}

} // namespace

QString GetDropboxFolder()
{
    QString hostDb = platform::GetRegString(platform::Hive::CurrentUser, QStringLiteral("Software\\Dropbox"),
                                            QStringLiteral("InstallPath"), QString());
    hostDb.replace(QStringLiteral("\\bin"), QStringLiteral("\\host.db"));
    hostDb.replace(QStringLiteral("/bin"), QStringLiteral("/host.db"));
    hostDb = withForwardSlashes(hostDb);
    if (!fileExists(hostDb))
        return {};
    QFile file(hostDb);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // host.db is small; anything large is not the client's file.
    if (file.size() > 1 << 20)
        return {};
    const QByteArray bytes = file.readAll();

    // The first line (a hash of 40 characters) decodes to 30 characters, the
    // second line to the folder's path; both are decoded as one stream.
    QString decoded;
    try {
        decoded = Base64().Decode(QString::fromLatin1(bytes));
    } catch (const ToolkitError &) {
        return {};
    }
    if (decoded.size() < 31)
        return {};
    QString folder = withForwardSlashes(pathFromBytes(Ansi::fromUnicode(decoded.mid(30))));
    if (folder.trimmed().isEmpty())
        return {};

    makeLevel(folder);
    folder += QStringLiteral("/Apps");
    makeLevel(folder);
    folder += QStringLiteral("/Flazz");
    makeLevel(folder);
    return folder + u'/';
}

QString GetGoogleDriveFolder(const AppState &state)
{
    const QString localAppData = platform::shellFolder(platform::ShellFolder::LocalAppData);
    if (localAppData.isEmpty() || state.ResourcesFolder.isEmpty())
        return {};
    const QString config = localAppData + QStringLiteral("/Google/Drive/sync_config.db");
    // Only a copy is read: the running client keeps its database locked.
    TemporaryCopy copy(state.ResourcesFolder + QStringLiteral("gtemp.db"));
    if (fileExists(config))
        QFile::copy(config, copy.path());
    if (!fileExists(copy.path()))
        return {};
    const QString root = withForwardSlashes(readSyncRoot(copy.path()));
    if (root.trimmed().isEmpty())
        return {};
    return root + u'/';
}

QString GetSkyDriveFolder()
{
    QString folder =
        platform::GetRegString(platform::Hive::CurrentUser, QStringLiteral("Software\\Microsoft\\SkyDrive"),
                               QStringLiteral("UserFolder"), QString());
    if (folder.isEmpty())
        return {};
    folder = withForwardSlashes(folder);
    makeLevel(folder);
    return folder + u'/';
}
