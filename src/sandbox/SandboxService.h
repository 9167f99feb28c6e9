#pragma once

#include <QString>

class SandboxStore;
class StandinServer;
struct ServiceConfig;

// One service of the sandbox: the stand-in endpoints of an old web API that
// check what they receive as the service did and keep what arrives. Each
// service runs on a StandinServer of its own, so every host of the service
// (API, content, web pages) points at that one server.
//
// A service's state in the store keeps the tokens it issued where other
// stand-ins of the same service (an upload host, say) can check them:
//   "tokens":   { "<token>": { "secret": "...", "account": "<id>", "expired": false } }
//   "accounts": { "<id>": { "name": "...", ... } }
class SandboxService
{
public:
    virtual ~SandboxService() = default;

    // "Dropbox", "Flickr", "Facebook", "Google", "Live", "LifePics": the
    // service's folder in the store and its heading on the sandbox page.
    virtual QString name() const = 0;

    // Answers the service's endpoints on `server`. Handlers run on the
    // server's thread; what must outlive a run goes into `store`, which
    // outlives the server.
    virtual void install(StandinServer &server, SandboxStore &store) = 0;

    // Points every host of this service in `config` at `baseUrl` (e.g.
    // "http://127.0.0.1:40123") and sets the application credentials the
    // stand-in checks.
    virtual void configure(ServiceConfig &config, const QString &baseUrl) const = 0;

    // This service's part of the sandbox page, an HTML fragment: accounts,
    // albums or folders, and the photos that arrived (thumbnails through
    // SandboxStore::fileUrl); empty when the stand-in whose server it joins
    // shows what it keeps. Called from the server's thread.
    virtual QString pageSection(const SandboxStore &store) const = 0;

    // What a person needs to try the service (an account to sign in with,
    // say), shown at the top of the sandbox page as an HTML fragment; empty
    // for most.
    virtual QString notice() const { return {}; }

    // The name of the service whose server this one's routes join, when the
    // real service served them from the same host (an upload path beside
    // the API it belongs to); empty for a server of its own.
    virtual QString sharesServerWith() const { return {}; }
};
