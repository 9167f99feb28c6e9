#pragma once

#include "webkit/Service.h"

#include <QString>

#include <optional>

// A service as the upload queue names it in text: one of the fixed services
// by its stored name ("Dropbox", "Live", ...), a remote of the rclone
// program as "rclone:NAME" (as many as the user has, none of them a row of
// the table), or a text this version does not know, kept as it came so a
// job of a later version is left alone rather than misread.
class ServiceId
{
public:
    ServiceId() = default;
    ServiceId(Service service); // NOLINT(google-explicit-constructor): a service is a ServiceId
    static ServiceId fromText(const QString &text);
    static ServiceId rcloneRemote(const QString &remote);

    const QString &text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    // The fixed service, if it is one.
    std::optional<Service> service() const { return m_service; }
    // A remote of rclone's: "rclone:NAME".
    bool isRemote() const;
    // The remote's name for "rclone:NAME"; empty for anything else.
    QString remote() const;
    // What the user reads: the service's display name, the remote's name,
    // or the stored text itself.
    QString displayName() const;

    bool operator==(const ServiceId &other) const { return m_text == other.m_text; }

private:
    QString m_text;
    std::optional<Service> m_service;
};
