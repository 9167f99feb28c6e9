#include "sandbox/Sandbox.h"

#include "platform/AtomicFile.h"
#include "sandbox/services/Pages.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QUrl>

#include <algorithm>

namespace {

constexpr size_t kRecentKept = 200;
constexpr int kRecentShown = 15;
// A sandbox runs for hours: keep what a test inspects, not every upload.
constexpr qsizetype kRequestsKept = 20;
constexpr qint64 kRequestBodyKept = 64 * 1024;

// What the page may show of a request target: the path, and the names of the
// query's parameters. Values go: they are tokens, signatures and frobs.
QString redactedTarget(const StandinRequest &request)
{
    QString target = QString::fromUtf8(request.path);
    if (!request.query.isEmpty()) {
        QStringList names;
        for (const auto &pair : StandinRequest::splitPairs(request.query))
            names.append(StandinRequest::decodeComponent(pair.first, StandinCharset::Utf8) + u"=…");
        target += u'?' + names.join(u'&');
    }
    return target;
}

QByteArray contentTypeFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"jpg" || suffix == u"jpeg")
        return "image/jpeg";
    if (suffix == u"png")
        return "image/png";
    if (suffix == u"gif")
        return "image/gif";
    if (suffix == u"bmp")
        return "image/bmp";
    return "application/octet-stream";
}

// GET /files/<service>/<relative path>, as SandboxStore::fileUrl builds it:
// a photo one of `services` kept, or its thumbnail (?thumb=<pixels>).
StandinAnswer keptFile(const SandboxStore &store, const QStringList &services, const StandinRequest &request)
{
    const QString rest = QUrl::fromPercentEncoding(request.path.mid(7));
    const qsizetype slash = rest.indexOf(u'/');
    const QString service = rest.left(slash);
    const QByteArray bytes = slash > 0 && services.contains(service)
                                 ? store.fileBytes(service, rest.mid(slash + 1))
                                 : QByteArray();
    if (bytes.isEmpty())
        return Pages::text(404, QStringLiteral("no such file"));
    // A kept file never changes: a page that reloads itself need not fetch it again.
    const StandinPairs cached = {{"Cache-Control", "private, max-age=600"},
                                 {"X-Content-Type-Options", "nosniff"}};
    const int thumb = std::min(request.queryValue(QStringLiteral("thumb")).toInt(), 1024);
    if (thumb > 0) {
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        reader.setAutoTransform(true);
        const QSize size = reader.size();
        if (size.isValid() && (size.width() > thumb || size.height() > thumb))
            reader.setScaledSize(size.scaled(thumb, thumb, Qt::KeepAspectRatio));
        const QImage image = reader.read();
        if (!image.isNull()) {
            QBuffer out;
            out.open(QIODevice::WriteOnly);
            image.save(&out, "JPEG", 85);
            return StandinAnswer{200, cached + StandinPairs{{"Content-Type", "image/jpeg"}}, out.data()};
        }
    }
    return StandinAnswer{200, cached + StandinPairs{{"Content-Type", contentTypeFor(rest)}}, bytes};
}

using Pages::escape;

QString escape(const QByteArray &text)
{
    return escape(QString::fromUtf8(text));
}

const QStringList &faultKinds()
{
    static const QStringList kinds = {QStringLiteral("none"),         QStringLiteral("latency"),
                                      QStringLiteral("bandwidth"),    QStringLiteral("upload-bandwidth"),
                                      QStringLiteral("drip"),         QStringLiteral("truncate"),
                                      QStringLiteral("close"),        QStringLiteral("oversize"),
                                      QStringLiteral("error"),        QStringLiteral("unavailable"),
                                      QStringLiteral("expire-tokens")};
    return kinds;
}

} // namespace

