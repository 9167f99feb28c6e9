#pragma once

#include "sandbox/SandboxService.h"
#include "sandbox/StandinServer.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <mutex>
#include <optional>
#include <set>
#include <utility>

// Dropbox API version 1 for an application with access to its own folder:
// OAuth 1.0 (request token, the authorize page, access token) and the calls
// the program makes (account/info, fileops/create_folder, metadata of the
// application folder). Every request's HMAC-SHA1 signature is checked from
// what arrived, against the consumer secret and the token's secret, and a
// refusal is answered as the service did, with {"error": "..."}: 403 for a
// request whose OAuth does not hold (consumer, signature, nonce, clock), 401
// for a token that is unknown, expired or not authorized.
//
// State: "accounts" {uid: {name, email, folders: ["/Trip", ...]}}, "tokens"
// (access tokens, the shared schema), "requestTokens" {token: {secret,
// decision, account}}. Files that arrive for an account are kept as
// "<uid>/<path>" and listed like folders.
class DropboxService : public SandboxService
{
public:
    // The application credentials the stand-in accepts.
    static constexpr char ConsumerKey[] = "sandboxconsumer";
    static constexpr char ConsumerSecret[] = "sandboxsecret01";
    // The account every approval signs in.
    static constexpr char AccountId[] = "100001";

    QString name() const override { return QStringLiteral("Dropbox"); }
    void install(StandinServer &server, SandboxStore &store) override;
    void configure(ServiceConfig &config, const QString &baseUrl) const override;
    QString pageSection(const SandboxStore &store) const override;

    // What a checked request carries: its parameters as raw bytes (query,
    // Authorization header, form body) and the token's entry in the state.
    struct Verified
    {
        std::optional<StandinAnswer> refusal; // set when the request must be refused
        QList<std::pair<QByteArray, QByteArray>> params;
        QString token;
        QJsonObject tokenEntry;

        QByteArray param(const QByteArray &name) const
        {
            for (const auto &p : params) {
                if (p.first == name)
                    return p.second;
            }
            return {};
        }
    };
    // Checks a request's OAuth 1.0 signature from what arrived, with the
    // secret of its token in the state member `tokens` ("tokens" for access
    // tokens, "requestTokens"; empty for a request signed by the consumer
    // alone). Other stand-ins of this service (file uploads) check with it too.
    Verified verify(const StandinRequest &request, const QString &tokens);

private:
    bool nonceIsFresh(const QByteArray &consumerKey, const QByteArray &timestamp, const QByteArray &nonce);

    SandboxStore *m_store = nullptr;
    QString m_baseUrl;
    std::mutex m_nonceMutex;
    std::set<QByteArray> m_nonces;
};
