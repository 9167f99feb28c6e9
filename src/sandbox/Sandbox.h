#pragma once

#include "sandbox/SandboxService.h"
#include "sandbox/SandboxStore.h"
#include "sandbox/StandinServer.h"
#include "webkit/ServiceConfig.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

// One line of the sandbox page's recent requests. Only what cannot carry a
// credential is kept: query values and the body are left out.
struct SandboxRequestLine
{
    QDateTime time;
    QString service;
    QByteArray method;
    QString target; // the path, and the query's names with their values hidden
    int status = 0; // 0 when the connection was dropped on purpose
};

// Every service's stand-in on 127.0.0.1, one StandinServer each (a service's
// upload host joins its API's), beside a home server that shows the sandbox
// page: per server its services' accounts, albums and arrived photos, its
// recent requests and its fault switches. Each server also serves the photos
// its services kept, for their own pages. Nothing listens beyond the
// loopback, and nothing answers a request addressed elsewhere.
//
// The home server's control endpoint, for scripts and tests. Every call
// carries the run's control token (controlToken(), which the page's own
// forms carry too) as the field or query parameter "token"; without it the
// answer is 403, so that no other web page can switch the sandbox.
//   POST /control/faults  service=<name>&fault=<kind>[&value=<n>][&count=<n>][&path=<prefix>]
//       kind: none, latency (ms), bandwidth (answer bytes/s),
//             upload-bandwidth (request bytes/s, all connections together),
//             drip (ms per byte),
//             truncate (body bytes sent), close, oversize (filler bytes added),
//             error (status, 500),
//             unavailable (Retry-After seconds, 30), expire-tokens
//       count: the next n requests only; absent or 0 for all of them
//       A service's switches add up (latency and upload-bandwidth make a slow
//       link) until "none" clears them.
//   POST /control/expire  service=<name>[&access_token=<token>]: that token, or every one, expires
//   GET  /control/faults  one line per service: "<name>\t<faults>"
//   GET  /control/traffic one line per service: "<name>\t<port>\t<requests>\t<request bytes>"
//       (services that share a server show the same figures)
class Sandbox
{
public:
    // `homePort` 0 takes a free port.
    Sandbox(const QString &storeFolder, std::vector<std::unique_ptr<SandboxService>> services,
            quint16 homePort = 0);
    ~Sandbox();
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    // Whether the home server and every service's server listen.
    bool listening() const;
    // "http://127.0.0.1:<port>", the sandbox page's address without the "/".
    QString homeUrl() const;
    // The secret of this run that /control calls must carry.
    QString controlToken() const { return m_controlToken; }
    QStringList serviceNames() const;
    StandinServer *server(const QString &service) const;
    SandboxStore &store() { return m_store; }

    // The configuration that points Flazz at the sandbox: every service
    // address at its stand-in (at the home server for a service without one,
    // so nothing leaves the machine) and the product's pages at the home
    // server.
    ServiceConfig config() const;
    // That configuration as the INI file ServiceConfig::applyFile reads.
    QByteArray servicesFile() const;
    // Writes it atomically, readable by the owner only (it holds the
    // application credentials the stand-ins check).
    bool writeServicesFile(const QString &path) const;

    // Switches one service's faults, as the control endpoint does; false and
    // a reason in *error when the service or the fault is unknown.
    bool setFault(const QString &service, const QString &fault, const QString &value, int count,
                  const QByteArray &pathPrefix = {}, QString *error = nullptr);

    QList<SandboxRequestLine> recentRequests() const; // newest last

private:
    struct Entry
    {
        std::unique_ptr<SandboxService> service;
        std::shared_ptr<StandinServer> server;
        QString host; // the service whose server this is
    };

    void installHome();
    void remember(const QString &service, const StandinRequest &request, int status);
    StandinAnswer page() const;
    // Whether photos are arriving or requests coming, so the page reloads itself.
    bool busy(const QList<SandboxRequestLine> &recent) const;
    StandinAnswer control(const StandinRequest &request);
    StandinAnswer expire(const StandinRequest &request);
    StandinAnswer done(const StandinRequest &request, const QString &text) const;
    bool authorized(const StandinRequest &request) const;
    QString tokensList(const QString &service) const;
    QString hiddenFields(const QString &service) const;
    StandinAnswer traffic() const;
    const Entry *find(const QString &service) const;

    SandboxStore m_store;
    const QString m_controlToken;
    std::vector<Entry> m_entries;
    std::unique_ptr<StandinServer> m_home;

    mutable std::mutex m_mutex;
    std::deque<SandboxRequestLine> m_recent;
    std::map<QString, QString> m_faultNotes; // per service, what the switches say
};
