#include "sandbox/services/FacebookUploadService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/services/UploadChecks.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace {

const QString kTokens = QStringLiteral("Facebook");
constexpr qint64 kMaxPhoto = 4LL * 1024 * 1024;
constexpr qint64 kFirstPhotoId = 10150100000000000LL;

StandinAnswer graphError(const QString &message, int code, int subcode = 0)
{
    QJsonObject error{{QStringLiteral("message"), message},
                      {QStringLiteral("type"), QStringLiteral("OAuthException")},
                      {QStringLiteral("code"), code}};
    if (subcode)
        error.insert(QStringLiteral("error_subcode"), subcode);
    StandinAnswer a = UploadChecks::json(400, {{QStringLiteral("error"), error}});
    a.headers.append({QByteArray("WWW-Authenticate"),
                      "OAuth \"Facebook Platform\" \"invalid_token\" \"" + message.toUtf8() + '"'});
    return a;
}

std::optional<StandinAnswer> tokenError(const SandboxStore &store, const QString &token, QString *account)
{
    switch (UploadChecks::check(store, kTokens, token, account)) {
    case UploadChecks::Token::Valid:
        return std::nullopt;
    case UploadChecks::Token::Expired:
        return graphError(
            QStringLiteral("Error validating access token: Session has expired at unix time %1. "
                           "The current unix time is %2.")
                .arg(QDateTime::currentSecsSinceEpoch() - 3600)
                .arg(QDateTime::currentSecsSinceEpoch()),
            190, 463);
    case UploadChecks::Token::Unknown:
        break;
    }
    return graphError(QStringLiteral("Invalid OAuth access token."), 190);
}

// "/<album>/photos": the album; empty when the path is not that.
QString albumOfPath(const QByteArray &path)
{
    static const QRegularExpression pattern(QStringLiteral("^/([^/]+)/photos$"));
    const auto m = pattern.match(QString::fromUtf8(path));
    return m.hasMatch() ? QUrl::fromPercentEncoding(m.captured(1).toUtf8()) : QString();
}

// The album a photo goes to: the account's own album, or its application
// album for "me"; empty when the id is no album of the account.
QString albumOfAccount(const SandboxStore &store, const QString &album, const QString &account)
{
    if (album == u"me" || album == account)
        return account + QStringLiteral("_app");
    for (const QJsonValue &a : store.state(kTokens).value(u"albums").toArray()) {
        const QJsonObject o = a.toObject();
        if (o.value(u"id").toString() == album && o.value(u"account").toString() == account)
            return album;
    }
    return {};
}

QString graphTime(qint64 secs)
{
    return QDateTime::fromSecsSinceEpoch(secs, Qt::UTC).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss+0000"));
}

} // namespace

void FacebookUploadService::install(StandinServer &server, SandboxStore &store)
{
    m_store = &store;
    server.answerPrefix("POST", "/", [this](const StandinRequest &r) { return post(r); });
    server.answerPrefix("GET", "/", [this](const StandinRequest &r) { return list(r); });
}

void FacebookUploadService::expireTokensAfter(int uploads)
{
    std::lock_guard lock(m_mutex);
    m_expireAfter = uploads;
}

int FacebookUploadService::expireTokens()
{
    return UploadChecks::expireAll(*m_store, kTokens);
}

