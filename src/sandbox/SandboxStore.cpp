#include "sandbox/SandboxStore.h"

#include "platform/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QUrl>

namespace {

constexpr auto kOwnerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;

void makeFolder(const QString &path)
{
    QDir().mkpath(path);
    QFile::setPermissions(path, kOwnerOnlyFolder);
}

} // namespace

SandboxStore::SandboxStore(QString folder) : m_folder(std::move(folder))
{
    makeFolder(m_folder);
}

void SandboxStore::changed(const QString &service)
{
    m_changed[service] = QDateTime::currentMSecsSinceEpoch();
}

bool SandboxStore::changedLately(const QStringList &services, int seconds) const
{
    std::lock_guard lock(m_mutex);
    const qint64 since = QDateTime::currentMSecsSinceEpoch() - qint64(seconds) * 1000;
    for (const QString &service : services) {
        const auto it = m_changed.find(service);
        if (it != m_changed.end() && it->second >= since)
            return true;
    }
    return false;
}

QString SandboxStore::serviceFolder(const QString &service) const
{
    return m_folder + u'/' + service;
}

QJsonObject SandboxStore::state(const QString &service) const
{
    std::lock_guard lock(m_mutex);
    QFile file(serviceFolder(service) + u"/state.json");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QJsonObject SandboxStore::update(const QString &service, const std::function<void(QJsonObject &)> &change)
{
    std::lock_guard lock(m_mutex);
    const QString folder = serviceFolder(service);
    makeFolder(folder);
    QJsonObject state;
    {
        QFile file(folder + u"/state.json");
        if (file.open(QIODevice::ReadOnly))
            state = QJsonDocument::fromJson(file.readAll()).object();
    }
    change(state);
    changed(service);
    platform::writeFileAtomically(folder + u"/state.json", QJsonDocument(state).toJson(),
                                  platform::FileAccess::OwnerOnly);
    return state;
}

int SandboxStore::expire(const QString &service, const QString &token, int *stillGood)
{
    int found = 0;
    update(service, [&](QJsonObject &state) {
        QJsonObject tokens = state.value(u"tokens").toObject();
        for (auto it = tokens.begin(); it != tokens.end(); ++it) {
            if (!token.isEmpty() && it.key() != token)
                continue;
            QJsonObject entry = it.value().toObject();
            if (stillGood && !entry.value(u"expired").toBool())
                ++*stillGood;
            entry.insert(QStringLiteral("expired"), true);
            it.value() = entry;
            ++found;
        }
        state.insert(QStringLiteral("tokens"), tokens);
    });
    return found;
}

int SandboxStore::expireTokens(const QString &service)
{
    int stillGood = 0;
    expire(service, {}, &stillGood);
    return stillGood;
}

bool SandboxStore::expireToken(const QString &service, const QString &token)
{
    return !token.isEmpty() && expire(service, token, nullptr) > 0;
}

QString SandboxStore::safeRelative(const QString &relativePath) const
{
    QStringList parts;
    for (QString part : QString(relativePath).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts)) {
        part = part.trimmed();
        if (part.isEmpty() || part == u"." || part == u"..")
            continue;
        part.replace(QChar(0), u'_');
        parts.append(part);
    }
    return parts.join(u'/');
}

QString SandboxStore::keepFile(const QString &service, const QString &relativePath, const QByteArray &bytes)
{
    const QString safe = safeRelative(relativePath);
    if (safe.isEmpty())
        return {};
    std::lock_guard lock(m_mutex);
    makeFolder(serviceFolder(service));
    const QString root = serviceFolder(service) + u"/files/";
    const QFileInfo wanted(root + safe);
    QDir().mkpath(wanted.absolutePath());
    QString chosen = safe;
    const QString base = wanted.completeBaseName();
    const QString suffix = wanted.suffix().isEmpty() ? QString() : u'.' + wanted.suffix();
    const QString dir = QFileInfo(safe).path() == u"." ? QString() : QFileInfo(safe).path() + u'/';
    for (int n = 1; QFileInfo::exists(root + chosen); ++n)
        chosen = dir + base + u" (" + QString::number(n) + u')' + suffix;
    QFile file(root + chosen);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner) ||
        file.write(bytes) != bytes.size())
        return {};
    changed(service);
    return chosen;
}

QStringList SandboxStore::files(const QString &service) const
{
    std::lock_guard lock(m_mutex);
    const QString root = serviceFolder(service) + u"/files/";
    QStringList found;
    QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(it.next().mid(root.size()));
    found.sort();
    return found;
}

QByteArray SandboxStore::fileBytes(const QString &service, const QString &relativePath) const
{
    const QString safe = safeRelative(relativePath);
    if (safe.isEmpty() || service.isEmpty() || service.contains(u'/') || service.contains(u'\\') ||
        service.startsWith(u'.'))
        return {};
    std::lock_guard lock(m_mutex);
    const QString root = QFileInfo(serviceFolder(service) + u"/files").canonicalFilePath();
    const QString path = QFileInfo(serviceFolder(service) + u"/files/" + safe).canonicalFilePath();
    if (root.isEmpty() || !path.startsWith(root + u'/'))
        return {};
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString SandboxStore::fileUrl(const QString &service, const QString &relativePath)
{
    return u"/files/" + QString::fromLatin1(QUrl::toPercentEncoding(service)) + u'/' +
           QString::fromLatin1(QUrl::toPercentEncoding(relativePath, "/"));
}
