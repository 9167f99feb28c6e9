#include "sandbox/services/FacebookUploadService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/services/Pages.h"
#include "sandbox/services/Tokens.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSize>
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
    StandinAnswer a = Pages::json(400, QJsonObject{{QStringLiteral("error"), error}});
    a.headers.append({QByteArray("WWW-Authenticate"),
                      "OAuth \"Facebook Platform\" \"invalid_token\" \"" + message.toUtf8() + '"'});
    return a;
}

std::optional<StandinAnswer> tokenError(const SandboxStore &store, const QString &token, QString *account)
{
    switch (Tokens::checkToken(store, kTokens, token, account)) {
    case Tokens::TokenState::Valid:
        return std::nullopt;
    case Tokens::TokenState::Expired:
        return graphError(
            QStringLiteral("Error validating access token: Session has expired at unix time %1. "
                           "The current unix time is %2.")
                .arg(QDateTime::currentSecsSinceEpoch() - 3600)
                .arg(QDateTime::currentSecsSinceEpoch()),
            190, 463);
    case Tokens::TokenState::Unknown:
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

int be16(const QByteArray &b, qsizetype at)
{
    return (uchar(b.at(at)) << 8) | uchar(b.at(at + 1));
}

// The pixel size of a JPEG, PNG or GIF from its header, as the service
// measured what it kept; invalid when the bytes are none of those.
QSize imageSize(const QByteArray &b)
{
    if (b.startsWith("\x89PNG\r\n\x1a\n") && b.size() >= 24)
        return QSize(be16(b, 18), be16(b, 22)); // IHDR, the high halves are 0 for any photo we meet
    if ((b.startsWith("GIF87a") || b.startsWith("GIF89a")) && b.size() >= 10)
        return QSize(uchar(b.at(6)) | (uchar(b.at(7)) << 8), uchar(b.at(8)) | (uchar(b.at(9)) << 8));
    if (!b.startsWith("\xff\xd8"))
        return {};
    // Walk the segments to the first frame header.
    qsizetype at = 2;
    while (at + 9 < b.size()) {
        if (uchar(b.at(at)) != 0xff)
            return {};
        const uchar marker = uchar(b.at(at + 1));
        if (marker == 0xff) {
            ++at;
            continue;
        }
        const bool frame =
            marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc;
        if (frame)
            return QSize(be16(b, at + 7), be16(b, at + 5));
        at += 2 + be16(b, at + 2);
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

StandinAnswer FacebookUploadService::post(const StandinRequest &r)
{
    const QString album = albumOfPath(r.path);
    if (album.isEmpty())
        return graphError(QStringLiteral("Unknown path components: ") + QString::fromUtf8(r.path), 2500);
    const QList<StandinPart> parts = r.multipart().value_or(QList<StandinPart>());
    auto field = [&parts](const QByteArray &name) -> const StandinPart * {
        for (const StandinPart &p : parts) {
            if (p.name == name)
                return &p;
        }
        return nullptr;
    };
    QString token = r.queryValue(QStringLiteral("access_token"));
    if (const StandinPart *t = field("access_token"))
        token = QString::fromUtf8(t->body);
    QString account;
    if (auto refused = tokenError(*m_store, token, &account))
        return *refused;

    const QString target = albumOfAccount(*m_store, album, account);
    if (target.isEmpty())
        return graphError(QStringLiteral("(#120) Invalid album id"), 120);
    const StandinPart *source = field("source");
    if (!source || source->filename.isNull() || source->body.isEmpty())
        return graphError(QStringLiteral("(#324) Requires upload file"), 324);
    if (source->body.size() > kMaxPhoto)
        return graphError(QStringLiteral("(#100) The photo is larger than 4 MB."), 100, 1366046);
    const QSize size = imageSize(source->body);
    if (!size.isValid())
        return graphError(QStringLiteral("(#324) Missing or invalid image file"), 324);
    QString privacy;
    if (const StandinPart *p = field("privacy")) {
        const QJsonObject value = QJsonDocument::fromJson(p->body).object();
        static const QStringList known = {QStringLiteral("EVERYONE"), QStringLiteral("ALL_FRIENDS"),
                                          QStringLiteral("FRIENDS_OF_FRIENDS"), QStringLiteral("SELF"),
                                          QStringLiteral("CUSTOM")};
        privacy = value.value(u"value").toString();
        if (!known.contains(privacy))
            return graphError(QStringLiteral("(#100) Invalid privacy setting"), 100);
    }
    const StandinPart *message = field("message");

    QString id;
    {
        std::lock_guard lock(m_mutex);
        QJsonArray photos = m_store->state(name()).value(u"photos").toArray();
        id = QString::number(kFirstPhotoId + photos.size() + 1);
        const QString kept =
            m_store->keepFile(name(), account + u'/' + target + u'/' + id + u".jpg", source->body);
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
        if (message && !message->body.isEmpty())
            photo.insert(QStringLiteral("name"), QString::fromUtf8(message->body));
        photos.append(photo);
        m_store->update(name(),
                        [&photos](QJsonObject &state) { state.insert(QStringLiteral("photos"), photos); });
    }
    return Pages::json(200, QJsonObject{{QStringLiteral("id"), id},
                                        {QStringLiteral("post_id"), QString(account + u'_' + id)}});
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
    return Pages::json(200, QJsonObject{{QStringLiteral("data"), data}});
}

QString FacebookUploadService::pageSection(const SandboxStore &) const
{
    return {}; // the photos show in their albums or folders, on the service's part of the page
}
