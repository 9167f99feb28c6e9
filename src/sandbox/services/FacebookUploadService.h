#pragma once

#include "sandbox/SandboxService.h"
#include "sandbox/StandinServer.h"

#include <mutex>

// Facebook Graph's photo calls: a multipart form POSTed to an album's photos
// ("me" is the application's album, made at the first photo) and an album's
// photos listed. access_token (field or query) is checked against the
// "Facebook" state; an expired one is answered with the OAuthException code
// 190 as the service did. The form's shape is checked (the source part with
// a file name, an image under 4 MB, the privacy as JSON), and each photo is
// kept with its caption and size.
class FacebookUploadService : public SandboxService
{
public:
    QString name() const override { return QStringLiteral("FacebookUpload"); }
    QString sharesServerWith() const override { return QStringLiteral("Facebook"); }
    void install(StandinServer &server, SandboxStore &store) override;
    // The photo calls live on the Graph host, which the sign-in and albums
    // stand-in points at its server: nothing of its own to set.
    void configure(ServiceConfig &, const QString &) const override {}
    QString pageSection(const SandboxStore &store) const override;

private:
    StandinAnswer post(const StandinRequest &request);
    StandinAnswer list(const StandinRequest &request);

    SandboxStore *m_store = nullptr;
    std::mutex m_mutex; // a photo's id and its keeping go together
};
