#include "sandbox/services/DropboxService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/StandinServer.h"
#include "sandbox/services/Pages.h"
#include "webkit/Ansi.h"
#include "webkit/ServiceConfig.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace {

const QString kService = QStringLiteral("Dropbox");
constexpr qint64 kClockSkewSeconds = 15 * 60;

using Pair = std::pair<QByteArray, QByteArray>;

// OAuth parameters sent as 'Authorization: OAuth name="value", ...'; the
// realm is not signed.
QList<Pair> authorizationPairs(const QByteArray &header)
{
    QList<Pair> pairs;
    if (!header.startsWith("OAuth "))
        return pairs;
    for (QByteArray part : header.mid(6).split(',')) {
        part = part.trimmed();
        const qsizetype eq = part.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray name = QByteArray::fromPercentEncoding(part.left(eq).trimmed());
        QByteArray value = part.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        if (name != "realm")
            pairs.append({name, QByteArray::fromPercentEncoding(value)});
    }
    return pairs;
}

// RFC 5849 percent-encoding: only the unreserved characters pass.
QByteArray oauthEncode(const QByteArray &bytes)
{
    return bytes.toPercentEncoding(QByteArray(), QByteArray(), '%');
}

QByteArray randomText(int length, const char *alphabet)
{
    const auto size = int(qstrlen(alphabet));
    QByteArray text;
    for (int i = 0; i < length; ++i)
        text.append(alphabet[QRandomGenerator::global()->bounded(size)]);
    return text;
}

QString jsonText(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

using Pages::json;

StandinAnswer error(int status, const QString &message)
{
    return json(status, "{\"error\": " + jsonText(message).toUtf8() + '}');
}

// The service read paths as UTF-8; a client that sent its ANSI code page
// still gets the name it meant.
QString pathText(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    return utf8.hasError() ? Ansi::toUnicode(bytes) : text;
}

QString normalizedPath(QString path)
{
    path.replace(u'\\', u'/');
    QStringList parts;
    for (const QString &part : path.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u"." || part == u"..")
            return {};
        parts.append(part);
    }
    return parts.isEmpty() ? QString() : u'/' + parts.join(u'/');
}

const Pages::Look kLook{QStringLiteral("Dropbox"), QStringLiteral("#007ee5")};
const QString kFiles = QStringLiteral("DropboxContent"); // where the content host keeps them

// Each account's folders in Apps/Flazz with the files that arrived in them.
QString folders(const SandboxStore &store)
{
    const QJsonObject accounts = store.state(kService).value(u"accounts").toObject();
    const QStringList files = store.files(kFiles);
    QString out;
    for (auto it = accounts.begin(); it != accounts.end(); ++it) {
        const QString uid = it.key();
        out += u"<h2>" + Pages::escape(it.value().toObject().value(u"name").toString()) + u" (uid " +
               Pages::escape(uid) + u")</h2>";
        // A folder made by the program, or one a file arrived in.
        QStringList paths = {QString()};
        for (const QJsonValue &folder : it.value().toObject().value(u"folders").toArray())
            paths.append(folder.toString());
        for (const QString &file : files) {
            const QString folder = QFileInfo(u'/' + file.mid(uid.size() + 1)).path();
            if (file.startsWith(uid + u'/') && folder != u"/" && !paths.contains(folder, Qt::CaseInsensitive))
                paths.append(folder);
        }
        for (const QString &path : std::as_const(paths)) {
            QList<Pages::Photo> inside;
            for (const QString &file : files) {
                const QString rest = file.mid(uid.size() + 1);
                if (file.startsWith(uid + u'/') &&
                    QFileInfo(u'/' + rest)
                            .path()
                            .compare(path.isEmpty() ? QStringLiteral("/") : path, Qt::CaseInsensitive) == 0)
                    inside.append({file, QFileInfo(rest).fileName()});
            }
            if (!path.isEmpty() || !inside.isEmpty())
                out += Pages::album(u"Apps/Flazz" + path, kFiles, inside, QStringLiteral("Empty folder."));
        }
    }
    return Pages::orNone(out, QStringLiteral("No account has signed in yet."));
}

} // namespace

