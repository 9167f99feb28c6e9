#include "sandbox/services/FlickrService.h"
#include "sandbox/services/FlickrUploadService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/StandinServer.h"
#include "sandbox/services/Pages.h"
#include "webkit/ServiceConfig.h"

#include <QCryptographicHash>
#include <QJsonObject>
#include <QRandomGenerator>

#include <algorithm>
#include <optional>

namespace {

const QString kService = QStringLiteral("Flickr");

using Pair = std::pair<QByteArray, QByteArray>;

QByteArray param(const QList<Pair> &pairs, const QByteArray &name)
{
    for (const Pair &p : pairs) {
        if (p.first == name)
            return p.second;
    }
    return {};
}

// The REST endpoint takes its arguments from the query and the form body.
QList<Pair> arguments(const StandinRequest &r)
{
    QList<Pair> pairs = StandinRequest::percentDecodedPairs(r.query);
    if (!r.body.isEmpty())
        pairs += StandinRequest::percentDecodedPairs(r.body);
    return pairs;
}

QByteArray digits(int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text.append(char('0' + QRandomGenerator::global()->bounded(10)));
    return text;
}

QByteArray hex(int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text.append("0123456789abcdef"[QRandomGenerator::global()->bounded(16)]);
    return text;
}

StandinAnswer rsp(const QByteArray &inner)
{
    return {200,
            {{"Content-Type", "text/xml; charset=utf-8"}},
            "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<rsp stat=\"ok\">\n" + inner + "</rsp>\n"};
}

StandinAnswer fail(int code, const QByteArray &message)
{
    return {200,
            {{"Content-Type", "text/xml; charset=utf-8"}},
            "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<rsp stat=\"fail\">\n\t<err code=\"" +
                QByteArray::number(code) + "\" msg=\"" + message + "\" />\n</rsp>\n"};
}

// The key and the signature, as every call and the authorization page
// check them; an empty answer means the call may go on.
std::optional<StandinAnswer> checkSignature(const QList<Pair> &pairs)
{
    const QByteArray key = param(pairs, "api_key");
    if (key.isEmpty())
        return fail(100, "Invalid API Key (Key not found)");
    if (key != FlickrService::ApiKey)
        return fail(100, "Invalid API Key (Key has invalid format)");
    const QByteArray signature = param(pairs, "api_sig");
    if (signature.isEmpty())
        return fail(97, "Missing signature");
    QList<Pair> sorted;
    for (const Pair &p : pairs) {
        if (p.first != "api_sig")
            sorted.append(p);
    }
    std::sort(sorted.begin(), sorted.end());
    QByteArray base = FlickrService::SharedSecret;
    for (const Pair &p : std::as_const(sorted))
        base += p.first + p.second;
    const QByteArray expected = QCryptographicHash::hash(base, QCryptographicHash::Md5).toHex();
    if (expected != signature.toLower())
        return fail(96, "Invalid signature");
    return std::nullopt;
}

QByteArray authBlock(const QString &token, const QJsonObject &account, const QString &nsid)
{
    return "\t<auth>\n\t\t<token>" + token.toUtf8() +
           "</token>\n\t\t<perms>write</perms>\n\t\t<user nsid=\"" + nsid.toHtmlEscaped().toUtf8() +
           "\" username=\"" + account.value(u"name").toString().toHtmlEscaped().toUtf8() +
           "\" fullname=\"Sandbox User\" />\n\t</auth>\n";
}

const Pages::Look kLook{QStringLiteral("flickr"), QStringLiteral("#0063dc")};
const QString kPhotos = QStringLiteral("FlickrUpload"); // where the upload stand-in keeps them

// Each account's photos, newest first, under their titles.
QString photostreams(const SandboxStore &store)
{
    const QJsonObject accounts = store.state(kService).value(u"accounts").toObject();
    const QJsonObject photos = store.state(kPhotos).value(u"photos").toObject();
    QString out;
    for (auto account = accounts.begin(); account != accounts.end(); ++account) {
        QList<Pages::Photo> stream;
        for (auto it = photos.begin(); it != photos.end(); ++it) {
            const QJsonObject photo = it.value().toObject();
            if (photo.value(u"account").toString() == account.key())
                stream.prepend({photo.value(u"file").toString(), photo.value(u"title").toString(it.key())});
        }
        out +=
            Pages::album(account.value().toObject().value(u"name").toString() + u" (" + account.key() + u')',
                         kPhotos, stream);
    }
    return Pages::orNone(out, QStringLiteral("No account has signed in yet."));
}

} // namespace

