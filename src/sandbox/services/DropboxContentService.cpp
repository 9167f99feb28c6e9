#include "sandbox/services/DropboxContentService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/services/Pages.h"
#include "webkit/ServiceConfig.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMessageAuthenticationCode>
#include <QUrl>

#include <algorithm>

namespace {

using Pages::json;

StandinAnswer error(int status, const QString &text)
{
    return json(status, QJsonObject{{QStringLiteral("error"), text}});
}

QByteArray pct(const QString &text)
{
    return QUrl::toPercentEncoding(text);
}

QString mimeOf(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"jpg" || ext == u"jpeg")
        return QStringLiteral("image/jpeg");
    if (ext == u"png" || ext == u"gif" || ext == u"bmp")
        return QStringLiteral("image/") + ext;
    return QStringLiteral("application/octet-stream");
}

QJsonObject metadata(const QString &path, const QByteArray &bytes)
{
    const QByteArray rev =
        QCryptographicHash::hash(QByteArray(path.toUtf8() + bytes), QCryptographicHash::Sha1)
            .toHex()
            .left(10);
    return {
        {QStringLiteral("size"), QStringLiteral("%1 bytes").arg(bytes.size())},
        {QStringLiteral("rev"), QString::fromLatin1(rev)},
        {QStringLiteral("thumb_exists"), false},
        {QStringLiteral("bytes"), double(bytes.size())},
        {QStringLiteral("modified"),
         QLocale::c().toString(QDateTime::currentDateTimeUtc(),
                               QStringLiteral("ddd, dd MMM yyyy hh:mm:ss +0000"))},
        {QStringLiteral("path"), path},
        {QStringLiteral("is_dir"), false},
        {QStringLiteral("icon"), QStringLiteral("page_white_picture")},
        {QStringLiteral("root"), QStringLiteral("app_folder")},
        {QStringLiteral("mime_type"), mimeOf(path)},
        {QStringLiteral("revision"), 1},
    };
}

} // namespace

DropboxContentService::DropboxContentService(QString consumerKey, QString consumerSecret)
    : m_consumerKey(std::move(consumerKey)), m_consumerSecret(std::move(consumerSecret))
{
}

void DropboxContentService::configure(ServiceConfig &config, const QString &baseUrl) const
{
    config.dropbox.apiContent = baseUrl;
    config.dropbox.consumerKey = m_consumerKey;
    config.dropbox.consumerSecret = m_consumerSecret;
}

void DropboxContentService::install(StandinServer &server, SandboxStore &store)
{
    const auto handler = [this, &store](const StandinRequest &r) { return filesPut(store, r); };
    server.answerPrefix("PUT", "/1/files_put/", handler);
    server.answerPrefix("POST", "/1/files_put/", handler);
}

StandinAnswer DropboxContentService::filesPut(SandboxStore &store, const StandinRequest &request)
{
    const auto pairs = request.queryParameters();
    auto param = [&pairs](const QString &name) -> QString {
        for (const auto &[n, v] : pairs) {
            if (n == name)
                return v;
        }
        return {};
    };
    if (param(QStringLiteral("oauth_consumer_key")) != m_consumerKey)
        return error(403, QStringLiteral("Invalid consumer key."));
    if (param(QStringLiteral("oauth_signature_method")) != u"HMAC-SHA1")
        return error(403, QStringLiteral("Unsupported signature method."));

    const QJsonObject tokens = store.state(QStringLiteral("Dropbox")).value(u"tokens").toObject();
    const QString token = param(QStringLiteral("oauth_token"));
    const QJsonObject tokenInfo = tokens.value(token).toObject();
    if (token.isEmpty() || tokenInfo.isEmpty())
        return error(401, QStringLiteral("Invalid or expired token."));
    if (tokenInfo.value(u"expired").toBool())
        return error(401, QStringLiteral("The access token has expired."));

    // RFC 5849: every query parameter but the signature, encoded, sorted by
    // name and then value; the body of a PUT is not signed.
    QList<std::pair<QByteArray, QByteArray>> normalized;
    for (const auto &[n, v] : pairs) {
        if (n != u"oauth_signature")
            normalized.append({pct(n), pct(v)});
    }
    std::sort(normalized.begin(), normalized.end());
    QByteArray params;
    for (const auto &[n, v] : normalized)
        params += (params.isEmpty() ? "" : "&") + n + '=' + v;
    const QByteArray url = "http://" + request.header("Host") + request.path;
    const QByteArray base =
        request.method.toUpper() + '&' + pct(QString::fromUtf8(url)) + '&' + pct(QString::fromUtf8(params));
    const QByteArray key = pct(m_consumerSecret) + '&' + pct(tokenInfo.value(u"secret").toString());
    const QByteArray expected =
        QMessageAuthenticationCode::hash(base, key, QCryptographicHash::Sha1).toBase64();
    if (param(QStringLiteral("oauth_signature")).toLatin1() != expected)
        return error(403, QStringLiteral("Invalid signature."));

    const QString full = QUrl::fromPercentEncoding(request.path.mid(int(qstrlen("/1/files_put/"))));
    const qsizetype slash = full.indexOf(u'/');
    const QString root = slash < 0 ? full : full.left(slash);
    const QString path = slash < 0 ? QString() : full.mid(slash);
    if (root != u"sandbox" && root != u"dropbox")
        return error(400, QStringLiteral("Invalid root: %1").arg(root));
    if (path.isEmpty() || path.endsWith(u'/') || path.split(u'/').contains(QStringLiteral("..")))
        return error(400, QStringLiteral("Invalid path."));
    // This stand-in keeps every copy; the program never replaces a file.
    if (param(QStringLiteral("overwrite")) != u"false")
        return error(400, QStringLiteral("This sandbox takes overwrite=false only."));

    const QString account = tokenInfo.value(u"account").toString();
    const QString prefix = account + u'/';
    std::lock_guard lock(m_putMutex);
    // The same bytes under the name or one of its renamed copies are no clash.
    const QFileInfo wanted(path);
    const QString dir = wanted.path() == u"/" ? QString() : wanted.path().mid(1) + u'/';
    const QString stem = wanted.completeBaseName();
    const QString ext = wanted.suffix().isEmpty() ? QString() : u'.' + wanted.suffix();
    for (const QString &kept : store.files(name())) {
        if (!kept.startsWith(prefix + dir))
            continue;
        const QString rest = kept.mid(prefix.size() + dir.size());
        const bool sameName = rest == stem + ext || (rest.startsWith(stem + u" (") &&
                                                     rest.endsWith(u')' + ext) && !rest.contains(u'/'));
        if (sameName && store.fileBytes(name(), kept) == request.body)
            return json(200, metadata(u'/' + kept.mid(prefix.size()), request.body));
    }
    const QString chosen = store.keepFile(name(), prefix + path.mid(1), request.body);
    if (chosen.isEmpty())
        return error(500, QStringLiteral("The file could not be kept."));
    return json(200, metadata(u'/' + chosen.mid(prefix.size()), request.body));
}

QString DropboxContentService::pageSection(const SandboxStore &) const
{
    return {}; // the photos show in their albums or folders, on the service's part of the page
}
