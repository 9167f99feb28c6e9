#include "sandbox/services/FlickrUploadService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/services/Pages.h"
#include "webkit/ServiceConfig.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

namespace {

StandinAnswer xmlAnswer(const QString &inner, bool ok = true)
{
    StandinAnswer a;
    a.headers.append({QByteArray("Content-Type"), QByteArray("text/xml; charset=utf-8")});
    a.body = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n<rsp stat=\"" + QByteArray(ok ? "ok" : "fail") +
             "\">\n" + inner.toUtf8() + "\n</rsp>\n";
    return a;
}

// Flickr answered its errors with HTTP 200 and the code in the body.
StandinAnswer failure(int code, const QString &message)
{
    return xmlAnswer(QStringLiteral("<err code=\"%1\" msg=\"%2\" />").arg(code).arg(message.toHtmlEscaped()),
                     false);
}

bool isImage(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xD8\xFF") || bytes.startsWith("\x89PNG") || bytes.startsWith("GIF8") ||
           bytes.startsWith("BM");
}

QString extensionOf(const QByteArray &bytes)
{
    if (bytes.startsWith("\x89PNG"))
        return QStringLiteral(".png");
    if (bytes.startsWith("GIF8"))
        return QStringLiteral(".gif");
    if (bytes.startsWith("BM"))
        return QStringLiteral(".bmp");
    return QStringLiteral(".jpg");
}

} // namespace

FlickrUploadService::FlickrUploadService(QString apiKey, QString sharedSecret)
    : m_apiKey(std::move(apiKey)), m_sharedSecret(std::move(sharedSecret))
{
}

void FlickrUploadService::configure(ServiceConfig &config, const QString &baseUrl) const
{
    config.flickr.upload = baseUrl;
    config.flickr.apiKey = m_apiKey;
    config.flickr.sharedSecret = m_sharedSecret;
}

void FlickrUploadService::install(StandinServer &server, SandboxStore &store)
{
    server.answer("POST", "/services/upload/",
                  [this, &store](const StandinRequest &r) { return upload(store, r); });
    server.answer("POST", "/services/rest/",
                  [this, &store](const StandinRequest &r) { return search(store, r); });
    // The upload host's own address shows what it took, newest first.
    server.answer("GET", "/", [this, &store](const StandinRequest &) {
        QList<Pages::Photo> photos;
        const QJsonObject kept = store.state(name()).value(u"photos").toObject();
        for (auto it = kept.begin(); it != kept.end(); ++it)
            photos.prepend({it.value().toObject().value(u"file").toString(),
                            it.value().toObject().value(u"title").toString(it.key())});
        return Pages::html(200,
                           Pages::sitePage({QStringLiteral("flickr"), QStringLiteral("#0063dc")},
                                           QStringLiteral("Uploads"),
                                           Pages::thumbnails(name(), photos, QStringLiteral("Nothing yet.")),
                                           store.changedLately({name()})));
    });
}

namespace {

// Checks key, signature and token as Flickr did, in that order; the error
// answer when one fails. `account` gets the token's account.
std::optional<StandinAnswer> checkCall(const QList<std::pair<QString, QString>> &fields,
                                       const QString &apiKey, const QString &secret,
                                       const SandboxStore &store, QString *account)
{
    auto value = [&fields](const QString &name) -> QString {
        for (const auto &[n, v] : fields) {
            if (n == name)
                return v;
        }
        return {};
    };
    if (value(QStringLiteral("api_key")) != apiKey)
        return failure(100, QStringLiteral("Invalid API Key (Key not found)"));
    const QString sig = value(QStringLiteral("api_sig"));
    if (sig.isEmpty())
        return failure(97, QStringLiteral("Missing signature"));
    QList<std::pair<QString, QString>> signedFields;
    for (const auto &f : fields) {
        if (f.first != u"api_sig")
            signedFields.append(f);
    }
    std::sort(signedFields.begin(), signedFields.end());
    QByteArray base = secret.toUtf8();
    for (const auto &[n, v] : signedFields)
        base += n.toUtf8() + v.toUtf8();
    if (sig.compare(QString::fromLatin1(QCryptographicHash::hash(base, QCryptographicHash::Md5).toHex()),
                    Qt::CaseInsensitive) != 0)
        return failure(96, QStringLiteral("Invalid signature"));
    const QJsonObject token = store.state(QStringLiteral("Flickr"))
                                  .value(u"tokens")
                                  .toObject()
                                  .value(value(QStringLiteral("auth_token")))
                                  .toObject();
    if (token.isEmpty() || token.value(u"expired").toBool())
        return failure(98, QStringLiteral("Invalid auth token"));
    *account = token.value(u"account").toString();
    return std::nullopt;
}

} // namespace

