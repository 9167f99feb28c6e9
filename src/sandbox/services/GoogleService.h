#pragma once

#include "sandbox/SandboxService.h"

#include <QString>

// Google as the program met it: the OAuth 2.0 pages for installed
// applications (approve ends on an approval page titled "Success code=…",
// refuse on one titled "Denied error=access_denied"), the token endpoint for
// the code and the refresh grants, the user information call and the Drive
// version 2 files list and folder insert. Checks client id and secret, the
// out-of-band redirect, grant types and bearer tokens; keeps the folders.
class GoogleService : public SandboxService
{
public:
    static constexpr char16_t ClientId[] = u"246813579024.apps.googleusercontent.com";
    static constexpr char16_t ClientSecret[] = u"SandboxSecret0123456789A";
    static constexpr char16_t AccountId[] = u"104815162342000000001";
    static constexpr char16_t AccountName[] = u"Sandbox User";

    QString name() const override { return QStringLiteral("Google"); }
    void install(StandinServer &server, SandboxStore &store) override;
    void configure(ServiceConfig &config, const QString &baseUrl) const override;
    QString pageSection(const SandboxStore &store) const override;
};