bool DropboxService::nonceIsFresh(const QByteArray &consumerKey, const QByteArray &timestamp,
                                  const QByteArray &nonce)
{
    std::lock_guard lock(m_nonceMutex);
    if (m_nonces.size() > 100000)
        m_nonces.clear();
    return m_nonces.insert(consumerKey + ':' + timestamp + ':' + nonce).second;
}

void DropboxService::configure(ServiceConfig &config, const QString &baseUrl) const
{
    config.dropbox.api = baseUrl;
    config.dropbox.apiContent = baseUrl;
    config.dropbox.web = baseUrl;
    config.dropbox.consumerKey = QLatin1String(ConsumerKey);
    config.dropbox.consumerSecret = QLatin1String(ConsumerSecret);
    config.desktopClients.dropbox = baseUrl + u"/downloading";
}

DropboxService::Verified DropboxService::verify(const StandinRequest &r, const QString &tokens)
{
    Verified v;
    v.params = authorizationPairs(r.header("Authorization")) + StandinRequest::percentDecodedPairs(r.query);
    // A form body is signed; any other body (an uploaded file) is not.
    if (r.header("Content-Type").startsWith("application/x-www-form-urlencoded"))
        v.params += StandinRequest::percentDecodedPairs(r.body);
    const QByteArray signature = v.param("oauth_signature");
    if (v.param("oauth_consumer_key") != ConsumerKey) {
        v.refusal = error(403, QStringLiteral("Invalid consumer key."));
        return v;
    }
    if (v.param("oauth_signature_method") != "HMAC-SHA1" || signature.isEmpty()) {
        v.refusal = error(403, QStringLiteral("Missing or unsupported OAuth signature."));
        return v;
    }
    bool numeric = false;
    const qint64 timestamp = v.param("oauth_timestamp").toLongLong(&numeric);
    if (!numeric || qAbs(QDateTime::currentSecsSinceEpoch() - timestamp) > kClockSkewSeconds) {
        v.refusal = error(403, QStringLiteral("Timestamp is too far from the current time."));
        return v;
    }
    QByteArray tokenSecret;
    if (!tokens.isEmpty()) {
        v.token = QString::fromLatin1(v.param("oauth_token"));
        const QJsonObject state = m_store->state(kService);
        v.tokenEntry = state.value(tokens).toObject().value(v.token).toObject();
        if (v.token.isEmpty() || v.tokenEntry.isEmpty()) {
            v.refusal = error(401, QStringLiteral("Access token not found."));
            return v;
        }
        tokenSecret = v.tokenEntry.value(u"secret").toString().toLatin1();
    }

    QList<Pair> sorted;
    for (const Pair &p : std::as_const(v.params)) {
        if (p.first != "oauth_signature")
            sorted.append({oauthEncode(p.first), oauthEncode(p.second)});
    }
    std::sort(sorted.begin(), sorted.end());
    QByteArray parameterString;
    for (const Pair &p : std::as_const(sorted))
        parameterString += (parameterString.isEmpty() ? "" : "&") + p.first + '=' + p.second;
    const QByteArray host = r.header("Host").toLower();
    const QByteArray base = r.method.toUpper() + '&' + oauthEncode("http://" + host + r.path) + '&' +
                            oauthEncode(parameterString);
    const QByteArray key = oauthEncode(ConsumerSecret) + '&' + oauthEncode(tokenSecret);
    const QByteArray expected =
        QMessageAuthenticationCode::hash(base, key, QCryptographicHash::Sha1).toBase64();
    if (expected != signature) {
        v.refusal = error(403, QStringLiteral("Invalid signature."));
        return v;
    }
    if (!nonceIsFresh(ConsumerKey, v.param("oauth_timestamp"), v.param("oauth_nonce"))) {
        v.refusal = error(403, QStringLiteral("Nonce already used."));
        return v;
    }
    if (v.tokenEntry.value(u"expired").toBool()) {
        v.refusal = error(401, QStringLiteral("Access token is expired."));
        return v;
    }
    return v;
}