Sandbox::Sandbox(const QString &storeFolder, std::vector<std::unique_ptr<SandboxService>> services,
                 quint16 homePort)
    : m_store(storeFolder),
      m_controlToken(QString::fromLatin1(QByteArray::number(QRandomGenerator::system()->generate64(), 16) +
                                         QByteArray::number(QRandomGenerator::system()->generate64(), 16)))
{
    // Services with a server of their own first: the others join theirs.
    std::stable_partition(services.begin(), services.end(),
                          [](const auto &service) { return service->sharesServerWith().isEmpty(); });
    for (auto &service : services) {
        Entry entry;
        const Entry *host =
            service->sharesServerWith().isEmpty() ? nullptr : find(service->sharesServerWith());
        if (host) {
            entry.server = host->server;
            entry.host = host->service->name();
        } else {
            entry.host = service->name();
            entry.server = std::make_shared<StandinServer>();
            entry.server->setRecordLimit(kRequestsKept, kRequestBodyKept);
            const QString name = service->name();
            entry.server->setListener(
                [this, name](const StandinRequest &request, int status) { remember(name, request, status); });
        }
        service->install(*entry.server, m_store);
        entry.service = std::move(service);
        m_entries.push_back(std::move(entry));
    }
    // A service's web site shows the photos its stand-ins kept from its own
    // server (Flickr's come from its upload host's store).
    for (const Entry &entry : m_entries) {
        if (entry.host == entry.service->name())
            entry.server->answerPrefix("GET", "/files/",
                                       [this, names = serviceNames()](const StandinRequest &r) {
                                           return keptFile(m_store, names, r);
                                       });
    }
    m_home = std::make_unique<StandinServer>(homePort);
    m_home->setRecordLimit(kRequestsKept, kRequestBodyKept);
    installHome();
}

Sandbox::~Sandbox()
{
    // Stop every server before what their handlers use goes.
    m_home.reset();
    for (Entry &entry : m_entries)
        entry.server.reset();
}

bool Sandbox::listening() const
{
    if (!m_home || m_home->port() == 0)
        return false;
    for (const Entry &entry : m_entries) {
        if (entry.server->port() == 0)
            return false;
    }
    return true;
}

QString Sandbox::homeUrl() const
{
    return m_home->baseUrl();
}

QStringList Sandbox::serviceNames() const
{
    QStringList names;
    for (const Entry &entry : m_entries)
        names.append(entry.service->name());
    return names;
}

const Sandbox::Entry *Sandbox::find(const QString &service) const
{
    for (const Entry &entry : m_entries) {
        if (entry.service->name().compare(service, Qt::CaseInsensitive) == 0)
            return &entry;
    }
    return nullptr;
}

StandinServer *Sandbox::server(const QString &service) const
{
    const Entry *entry = find(service);
    return entry ? entry->server.get() : nullptr;
}

ServiceConfig Sandbox::config() const
{
    ServiceConfig config = ServiceConfig::defaults();
    const QString home = homeUrl();
    for (const QString &key : ServiceConfig::keys()) {
        // Every address, except the upload envelope's namespace, which names
        // rather than locates.
        if (config.value(key).startsWith(u"http") && !key.endsWith(u"/ApiNamespace"))
            config.setValue(key, home);
    }
    for (const Entry &entry : m_entries)
        entry.service->configure(config, entry.server->baseUrl());
    return config;
}

QByteArray Sandbox::servicesFile() const
{
    const ServiceConfig c = config();
    QByteArray out = "; Written by flazz-sandbox: every service of Flazz played on this machine.\n";
    QString group;
    for (const QString &key : ServiceConfig::keys()) {
        const qsizetype slash = key.indexOf(u'/');
        if (key.left(slash) != group) {
            group = key.left(slash);
            out += "\n[" + group.toUtf8() + "]\n";
        }
        QString value = c.value(key);
        value.replace(QStringLiteral("\\"), QStringLiteral("\\\\"))
            .replace(QStringLiteral("\""), QStringLiteral("\\\""));
        // Quoted, so that ";" and "," stay part of the value.
        out += key.mid(slash + 1).toUtf8() + "=\"" + value.toUtf8() + "\"\n";
    }
    return out;
}

