#pragma once

#include "rclone/RcloneSetup.h"

#include <QList>
#include <QString>
#include <QStringList>

class SignIn;

// rclone run once for a command that needs no daemon: the list of remotes,
// and making a new one.

struct RcloneRemoteInfo
{
    QString name;
    QString type; // rclone's backend name: "drive", "dropbox", "onedrive", "webdav", ...
};

// The remotes of the configuration, in rclone's order, from "rclone
// listremotes --long", which tells names and types and nothing secret.
// False with `error` when rclone cannot tell.
bool listRcloneRemotes(const RcloneSetup &setup, QList<RcloneRemoteInfo> *remotes, QString *error);

// Whether `name` can name a new remote: letters, digits, "_", "-", ".",
// "+", "@" and inner blanks, as rclone takes them.
bool isRcloneRemoteName(const QString &name);

// The remote types whose sign-in is a page in the browser, the only ones
// made here; the others want answers to rclone's own questions.
bool isBrowserSignInType(const QString &type);

// Makes remote `name` of `type` (or, with `reconnect`, signs the existing
// remote in again) through rclone's own authorization: rclone serves a page
// on this machine that leads to the service's sign-in; that page is opened
// through `signIn` as every sign-in page is, and `askCompleteAuthorization`
// lets the user cancel while rclone waits. `options` go to rclone as
// "key value" pairs. Nothing rclone prints is kept: at its end it prints the
// new token. False with `error` (ready for the user) when no remote came of it.
bool authorizeRcloneRemote(const RcloneSetup &setup, const QString &name, const QString &type,
                           const QStringList &options, bool reconnect, SignIn &signIn, QString *error);
