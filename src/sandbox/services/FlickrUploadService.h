#pragma once

#include "sandbox/SandboxService.h"
#include "sandbox/StandinServer.h"
#include "sandbox/services/FlickrService.h"

// Flickr's upload host: the multipart upload call, checked as Flickr checked
// it (the API key, api_sig as MD5 over the shared secret and the sorted
// fields, the token from the "Flickr" state), answering <rsp stat="ok">
// with the new photo's id or stat="fail" with Flickr's error codes. The
// photos are kept per account with their title, description and tags.
//
// It also answers flickr.photos.search by machine tag on its own server's
// REST path, and search() lets the Flickr REST stand-in answer the same from
// the same store.
class FlickrUploadService : public SandboxService
{
public:
    // The sandbox's Flickr application, as its API stand-in knows it.
    static constexpr const char *kApiKey = FlickrService::ApiKey;
    static constexpr const char *kSharedSecret = FlickrService::SharedSecret;

    explicit FlickrUploadService(QString apiKey = QString::fromLatin1(kApiKey),
                                 QString sharedSecret = QString::fromLatin1(kSharedSecret));

    QString name() const override { return QStringLiteral("FlickrUpload"); }
    void install(StandinServer &server, SandboxStore &store) override;
    // Points the upload host here and sets the credentials it checks.
    void configure(ServiceConfig &config, const QString &baseUrl) const override;
    QString pageSection(const SandboxStore &store) const override;

    StandinAnswer upload(SandboxStore &store, const StandinRequest &request);
    // flickr.photos.search (user_id "me", machine_tags), signed like any call.
    StandinAnswer search(const SandboxStore &store, const StandinRequest &request) const;

private:
    QString m_apiKey;
    QString m_sharedSecret;
};
