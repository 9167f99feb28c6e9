#pragma once

#include "sandbox/SandboxService.h"

#include <QString>

// The Live sign-in and SkyDrive as the program met them: the authorization
// page (approve ends on /oauth20_desktop.srf?code=…, refuse on the same
// address with "error=access_denied"), the token endpoint for the code and
// the refresh grants, and the version 5.0 calls for the permissions and for
// listing and creating folders in the photos folder. Checks the client id,
// the desktop redirect, grant types and tokens; an expired token is answered
// with "request_token_expired" so that renewal runs. Keeps the folders.
class LiveService : public SandboxService
{
public:
    static constexpr char16_t ClientId[] = u"000000004C0FFEE1";
    static constexpr char16_t AccountId[] = u"8c1d4e2f9a7b3c5d";
    static constexpr char16_t AccountName[] = u"Sandbox User";

    QString name() const override { return QStringLiteral("Live"); }
    void install(StandinServer &server, SandboxStore &store) override;
    void configure(ServiceConfig &config, const QString &baseUrl) const override;
    QString pageSection(const SandboxStore &store) const override;
};