bool Sandbox::writeServicesFile(const QString &path) const
{
    return platform::writeFileAtomically(path, servicesFile(), platform::FileAccess::OwnerOnly);
}

bool Sandbox::setFault(const QString &service, const QString &fault, const QString &value, int count,
                       const QByteArray &pathPrefix, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const Entry *entry = find(service);
    if (!entry)
        return fail(QStringLiteral("no service \"%1\"").arg(service));
    if (!faultKinds().contains(fault))
        return fail(QStringLiteral("no fault \"%1\"; known: %2").arg(fault, faultKinds().join(u", ")));
    bool numeric = true;
    const qint64 number = value.trimmed().isEmpty() ? -1 : value.trimmed().toLongLong(&numeric);
    if (!numeric)
        return fail(QStringLiteral("the value \"%1\" is not a number").arg(value));

    // An upload host checks the tokens its service's sign-in issued.
    if (fault == u"expire-tokens") {
        m_store.expireTokens(entry->host);
        return true;
    }

    // Switches add up (a latency and an upload cap make a slow link); only
    // "none" takes them away. Faults on a path are set afresh each time.
    StandinFaults f = pathPrefix.isEmpty() ? entry->server->faults() : StandinFaults();
    if (!f.any() || f.count == 0)
        f = StandinFaults();
    f.count = count > 0 ? count : -1;
    if (fault == u"latency")
        f.latency = std::chrono::milliseconds(number < 0 ? 2000 : number);
    else if (fault == u"bandwidth")
        f.answerBytesPerSecond = number <= 0 ? 16 * 1024 : number;
    else if (fault == u"upload-bandwidth")
        f.requestBytesPerSecond = number <= 0 ? 16 * 1024 : number;
    else if (fault == u"drip")
        f.dripInterval = std::chrono::milliseconds(number <= 0 ? 100 : number);
    else if (fault == u"truncate")
        f.truncateBodyAt = number < 0 ? 0 : number;
    else if (fault == u"close")
        f.closeAbruptly = true;
    else if (fault == u"oversize")
        f.oversizeBy = number <= 0 ? qint64(80) * 1024 * 1024 : number;
    else if (fault == u"error") {
        f.status = number < 500 || number > 599 ? 500 : int(number);
        f.retryAfterSeconds = -1;
    } else if (fault == u"unavailable") {
        const StandinFaults unavailable = StandinFaults::unavailable(number < 0 ? 30 : int(number));
        f.status = unavailable.status;
        f.retryAfterSeconds = unavailable.retryAfterSeconds;
    }

    if (fault == u"none" && pathPrefix.isEmpty())
        entry->server->clearFaults();
    else if (pathPrefix.isEmpty())
        entry->server->setFaults(f);
    else
        entry->server->setFaults(pathPrefix, f);
    std::lock_guard lock(m_mutex);
    QString &note = m_faultNotes[entry->host];
    if (fault == u"none" && pathPrefix.isEmpty())
        note.clear();
    else
        note = f.describe() + (pathPrefix.isEmpty() ? QString() : u" on " + QString::fromUtf8(pathPrefix));
    return true;
}

void Sandbox::remember(const QString &service, const StandinRequest &request, int status)
{
    std::lock_guard lock(m_mutex);
    m_recent.push_back(
        {QDateTime::currentDateTime(), service, request.method, redactedTarget(request), status});
    while (m_recent.size() > kRecentKept)
        m_recent.pop_front();
}

QList<SandboxRequestLine> Sandbox::recentRequests() const
{
    std::lock_guard lock(m_mutex);
    return QList<SandboxRequestLine>(m_recent.begin(), m_recent.end());
}

