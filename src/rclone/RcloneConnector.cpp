#include "rclone/RcloneConnector.h"

#include "core/UserPrompt.h"
#include "rclone/RcloneCommand.h"
#include "rclone/RcloneRemote.h"

#include <algorithm>

RcloneConnector::RcloneConnector(RcloneSetup setup, QString remote, QString type, SignIn &signIn,
                                 UserPrompt &prompt)
    : m_setup(setup), m_remote(std::move(remote)), m_type(std::move(type)), m_signIn(signIn),
      m_prompt(prompt), m_daemon(std::move(setup))
{
}

void RcloneConnector::tell(const QString &reason)
{
    m_prompt.systemMessage(m_remote + u": " + reason, MsgStyle::Information, QStringLiteral("Flazz"));
}

bool RcloneConnector::reachable()
{
    if (m_daemon.start())
        return true;
    tell(m_daemon.failure());
    return false;
}

std::optional<RcloneRemoteInfo> RcloneConnector::findRemote(bool *listed)
{
    QList<RcloneRemoteInfo> remotes;
    QString error;
    *listed = listRcloneRemotes(m_setup, &remotes, &error);
    if (!*listed) {
        tell(error);
        return std::nullopt;
    }
    const auto it = std::find_if(remotes.cbegin(), remotes.cend(),
                                 [&](const RcloneRemoteInfo &r) { return r.name == m_remote; });
    if (it == remotes.cend())
        return std::nullopt;
    return *it;
}

bool RcloneConnector::IsAuthoriseUserExist()
{
    bool configured = false;
    const std::optional<RcloneRemoteInfo> found = findRemote(&configured);
    if (!found)
        return false;
    m_foundType = found->type;
    if (!reachable())
        return false;
    QList<RcloneEntry> entries;
    const RcloneResult listed = RcloneRemote(m_daemon, m_remote).list({}, &entries, true);
    if (!listed.ok)
        tell(listed.error);
    return listed.ok;
}

bool RcloneConnector::CreateAccount()
{
    bool listed = false;
    const std::optional<RcloneRemoteInfo> found = findRemote(&listed);
    if (!listed)
        return false;
    const QString type = found ? found->type : m_type;
    if (!isBrowserSignInType(type)) {
        tell(QStringLiteral("a %1 remote is set up with \"rclone config\"")
                 .arg(type.isEmpty() ? QStringLiteral("new") : type));
        return false;
    }
    QString error;
    if (!authorizeRcloneRemote(m_setup, m_remote, type, {}, found.has_value(), m_signIn, &error)) {
        tell(error);
        return false;
    }
    return true;
}

QList<AlbumEntry> RcloneConnector::albums()
{
    QList<AlbumEntry> out;
    if (!reachable())
        return out;
    QList<RcloneEntry> entries;
    const RcloneResult listed = RcloneRemote(m_daemon, m_remote).list({}, &entries, true);
    if (!listed.ok) {
        tell(listed.error);
        return out;
    }
    for (const RcloneEntry &entry : entries)
        out.append({entry.name, entry.name});
    return out;
}

QString RcloneConnector::createAlbum(const QString &name)
{
    const std::optional<QString> folder = RcloneNames::folderPath(name);
    if (!folder || folder->isEmpty()) {
        tell(QStringLiteral("\"%1\" cannot name a folder").arg(name));
        return {};
    }
    if (!reachable())
        return {};
    const RcloneResult made = RcloneRemote(m_daemon, m_remote).makeFolder(*folder);
    if (!made.ok) {
        tell(made.error);
        return {};
    }
    return *folder;
}

std::optional<RcloneNames> RcloneConnector::namesIn(const QString &folder)
{
    if (!reachable())
        return std::nullopt;
    QList<RcloneEntry> entries;
    const RcloneResult listed = RcloneRemote(m_daemon, m_remote).list(folder, &entries);
    if (!listed.ok) {
        tell(listed.error);
        return std::nullopt;
    }
    QStringList taken;
    for (const RcloneEntry &entry : entries)
        taken << entry.name;
    return RcloneNames(taken);
}