void DropboxService::install(StandinServer &server, SandboxStore &store)
{
    m_store = &store;
    m_baseUrl = server.baseUrl();

    server.answer("POST", "/1/oauth/request_token", [this, &store](const StandinRequest &r) {
        const Verified v = verify(r, {});
        if (v.refusal)
            return *v.refusal;
        const QString token = QString::fromLatin1(randomText(16, "abcdefghijklmnopqrstuvwxyz0123456789"));
        const QString secret = QString::fromLatin1(randomText(15, "abcdefghijklmnopqrstuvwxyz0123456789"));
        store.update(kService, [&](QJsonObject &state) {
            QJsonObject pending = state.value(u"requestTokens").toObject();
            pending.insert(token, QJsonObject{{QStringLiteral("secret"), secret},
                                              {QStringLiteral("decision"), QString()}});
            state.insert(QStringLiteral("requestTokens"), pending);
        });
        // The secret comes first: the service's own order.
        return StandinAnswer{200,
                             {{"Content-Type", "text/plain"}},
                             "oauth_token_secret=" + secret.toLatin1() + "&oauth_token=" + token.toLatin1()};
    });

    auto authorizePage = [&store](const QString &token) {
        const QJsonObject pending =
            store.state(kService).value(u"requestTokens").toObject().value(token).toObject();
        if (token.isEmpty() || pending.isEmpty())
            return Pages::htmlPage(
                400, QStringLiteral("Dropbox - Invalid request"),
                QStringLiteral("<p>This authorization request is not valid any more. Please go back to "
                               "the application and try again.</p>"));
        if (!pending.value(u"decision").toString().isEmpty())
            return Pages::htmlPage(400, QStringLiteral("Dropbox - Already answered"),
                                   QStringLiteral("<p>This request has already been answered.</p>"));
        return Pages::htmlPage(
            200, QStringLiteral("Dropbox - API Request Authorization"),
            u"<p>The application <b>Flazz</b> would like to connect with your Dropbox. It will have access "
            u"to its own folder, Apps/Flazz.</p><form method=\"post\" action=\"/1/oauth/authorize\">"
            u"<input type=\"hidden\" name=\"oauth_token\" value=\"" +
                token.toHtmlEscaped() +
                u"\"><button name=\"decision\" value=\"approve\">Allow</button> "
                u"<button name=\"decision\" value=\"refuse\">Deny</button></form>");
    };
    server.answer("GET", "/1/oauth/authorize", [authorizePage](const StandinRequest &r) {
        return authorizePage(r.queryValue(QStringLiteral("oauth_token")));
    });
    server.answer("POST", "/1/oauth/authorize", [authorizePage, &store](const StandinRequest &r) {
        const QString token = r.formValue(QStringLiteral("oauth_token"));
        const QString decision = r.formValue(QStringLiteral("decision")) == u"approve"
                                     ? QStringLiteral("approve")
                                     : QStringLiteral("refuse");
        bool answered = false;
        store.update(kService, [&](QJsonObject &state) {
            QJsonObject pending = state.value(u"requestTokens").toObject();
            QJsonObject entry = pending.value(token).toObject();
            if (token.isEmpty() || entry.isEmpty() || !entry.value(u"decision").toString().isEmpty())
                return;
            entry.insert(QStringLiteral("decision"), decision);
            entry.insert(QStringLiteral("account"), QLatin1String(AccountId));
            pending.insert(token, entry);
            state.insert(QStringLiteral("requestTokens"), pending);
            QJsonObject accounts = state.value(u"accounts").toObject();
            if (!accounts.contains(QLatin1String(AccountId))) {
                accounts.insert(
                    QLatin1String(AccountId),
                    QJsonObject{{QStringLiteral("name"), QStringLiteral("Sandbox User")},
                                {QStringLiteral("email"), QStringLiteral("sandbox@example.invalid")},
                                {QStringLiteral("folders"), QJsonArray()}});
                state.insert(QStringLiteral("accounts"), accounts);
            }
            answered = true;
        });
        if (!answered)
            return authorizePage(token);
        if (decision == u"approve")
            return Pages::htmlPage(
                200, QStringLiteral("Dropbox - Success"),
                QStringLiteral("<p>Success! Flazz is now connected to your Dropbox. Return to Flazz to "
                               "complete the process.</p>"));
        return Pages::htmlPage(200, QStringLiteral("Dropbox - Access denied"),
                               QStringLiteral("<p>Flazz was not allowed to connect to your Dropbox.</p>"));
    });

    server.answer("POST", "/1/oauth/access_token", [this, &store](const StandinRequest &r) {
        const Verified v = verify(r, QStringLiteral("requestTokens"));
        if (v.refusal)
            return *v.refusal;
        const QString decision = v.tokenEntry.value(u"decision").toString();
        if (decision.isEmpty())
            return error(401, QStringLiteral("Request token has not been authorized."));
        const QString account = v.tokenEntry.value(u"account").toString();
        const QString token = QString::fromLatin1(randomText(16, "abcdefghijklmnopqrstuvwxyz0123456789"));
        const QString secret = QString::fromLatin1(randomText(15, "abcdefghijklmnopqrstuvwxyz0123456789"));
        store.update(kService, [&](QJsonObject &state) {
            // A request token is good for one exchange, approved or not.
            QJsonObject pending = state.value(u"requestTokens").toObject();
            pending.remove(v.token);
            state.insert(QStringLiteral("requestTokens"), pending);
            if (decision != u"approve")
                return;
            QJsonObject tokens = state.value(u"tokens").toObject();
            tokens.insert(token, QJsonObject{{QStringLiteral("secret"), secret},
                                             {QStringLiteral("account"), account},
                                             {QStringLiteral("expired"), false}});
            state.insert(QStringLiteral("tokens"), tokens);
        });
        if (decision != u"approve")
            return error(401, QStringLiteral("The user denied access to Flazz."));
        return StandinAnswer{200,
                             {{"Content-Type", "text/plain"}},
                             "oauth_token_secret=" + secret.toLatin1() + "&oauth_token=" + token.toLatin1() +
                                 "&uid=" + account.toLatin1()};
    });

    auto accountInfo = [this, &store](const StandinRequest &r) {
        const Verified v = verify(r, QStringLiteral("tokens"));
        if (v.refusal)
            return *v.refusal;
        const QString uid = v.tokenEntry.value(u"account").toString();
        const QJsonObject account = store.state(kService).value(u"accounts").toObject().value(uid).toObject();
        const QString body = u"{\"referral_link\": " + jsonText(m_baseUrl + u"/referrals/" + uid) +
                             u", \"display_name\": " + jsonText(account.value(u"name").toString()) +
                             u", \"uid\": " + uid + u", \"public_app_url\": " +
                             jsonText(m_baseUrl + u"/apps/flazz") +
                             u", \"country\": \"US\", \"quota_info\": {\"shared\": 0, \"quota\": 2147483648, "
                             u"\"normal\": 0}, \"email\": " +
                             jsonText(account.value(u"email").toString()) + u'}';
        return json(200, body.toUtf8());
    };
    server.answer("POST", "/1/account/info", accountInfo);
    server.answer("GET", "/1/account/info", accountInfo);

    server.answer("POST", "/1/fileops/create_folder", [this, &store](const StandinRequest &r) {
        const Verified v = verify(r, QStringLiteral("tokens"));
        if (v.refusal)
            return *v.refusal;
        const QByteArray root = v.param("root");
        if (root != "sandbox" && root != "app_folder")
            return error(403,
                         QStringLiteral("This app has access to its own folder only (root \"sandbox\")."));
        const QString path = normalizedPath(pathText(v.param("path")));
        if (path.isEmpty())
            return error(403, QStringLiteral("Invalid path."));
        const QString uid = v.tokenEntry.value(u"account").toString();
        bool exists = false;
        store.update(kService, [&](QJsonObject &state) {
            QJsonObject accounts = state.value(u"accounts").toObject();
            QJsonObject account = accounts.value(uid).toObject();
            QJsonArray folders = account.value(u"folders").toArray();
            for (const QJsonValue &folder : std::as_const(folders)) {
                if (folder.toString().compare(path, Qt::CaseInsensitive) == 0)
                    exists = true;
            }
            if (exists)
                return;
            folders.append(path);
            account.insert(QStringLiteral("folders"), folders);
            accounts.insert(uid, account);
            state.insert(QStringLiteral("accounts"), accounts);
        });
        if (exists)
            return error(403, u"A file with that name already exists at path '" + path + u"'.");
        const QString body =
            u"{\"size\": \"0 bytes\", \"rev\": \"1f0a2b3c4\", \"thumb_exists\": false, \"bytes\": 0, "
            u"\"modified\": " +
            jsonText(QDateTime::currentDateTimeUtc().toString(Qt::RFC2822Date)) + u", \"path\": " +
            jsonText(path) +
            u", \"is_dir\": true, \"icon\": \"folder\", \"root\": \"app_folder\", \"revision\": 1}";
        return json(200, body.toUtf8());
    });

    server.answer("GET", "/1/metadata/sandbox/", [this, &store](const StandinRequest &r) {
        const Verified v = verify(r, QStringLiteral("tokens"));
        if (v.refusal)
            return *v.refusal;
        const QString uid = v.tokenEntry.value(u"account").toString();
        QStringList top;
        const QJsonArray folders = store.state(kService)
                                       .value(u"accounts")
                                       .toObject()
                                       .value(uid)
                                       .toObject()
                                       .value(u"folders")
                                       .toArray();
        for (const QJsonValue &folder : folders) {
            const QString name = folder.toString().section(u'/', 1, 1);
            if (!name.isEmpty() && !top.contains(name, Qt::CaseInsensitive))
                top.append(name);
        }
        for (const QString &file : store.files(kService)) {
            if (!file.startsWith(uid + u'/'))
                continue;
            const QString name = file.mid(uid.size() + 1).section(u'/', 0, 0);
            if (!name.isEmpty() && !top.contains(name, Qt::CaseInsensitive))
                top.append(name);
        }
        QStringList contents;
        for (const QString &name : std::as_const(top))
            contents.append(
                u"{\"size\": \"0 bytes\", \"rev\": \"1f0a2b3c4\", \"thumb_exists\": false, \"bytes\": 0, "
                u"\"path\": " +
                jsonText(u'/' + name) +
                u", \"is_dir\": true, \"icon\": \"folder\", \"root\": \"app_folder\", \"revision\": 1}");
        // Member order is the service's: the program takes "contents" as
        // the eighth member.
        const QString body = u"{\"hash\": \"" + QString::number(qHash(contents.join(u','))) +
                             u"\", \"thumb_exists\": false, \"bytes\": 0, \"path\": \"/\", \"is_dir\": true, "
                             u"\"icon\": \"folder\", \"root\": \"app_folder\", \"contents\": [" +
                             contents.join(QStringLiteral(", ")) + u"], \"size\": \"0 bytes\"}";
        return json(200, body.toUtf8());
    });

    // The site the program opens once the photos are on their way.
    server.answer("GET", "/", [&store](const StandinRequest &) {
        return Pages::html(200, Pages::sitePage(kLook, QStringLiteral("Apps/Flazz"), folders(store),
                                                store.changedLately({kService, kFiles})));
    });
    server.answer("GET", "/downloading", [](const StandinRequest &) {
        return Pages::html(200, Pages::sitePage(kLook, QStringLiteral("Dropbox for your computer"),
                                                Pages::desktopClientNote(QStringLiteral("Dropbox"))));
    });

    server.answer("GET", "/home", [](const StandinRequest &) {
        return Pages::htmlPage(200, QStringLiteral("Dropbox - Home"), QStringLiteral("<p>Your files.</p>"));
    });
}

QString DropboxService::pageSection(const SandboxStore &store) const
{
    return folders(store);
}
