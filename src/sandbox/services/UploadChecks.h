#pragma once

#include "sandbox/StandinServer.h"

#include <QByteArray>
#include <QJsonObject>
#include <QSize>
#include <QString>

class SandboxStore;

// What the upload stand-ins of the OAuth 2.0 services share: the token a
// call presents, checked against the tokens the service's sign-in stand-in
// issued, and expiring them on demand.
namespace UploadChecks {

enum class Token
{
    Valid,
    Unknown,
    Expired
};

// How `token` stands in the `service` state ("tokens"); the account of a
// valid one.
Token check(const SandboxStore &store, const QString &service, const QString &token,
            QString *account = nullptr);
// Marks every token of the service expired; returns how many.
int expireAll(SandboxStore &store, const QString &service);

// The pixel size of a JPEG, PNG or GIF from its header; invalid when the
// bytes are none of those.
QSize imageSize(const QByteArray &bytes);

StandinAnswer json(int status, const QJsonObject &body);
// The token of an "Authorization: Bearer ..." header; empty when none.
QString bearer(const StandinRequest &request);

} // namespace UploadChecks