StandinAnswer FacebookUploadService::post(const StandinRequest &r)
{
    const QString album = albumOfPath(r.path);
    if (album.isEmpty())
        return graphError(QStringLiteral("Unknown path components: ") + QString::fromUtf8(r.path), 2500);
    const QList<FormPart> parts = multipartParts(r.header("Content-Type"), r.body);
    auto field = [&parts](const QString &name) -> const FormPart * {
        for (const FormPart &p : parts) {
            if (p.name == name)
                return &p;
        }
        return nullptr;
    };
    QString token = r.queryValue(QStringLiteral("access_token"));
    if (const FormPart *t = field(QStringLiteral("access_token")))
        token = QString::fromUtf8(t->data);
    QString account;
    if (auto refused = tokenError(*m_store, token, &account))
        return *refused;
    if (auto fault = m_faults.arrive(
            "application/json; charset=UTF-8",
            R"({"error":{"message":"An unknown error has occurred.","type":"OAuthException","code":1}})"))
        return *fault;

    const QString target = albumOfAccount(*m_store, album, account);
    if (target.isEmpty())
        return graphError(QStringLiteral("(#120) Invalid album id"), 120);
    const FormPart *source = field(QStringLiteral("source"));
    if (!source || source->fileName.isNull() || source->data.isEmpty())
        return graphError(QStringLiteral("(#324) Requires upload file"), 324);
    if (source->data.size() > kMaxPhoto)
        return graphError(QStringLiteral("(#100) The photo is larger than 4 MB."), 100, 1366046);
    const QSize size = UploadChecks::imageSize(source->data);
    if (!size.isValid())
        return graphError(QStringLiteral("(#324) Missing or invalid image file"), 324);
    QString privacy;
    if (const FormPart *p = field(QStringLiteral("privacy"))) {
        const QJsonObject value = QJsonDocument::fromJson(p->data).object();
        static const QStringList known = {QStringLiteral("EVERYONE"), QStringLiteral("ALL_FRIENDS"),
                                          QStringLiteral("FRIENDS_OF_FRIENDS"), QStringLiteral("SELF"),
                                          QStringLiteral("CUSTOM")};
        privacy = value.value(u"value").toString();
        if (!known.contains(privacy))
            return graphError(QStringLiteral("(#100) Invalid privacy setting"), 100);
    }
    const FormPart *message = field(QStringLiteral("message"));

    bool expire = false;
    QString id;
    {
        std::lock_guard lock(m_mutex);
        QJsonArray photos = m_store->state(name()).value(u"photos").toArray();
        id = QString::number(kFirstPhotoId + photos.size() + 1);
        const QString kept =
            m_store->keepFile(name(), account + u'/' + target + u'/' + id + u".jpg", source->data);
        if (kept.isEmpty())
            return graphError(
                QStringLiteral("An unexpected error has occurred. Please retry your request later."), 2);
        QJsonObject photo{{QStringLiteral("id"), id},
                          {QStringLiteral("album"), target},
                          {QStringLiteral("account"), account},
                          {QStringLiteral("width"), size.width()},
                          {QStringLiteral("height"), size.height()},
                          {QStringLiteral("created_time"), graphTime(QDateTime::currentSecsSinceEpoch())},
                          {QStringLiteral("privacy"), privacy},
                          {QStringLiteral("kept"), kept}};
        if (message && !message->data.isEmpty())
            photo.insert(QStringLiteral("name"), QString::fromUtf8(message->data));
        photos.append(photo);
        m_store->update(name(),
                        [&photos](QJsonObject &state) { state.insert(QStringLiteral("photos"), photos); });
        if (m_expireAfter > 0)
            expire = --m_expireAfter == 0;
    }
    if (expire)
        expireTokens();
    StandinAnswer a = UploadChecks::json(
        200, {{QStringLiteral("id"), id}, {QStringLiteral("post_id"), QString(account + u'_' + id)}});
    a.delay = m_faults.answerDelay();
    return a;
}

StandinAnswer FacebookUploadService::list(const StandinRequest &r)
{
    const QString album = albumOfPath(r.path);
    if (album.isEmpty())
        return graphError(QStringLiteral("Unknown path components: ") + QString::fromUtf8(r.path), 2500);
    QString account;
    if (auto refused = tokenError(*m_store, r.queryValue(QStringLiteral("access_token")), &account))
        return *refused;
    // "me/photos?type=uploaded" is every photo the account uploaded.
    const bool uploaded = album == u"me" && r.queryValue(QStringLiteral("type")) == u"uploaded";
    const QString target = uploaded ? QString() : albumOfAccount(*m_store, album, account);
    if (!uploaded && target.isEmpty())
        return graphError(QStringLiteral("(#120) Invalid album id"), 120);
    const int limit = qBound(
        1,
        r.queryValue(QStringLiteral("limit")).isNull() ? 25 : r.queryValue(QStringLiteral("limit")).toInt(),
        500);
    QJsonArray data;
    const QJsonArray photos = m_store->state(name()).value(u"photos").toArray();
    for (qsizetype i = photos.size() - 1; i >= 0 && data.size() < limit; --i) {
        QJsonObject p = photos.at(i).toObject();
        if (p.value(u"account").toString() != account ||
            (!uploaded && p.value(u"album").toString() != target))
            continue;
        p.remove(QStringLiteral("account"));
        p.remove(QStringLiteral("kept"));
        p.remove(QStringLiteral("album"));
        data.append(p);
    }
    return UploadChecks::json(200, {{QStringLiteral("data"), data}});
}

QString FacebookUploadService::pageSection(const SandboxStore &store) const
{
    const QStringList files = store.files(name());
    return QStringLiteral("<h3>Facebook photos</h3><p>%1 photos arrived.</p>").arg(files.size()) +
           thumbnailRow(name(), files);
}