void Sandbox::installHome()
{
    m_home->answer("GET", "/", [this](const StandinRequest &) { return page(); });
    m_home->answerPrefix("GET", "/files/", [this, names = serviceNames()](const StandinRequest &r) {
        return keptFile(m_store, names, r);
    });
    m_home->answerPrefix("*", "/control/", [this](const StandinRequest &r) {
        if (!authorized(r))
            return Pages::text(403, QStringLiteral("The sandbox's control token is missing or wrong."));
        const QByteArray method = r.method.toUpper();
        if (r.path == "/control/faults" && (method == "GET" || method == "POST"))
            return control(r);
        if (r.path == "/control/expire" && method == "POST")
            return expire(r);
        if (r.path == "/control/traffic" && method == "GET")
            return traffic();
        return Pages::text(404, QStringLiteral("no such control"));
    });
}

StandinAnswer Sandbox::traffic() const
{
    QString text;
    for (const Entry &entry : m_entries) {
        text += entry.service->name() + u'\t' + QString::number(entry.server->port()) + u'\t' +
                QString::number(entry.server->requestCount()) + u'\t' +
                QString::number(entry.server->requestBytes()) + u'\n';
    }
    return Pages::text(200, text);
}

StandinAnswer Sandbox::control(const StandinRequest &request)
{
    if (request.method == "GET") {
        QString text;
        std::lock_guard lock(m_mutex);
        for (const Entry &entry : m_entries) {
            const auto note = m_faultNotes.find(entry.host);
            text += entry.service->name() + u'\t' +
                    (note == m_faultNotes.end() || note->second.isEmpty() ? QStringLiteral("none")
                                                                          : note->second) +
                    u'\n';
        }
        return Pages::text(200, text);
    }
    QString error;
    const bool ok = setFault(
        request.formValue(QStringLiteral("service")), request.formValue(QStringLiteral("fault")),
        request.formValue(QStringLiteral("value")), request.formValue(QStringLiteral("count")).toInt(),
        request.formValue(QStringLiteral("path")).toUtf8(), &error);
    if (!ok)
        return Pages::text(400, error);
    return done(request, QStringLiteral("ok"));
}

StandinAnswer Sandbox::expire(const StandinRequest &request)
{
    const Entry *entry = find(request.formValue(QStringLiteral("service")));
    if (!entry)
        return Pages::text(400, QStringLiteral("no such service"));
    const QString token = request.formValue(QStringLiteral("access_token"));
    const QString service = entry->service->name();
    const int count =
        token.isEmpty() ? m_store.expireTokens(service) : int(m_store.expireToken(service, token));
    return done(request, QStringLiteral("expired %1").arg(count));
}

bool Sandbox::authorized(const StandinRequest &request) const
{
    const bool form = request.method.compare("POST", Qt::CaseInsensitive) == 0;
    const QString token =
        form ? request.formValue(QStringLiteral("token")) : request.queryValue(QStringLiteral("token"));
    return token == m_controlToken;
}

StandinAnswer Sandbox::done(const StandinRequest &request, const QString &text) const
{
    // The page's forms come back to the page; scripts get a plain answer.
    if (!request.formValue(QStringLiteral("page")).isNull())
        return StandinAnswer{303, {{"Location", "/"}}, {}};
    return Pages::text(200, text);
}

QString Sandbox::tokensList(const QString &service) const
{
    const QJsonObject tokens = m_store.state(service).value(u"tokens").toObject();
    if (tokens.isEmpty())
        return {};
    QString out = u"<p>" + escape(service) + u" tokens:</p><ul>";
    for (auto it = tokens.begin(); it != tokens.end(); ++it) {
        const QJsonObject entry = it.value().toObject();
        // Enough of the token to tell it apart on the page, not to use it.
        out += u"<li>" + escape(it.key().left(4)) + u"… for " + escape(entry.value(u"account").toString());
        if (entry.value(u"expired").toBool())
            out += QStringLiteral(" (expired)");
        else
            out += u" <form class=\"inline\" method=\"post\" action=\"/control/expire\">" +
                   hiddenFields(service) + u"<input type=\"hidden\" name=\"access_token\" value=\"" +
                   escape(it.key()) + u"\"><button>Expire</button></form>";
        out += QStringLiteral("</li>");
    }
    return out + u"</ul>";
}

