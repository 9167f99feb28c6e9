#pragma once

#include "sandbox/SandboxService.h"

#include <QString>

// Flickr's REST API as the program's sign-in uses it: flickr.auth.getFrob,
// the authorization page (approve / refuse), flickr.auth.getToken and
// flickr.auth.checkToken. Every call's api_sig is checked from what arrived
// (MD5 of the shared secret and the sorted pairs) and a refusal is answered
// as the service did: HTTP 200 with <rsp stat="fail"> and the error code
// (96 invalid signature, 97 missing signature, 98 invalid auth token, 100
// invalid API key, 108 invalid frob, 112 unknown method).
//
// State: "accounts" {nsid: {name}}, "tokens" (the shared schema, no
// secrets), "frobs" {frob: {decision, account}}.
class FlickrService : public SandboxService
{
public:
    static constexpr char ApiKey[] = "5f3a9c0e1b7d4a6f8e2c0d9b7a5f3e1c";
    static constexpr char SharedSecret[] = "0a1b2c3d4e5f6a7b";
    static constexpr char AccountId[] = "12037949754@N01";
    static constexpr char UserName[] = "sandboxuser";

    QString name() const override { return QStringLiteral("Flickr"); }
    void install(StandinServer &server, SandboxStore &store) override;
    void configure(ServiceConfig &config, const QString &baseUrl) const override;
    QString pageSection(const SandboxStore &store) const override;
};
