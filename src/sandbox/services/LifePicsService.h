#pragma once

#include "sandbox/SandboxService.h"

#include <QString>

// The print service's stand-in: the four form endpoints and the SOAP 1.2
// upload of its web service, the automatic-login cart page, and the account
// and password pages of its web site, all on one server.
//
// It checks the partner credentials, that every call names an open session
// (and, after sign-in, its user), and the upload envelope piece by piece;
// each photo is decoded and kept, and a cart lists what was put into it.
//
// State ("LifePics" in the store):
//   "accounts": { "<user id>": { "name", "email", "password", "merchant" } }
//   "tokens":   { "<session id>": { "secret": "", "account": "<user id or empty>", "expired": bool } }
//   "images":   { "<image id>": { "account", "file", "name", "bytes" } }
//   "carts":    { "<user id>": [ "<image id>", ... ] }
//   "logins":   { "<cart token>": "<user id>" }
class LifePicsService : public SandboxService
{
public:
    // The partner account the sandbox knows.
    static constexpr char PartnerId[] = "318";
    static constexpr char PartnerPassword[] = "Flz#40913";
    static constexpr char PartnerSourceId[] = "527";
    // The account every fresh sandbox has.
    static constexpr char DemoEmail[] = "prints@sandbox.example";
    static constexpr char DemoPassword[] = "flazz";

    QString name() const override { return QStringLiteral("LifePics"); }
    void install(StandinServer &server, SandboxStore &store) override;
    void configure(ServiceConfig &config, const QString &baseUrl) const override;
    QString pageSection(const SandboxStore &store) const override;
    QString notice() const override;

    // The namespace the upload envelope must declare.
    static QString apiNamespace();
    // Adds an account (tests, the sandbox page); returns its user id.
    static QString addAccount(SandboxStore &store, const QString &email, const QString &password,
                              const QString &name);
};
