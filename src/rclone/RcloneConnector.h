#pragma once

#include "cloudfolders/CloudConnector.h"
#include "rclone/RcloneCommand.h"
#include "rclone/RcloneDaemon.h"
#include "rclone/RcloneNames.h"
#include "rclone/RcloneSetup.h"
#include "webkit/ServiceId.h"

#include <QString>
#include <QStringList>

#include <optional>

class SignIn;
class UserPrompt;

// A remote of the user's rclone configuration behind the outline the
// cloud-folder buttons share: "signed in" is a remote that answers, signing
// in is rclone's own authorization, and the folders are the remote's. rclone
// keeps the remote's tokens; none passes through here.
class RcloneConnector : public CloudConnector
{
public:
    // `remote`: the remote's name. `type`: what CreateAccount makes when the
    // configuration has no remote of that name (e.g. "dropbox").
    RcloneConnector(RcloneSetup setup, QString remote, QString type, SignIn &signIn, UserPrompt &prompt);

    // The remote is configured and lists its top folder. A refusal is told
    // to the user.
    bool IsAuthoriseUserExist() override;
    // Makes the remote, or signs the existing one in again, through rclone's
    // own page in the browser.
    bool CreateAccount() override;
    QString AccessToken() const override { return {}; }

    // The folders at the remote's top, by name.
    QList<AlbumEntry> albums() override;
    // Makes folder `name` (a path, "Trips/2024", may be given) and returns
    // it as rclone takes it; empty when that failed (the user was told).
    QString createAlbum(const QString &name) override;

    QString remote() const { return m_remote; }
    // The remote's type ("dropbox", "webdav", ...), once IsAuthoriseUserExist
    // found it.
    QString type() const { return m_foundType; }
    ServiceId service() const { return ServiceId::rcloneRemote(m_remote); }
    // What `folder` holds now, to decide the names of a job's photos when
    // it is queued (RcloneNames::claim for each, in order). Nothing when the
    // folder cannot be listed (the user was told).
    std::optional<RcloneNames> namesIn(const QString &folder);

private:
    bool reachable();
    void tell(const QString &reason);
    // The remote of this name in rclone's configuration; `listed` says
    // whether the configuration could be read at all (told when not).
    std::optional<RcloneRemoteInfo> findRemote(bool *listed);

    RcloneSetup m_setup;
    QString m_remote;
    QString m_type;
    SignIn &m_signIn;
    UserPrompt &m_prompt;
    QString m_foundType;
    RcloneDaemon m_daemon;
};
