#include "sandbox/services/UploadChecks.h"

#include "sandbox/SandboxStore.h"

#include <QJsonDocument>

namespace UploadChecks {

Token check(const SandboxStore &store, const QString &service, const QString &token, QString *account)
{
    if (token.isEmpty())
        return Token::Unknown;
    const QJsonObject info = store.state(service).value(u"tokens").toObject().value(token).toObject();
    if (info.isEmpty())
        return Token::Unknown;
    if (info.value(u"expired").toBool())
        return Token::Expired;
    if (account)
        *account = info.value(u"account").toString();
    return Token::Valid;
}

int expireAll(SandboxStore &store, const QString &service)
{
    int count = 0;
    store.update(service, [&count](QJsonObject &state) {
        QJsonObject tokens = state.value(u"tokens").toObject();
        for (auto it = tokens.begin(); it != tokens.end(); ++it) {
            QJsonObject info = it.value().toObject();
            if (!info.value(u"expired").toBool()) {
                info.insert(QStringLiteral("expired"), true);
                it.value() = info;
                ++count;
            }
        }
        state.insert(QStringLiteral("tokens"), tokens);
    });
    return count;
}

namespace {

int be16(const QByteArray &b, qsizetype at)
{
    return (uchar(b.at(at)) << 8) | uchar(b.at(at + 1));
}

} // namespace

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

StandinAnswer json(int status, const QJsonObject &body)
{
    StandinAnswer a;
    a.status = status;
    a.headers.append({QByteArray("Content-Type"), QByteArray("application/json; charset=UTF-8")});
    a.body = QJsonDocument(body).toJson(QJsonDocument::Compact);
    return a;
}

QString bearer(const StandinRequest &request)
{
    const QByteArray value = request.header("Authorization").trimmed();
    if (!value.toLower().startsWith("bearer "))
        return {};
    return QString::fromUtf8(value.mid(7).trimmed());
}

} // namespace UploadChecks
