#pragma once

#include "sandbox/SandboxService.h"

#include <QString>

// Facebook as the program met it: the OAuth dialog of the implicit flow
// (approve ends on /connect/login_success.html with the token in the
// fragment, refuse on /login_failure.html), the Graph calls /me,
// /me/permissions and /me/albums, and the FQL endpoint, which answers XML
// and an "<error_response" for a token it does not accept. Checks the
// application id, the redirect address and every token; keeps the albums.
class FacebookService : public SandboxService
{
public:
    static constexpr char16_t AppId[] = u"246813579024680";
    static constexpr char16_t AccountId[] = u"100004815162342";
    static constexpr char16_t AccountName[] = u"Sandbox User";

    QString name() const override { return QStringLiteral("Facebook"); }
    void install(StandinServer &server, SandboxStore &store) override;
    void configure(ServiceConfig &config, const QString &baseUrl) const override;
    QString pageSection(const SandboxStore &store) const override;
};