StandinAnswer FlickrUploadService::upload(SandboxStore &store, const StandinRequest &request)
{
    const auto parts = request.multipart();
    if (!parts)
        return failure(2, QStringLiteral("No photo specified"));
    QList<std::pair<QString, QString>> fields;
    const StandinPart *photo = nullptr;
    for (const StandinPart &part : *parts) {
        if (part.name == "photo")
            photo = &part;
        else
            fields.append({QString::fromUtf8(part.name), QString::fromUtf8(part.body)});
    }
    QString account;
    if (auto refused = checkCall(fields, m_apiKey, m_sharedSecret, store, &account))
        return *refused;
    if (!photo)
        return failure(2, QStringLiteral("No photo specified"));
    if (photo->body.isEmpty())
        return failure(4, QStringLiteral("Filesize was zero"));
    if (!isImage(photo->body))
        return failure(5, QStringLiteral("Filetype was not recognised"));

    auto value = [&fields](const char *name) {
        for (const auto &[n, v] : fields) {
            if (n == QLatin1String(name))
                return v;
        }
        return QString();
    };
    QString id;
    store.update(name(), [&](QJsonObject &state) {
        const qint64 next = state.value(u"nextId").toInteger(5210000000) + 1;
        state[QStringLiteral("nextId")] = next;
        id = QString::number(next);
    });
    const QString file = store.keepFile(name(), account + u'/' + id + extensionOf(photo->body), photo->body);
    store.update(name(), [&](QJsonObject &state) {
        QJsonObject photos = state.value(u"photos").toObject();
        photos[id] = QJsonObject{
            {QStringLiteral("account"), account},
            {QStringLiteral("file"), file},
            {QStringLiteral("fileName"), QString::fromUtf8(photo->filename)},
            {QStringLiteral("title"), value("title")},
            {QStringLiteral("description"), value("description")},
            {QStringLiteral("tags"), value("tags")},
        };
        state[QStringLiteral("photos")] = photos;
    });
    return xmlAnswer(QStringLiteral("<photoid>%1</photoid>").arg(id));
}

StandinAnswer FlickrUploadService::search(const SandboxStore &store, const StandinRequest &request) const
{
    auto fields = request.formParameters();
    fields += request.queryParameters();
    QString method;
    QString machineTags;
    for (const auto &[n, v] : fields) {
        if (n == u"method")
            method = v;
        else if (n == u"machine_tags")
            machineTags = v;
    }
    if (method != u"flickr.photos.search")
        return failure(112, QStringLiteral("Method \"%1\" not found").arg(method));
    QString account;
    if (auto refused = checkCall(fields, m_apiKey, m_sharedSecret, store, &account))
        return *refused;

    const QStringList wanted = machineTags.split(u',', Qt::SkipEmptyParts);
    QString found;
    int total = 0;
    const QJsonObject photos = store.state(name()).value(u"photos").toObject();
    for (auto it = photos.begin(); it != photos.end(); ++it) {
        const QJsonObject p = it.value().toObject();
        if (p.value(u"account").toString() != account)
            continue;
        const QStringList tags = p.value(u"tags").toString().split(u' ', Qt::SkipEmptyParts);
        if (!wanted.isEmpty() && std::none_of(wanted.begin(), wanted.end(), [&](const QString &t) {
                return tags.contains(t.trimmed(), Qt::CaseInsensitive);
            }))
            continue;
        ++total;
        found +=
            QStringLiteral("<photo id=\"%1\" owner=\"%2\" secret=\"0\" server=\"1\" farm=\"1\" title=\"%3\" "
                           "ispublic=\"1\" isfriend=\"0\" isfamily=\"0\" />")
                .arg(it.key(), account.toHtmlEscaped(), p.value(u"title").toString().toHtmlEscaped());
    }
    return xmlAnswer(QStringLiteral("<photos page=\"1\" pages=\"1\" perpage=\"100\" total=\"%1\">%2</photos>")
                         .arg(total)
                         .arg(found));
}

QString FlickrUploadService::pageSection(const SandboxStore &) const
{
    return {}; // the photos show in their albums or folders, on the service's part of the page
}