QString Sandbox::hiddenFields(const QString &service) const
{
    return u"<input type=\"hidden\" name=\"page\" value=\"1\"><input type=\"hidden\" name=\"token\" "
           u"value=\"" +
           m_controlToken + u"\"><input type=\"hidden\" name=\"service\" value=\"" + escape(service) + u"\">";
}

StandinAnswer Sandbox::page() const
{
    QString body = u"<section><p>Every destination of Flazz is played here, on this machine only: sign in "
                   u"with the buttons each service's pages offer, and watch the photos arrive. What arrives "
                   u"is kept in <code>" +
                   escape(m_store.folder()) + u"</code>.</p>";
    if (m_entries.empty())
        body += u"<p>No service stand-ins are built into this sandbox yet.</p>";
    body += u"</section>";
    for (const Entry &entry : m_entries)
        body += entry.service->notice();

    const QList<SandboxRequestLine> recent = recentRequests();
    std::map<QString, QString> notes;
    {
        std::lock_guard lock(m_mutex);
        notes = m_faultNotes;
    }
    // One section per server: a service's upload host shows beside its API.
    for (const Entry &host : m_entries) {
        const QString name = host.service->name();
        if (host.host != name)
            continue;
        body += u"<section><h2>" + escape(name) + u"</h2><p class=\"base\">" +
                escape(host.server->baseUrl()) + u"</p>";
        for (const Entry &entry : m_entries) {
            if (entry.host == name)
                body += entry.service->pageSection(m_store) + tokensList(entry.service->name());
        }

        body += u"<form method=\"post\" action=\"/control/faults\">" + hiddenFields(name) +
                u"Faults: <select name=\"fault\">";
        for (const QString &kind : faultKinds())
            body += u"<option>" + kind + u"</option>";
        body += u"</select> value <input name=\"value\" size=\"6\"> for the next <input name=\"count\" "
                u"size=\"3\"> requests (empty: all) <button>Set</button> <span class=\"faults\">now: " +
                escape(notes.count(name) && !notes[name].isEmpty() ? notes[name] : QStringLiteral("none")) +
                u"</span></form>";

        QString rows;
        int shown = 0;
        for (auto it = recent.crbegin(); it != recent.crend() && shown < kRecentShown; ++it) {
            if (it->service != name)
                continue;
            ++shown;
            rows += u"<tr><td>" + it->time.toString(QStringLiteral("HH:mm:ss")) + u"</td><td>" +
                    escape(it->method) + u"</td><td>" + escape(it->target) + u"</td><td>" +
                    (it->status == 0 ? QStringLiteral("dropped") : QString::number(it->status)) +
                    u"</td></tr>";
        }
        body += rows.isEmpty() ? QStringLiteral("<p>No requests yet.</p>")
                               : u"<table class=\"recent\"><tr><th>time</th><th>method</th><th>address</th>"
                                 u"<th>status</th></tr>" +
                                     rows + u"</table>";
        body += u"</section>";
    }
    return Pages::html(200, Pages::sitePage(Pages::Look{QStringLiteral("Flazz"), QStringLiteral("#5b5b5b")},
                                            QStringLiteral("Flazz sandbox"), body, busy(recent)));
}

bool Sandbox::busy(const QList<SandboxRequestLine> &recent) const
{
    if (m_store.changedLately(serviceNames()))
        return true;
    // Pages and their pictures are looked at; sign-ins and uploads post.
    const QDateTime since = QDateTime::currentDateTime().addSecs(-30);
    return std::any_of(recent.begin(), recent.end(), [&since](const SandboxRequestLine &line) {
        return line.time >= since && line.method != "GET" && line.method != "HEAD";
    });
}
