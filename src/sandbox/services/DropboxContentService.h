#pragma once

#include "sandbox/SandboxService.h"
#include "sandbox/StandinServer.h"
#include "sandbox/services/DropboxService.h"

#include <mutex>

// Dropbox's content host, version 1: files_put into the application folder.
// Every call is checked as the service checked it (the consumer key, the
// token from the "Dropbox" state, the OAuth 1.0 HMAC-SHA1 signature over
// the consumer and token secrets) and the file is kept per account. Without
// overwrite a taken name gives the renamed copy "x (1).jpg"; the same bytes
// sent again to the same name are no clash, and the service answers the copy
// it has.
class DropboxContentService : public SandboxService
{
public:
    // The sandbox's Dropbox application, as its API stand-in knows it.
    static constexpr const char *kConsumerKey = DropboxService::ConsumerKey;
    static constexpr const char *kConsumerSecret = DropboxService::ConsumerSecret;

    // The application credentials the calls are checked against: those the
    // sandbox's Dropbox API stand-in hands out.
    explicit DropboxContentService(QString consumerKey = QString::fromLatin1(kConsumerKey),
                                   QString consumerSecret = QString::fromLatin1(kConsumerSecret));

    QString name() const override { return QStringLiteral("DropboxContent"); }
    QString sharesServerWith() const override { return QStringLiteral("Dropbox"); }
    void install(StandinServer &server, SandboxStore &store) override;
    void configure(ServiceConfig &config, const QString &baseUrl) const override;
    QString pageSection(const SandboxStore &store) const override;

private:
    StandinAnswer filesPut(SandboxStore &store, const StandinRequest &request);

    QString m_consumerKey;
    QString m_consumerSecret;
    std::mutex m_putMutex; // a clash check and the keeping go together
};