void FlickrService::configure(ServiceConfig &config, const QString &baseUrl) const
{
    config.flickr.rest = baseUrl;
    config.flickr.auth = baseUrl;
    config.flickr.site = baseUrl;
    config.flickr.apiKey = QLatin1String(ApiKey);
    config.flickr.sharedSecret = QLatin1String(SharedSecret);
}

void FlickrService::install(StandinServer &server, SandboxStore &store)
{

    auto rest = [&store](const StandinRequest &r) {
        const QList<Pair> pairs = arguments(r);
        if (auto refusal = checkSignature(pairs))
            return *refusal;
        const QByteArray method = param(pairs, "method");
        // The uploader looks for a photo it may have sent already; the
        // upload stand-in knows what arrived.
        if (method == "flickr.photos.search")
            return FlickrUploadService().search(store, r);
        if (method == "flickr.auth.getFrob") {
            const QString frob = QString::fromLatin1("72157" + digits(12) + '-' + hex(16) + '-' + digits(6));
            store.update(kService, [&](QJsonObject &state) {
                QJsonObject frobs = state.value(u"frobs").toObject();
                frobs.insert(frob, QJsonObject{{QStringLiteral("decision"), QString()}});
                state.insert(QStringLiteral("frobs"), frobs);
            });
            return rsp("\t<frob>" + frob.toLatin1() + "</frob>\n");
        }
        if (method == "flickr.auth.getToken") {
            const QString frob = QString::fromLatin1(param(pairs, "frob"));
            const QString token = QString::fromLatin1("72157" + digits(12) + '-' + hex(16));
            QString account;
            store.update(kService, [&](QJsonObject &state) {
                QJsonObject frobs = state.value(u"frobs").toObject();
                const QJsonObject entry = frobs.value(frob).toObject();
                if (frob.isEmpty() || entry.value(u"decision").toString() != u"approve")
                    return;
                // A frob is good for one token.
                frobs.remove(frob);
                state.insert(QStringLiteral("frobs"), frobs);
                account = entry.value(u"account").toString();
                QJsonObject tokens = state.value(u"tokens").toObject();
                tokens.insert(token, QJsonObject{{QStringLiteral("secret"), QString()},
                                                 {QStringLiteral("account"), account},
                                                 {QStringLiteral("expired"), false}});
                state.insert(QStringLiteral("tokens"), tokens);
            });
            if (account.isEmpty())
                return fail(108, "Invalid frob");
            const QJsonObject user =
                store.state(kService).value(u"accounts").toObject().value(account).toObject();
            return rsp(authBlock(token, user, account));
        }
        if (method == "flickr.auth.checkToken") {
            const QString token = QString::fromLatin1(param(pairs, "auth_token"));
            const QJsonObject state = store.state(kService);
            const QJsonObject entry = state.value(u"tokens").toObject().value(token).toObject();
            if (token.isEmpty() || entry.isEmpty() || entry.value(u"expired").toBool())
                return fail(98, "Invalid auth token");
            const QString account = entry.value(u"account").toString();
            return rsp(
                authBlock(token, state.value(u"accounts").toObject().value(account).toObject(), account));
        }
        return fail(112, "Method \"" + QString::fromUtf8(method).toHtmlEscaped().toUtf8() + "\" not found");
    };
    server.answer("POST", "/services/rest/", rest);
    server.answer("GET", "/services/rest/", rest);

    // The site the program opens once the photos are handed over.
    server.answer("GET", "/", [&store](const StandinRequest &) {
        return Pages::html(200, Pages::sitePage(kLook, QStringLiteral("Photostream"), photostreams(store),
                                                store.changedLately({kService, kPhotos})));
    });

    auto authPage = [&store](const QList<Pair> &pairs) {
        if (auto refusal = checkSignature(pairs))
            return Pages::htmlPage(400, QStringLiteral("Flickr: Oops!"),
                                   u"<p>Flickr cannot authorize this application.</p><p>" +
                                       QString::fromUtf8(refusal->body).toHtmlEscaped() + u"</p>");
        const QString frob = QString::fromLatin1(param(pairs, "frob"));
        const QJsonObject entry = store.state(kService).value(u"frobs").toObject().value(frob).toObject();
        if (frob.isEmpty() || entry.isEmpty() || !entry.value(u"decision").toString().isEmpty())
            return Pages::htmlPage(
                400, QStringLiteral("Flickr: Oops!"),
                QStringLiteral("<p>This authorization request is not valid any more.</p>"));
        QString hidden;
        for (const char *name : {"api_key", "perms", "frob", "api_sig"})
            hidden += u"<input type=\"hidden\" name=\"" + QLatin1String(name) + u"\" value=\"" +
                      QString::fromUtf8(param(pairs, name)).toHtmlEscaped() + u"\">";
        return Pages::htmlPage(
            200, QStringLiteral("Flickr: Authorize Flazz"),
            u"<p>Flazz would like to link to your Flickr account with permission to <b>" +
                QString::fromUtf8(param(pairs, "perms")).toHtmlEscaped() +
                u"</b>.</p><form method=\"post\" action=\"/services/auth/\">" + hidden +
                u"<button name=\"decision\" value=\"approve\">OK, I'll authorize it</button> "
                u"<button name=\"decision\" value=\"refuse\">No thanks</button></form>");
    };
    server.answer("GET", "/services/auth/", [authPage](const StandinRequest &r) {
        return authPage(StandinRequest::percentDecodedPairs(r.query));
    });
    server.answer("POST", "/services/auth/", [authPage, &store](const StandinRequest &r) {
        QList<Pair> pairs;
        QByteArray decision;
        for (const Pair &p : StandinRequest::percentDecodedPairs(r.body)) {
            if (p.first == "decision")
                decision = p.second;
            else
                pairs.append(p);
        }
        if (checkSignature(pairs))
            return authPage(pairs);
        const QString frob = QString::fromLatin1(param(pairs, "frob"));
        const bool approve = decision == "approve";
        bool answered = false;
        store.update(kService, [&](QJsonObject &state) {
            QJsonObject frobs = state.value(u"frobs").toObject();
            QJsonObject entry = frobs.value(frob).toObject();
            if (frob.isEmpty() || entry.isEmpty() || !entry.value(u"decision").toString().isEmpty())
                return;
            entry.insert(QStringLiteral("decision"),
                         approve ? QStringLiteral("approve") : QStringLiteral("refuse"));
            entry.insert(QStringLiteral("account"), QLatin1String(AccountId));
            frobs.insert(frob, entry);
            state.insert(QStringLiteral("frobs"), frobs);
            QJsonObject accounts = state.value(u"accounts").toObject();
            if (!accounts.contains(QLatin1String(AccountId))) {
                accounts.insert(QLatin1String(AccountId),
                                QJsonObject{{QStringLiteral("name"), QLatin1String(UserName)}});
                state.insert(QStringLiteral("accounts"), accounts);
            }
            answered = true;
        });
        if (!answered)
            return authPage(pairs);
        if (approve)
            return Pages::htmlPage(
                200, QStringLiteral("Flickr: Success!"),
                QStringLiteral("<p>You have successfully authorized the application Flazz to use your "
                               "credentials. You can now close this window.</p>"));
        return Pages::htmlPage(
            200, QStringLiteral("Flickr: Not authorized"),
            QStringLiteral("<p>You did not authorize Flazz. It cannot reach your account.</p>"));
    });
}

QString FlickrService::pageSection(const SandboxStore &store) const
{
    return photostreams(store);
}
