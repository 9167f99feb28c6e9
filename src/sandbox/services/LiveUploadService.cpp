#include "sandbox/services/LiveUploadService.h"

#include "sandbox/SandboxStore.h"
#include "sandbox/services/Pages.h"
#include "sandbox/services/Tokens.h"

#include <QDateTime>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>

namespace {

using Pages::json;

const QString kTokens = QStringLiteral("Live");
constexpr qint64 kMaxFile = 100LL * 1024 * 1024;

StandinAnswer liveError(int status, const QString &code, const QString &message)
{
    return json(status,
                QJsonObject{{QStringLiteral("error"), QJsonObject{{QStringLiteral("code"), code},
                                                                  {QStringLiteral("message"), message}}}});
}

std::optional<StandinAnswer> tokenError(const SandboxStore &store, const StandinRequest &r, QString *account)
{
    switch (Tokens::checkToken(store, kTokens, r.queryValue(QStringLiteral("access_token")), account)) {
    case Tokens::TokenState::Valid:
        return std::nullopt;
    case Tokens::TokenState::Expired:
        return liveError(401, QStringLiteral("request_token_expired"),
                         QStringLiteral("The provided access token has expired."));
    case Tokens::TokenState::Unknown:
        break;
    }
    return liveError(401, QStringLiteral("request_token_invalid"),
                     QStringLiteral("The provided access token isn't valid."));
}

// "/v5.0/<folder>/files[/<name>]": the folder and the name (null when none).
bool splitPath(const QByteArray &path, QString *folder, QString *fileName)
{
    const QByteArray rest = path.mid(6);
    const qsizetype files = rest.lastIndexOf("/files");
    if (!path.startsWith("/v5.0/") || files <= 0)
        return false;
    const QByteArray tail = rest.mid(files + 6);
    if (!tail.isEmpty() && !tail.startsWith('/'))
        return false;
    *folder = QUrl::fromPercentEncoding(rest.left(files));
    *fileName = tail.isEmpty() ? QString() : QUrl::fromPercentEncoding(tail.mid(1));
    return true;
}

bool folderOfAccount(const SandboxStore &store, const QString &folder, const QString &account)
{
    if (folder == u"me/skydrive" || folder == u"me/skydrive/my_photos")
        return true;
    for (const QJsonValue &f : store.state(kTokens).value(u"folders").toArray()) {
        const QJsonObject o = f.toObject();
        if (o.value(u"id").toString() == folder && o.value(u"account").toString() == account)
            return true;
    }
    return false;
}

QJsonObject fileResource(const QJsonObject &f)
{
    QJsonObject out = f;
    out.remove(QStringLiteral("account"));
    out.remove(QStringLiteral("kept"));
    return out;
}

} // namespace

void LiveUploadService::install(StandinServer &server, SandboxStore &store)
{
    m_store = &store;
    server.answerPrefix("PUT", "/v5.0/", [this](const StandinRequest &r) { return putFile(r); });
    server.answerPrefix("GET", "/v5.0/", [this](const StandinRequest &r) { return listFiles(r); });
}

StandinAnswer LiveUploadService::putFile(const StandinRequest &r)
{
    QString account;
    if (auto refused = tokenError(*m_store, r, &account))
        return *refused;
    QString folder;
    QString fileName;
    if (!splitPath(r.path, &folder, &fileName) || fileName.isEmpty() || fileName.contains(u'/'))
        return liveError(400, QStringLiteral("request_url_invalid"), QStringLiteral("The URL isn't valid."));
    if (!folderOfAccount(*m_store, folder, account))
        return liveError(404, QStringLiteral("resource_not_found"),
                         u"The resource '" + folder + u"' doesn't exist.");
    if (r.body.isEmpty())
        return liveError(400, QStringLiteral("request_body_invalid"),
                         QStringLiteral("The request entity body is empty."));
    if (r.body.size() > kMaxFile)
        return liveError(413, QStringLiteral("request_entity_too_large"),
                         QStringLiteral("The request entity body is too large."));
    const QString overwrite = r.queryValue(QStringLiteral("overwrite"));
    if (!overwrite.isNull() && overwrite != u"true" && overwrite != u"false" &&
        overwrite.compare(u"ChooseNewName", Qt::CaseInsensitive) != 0)
        return liveError(400, QStringLiteral("request_parameter_invalid"),
                         QStringLiteral("The value of 'overwrite' isn't valid."));

    QJsonObject file;
    {
        std::lock_guard lock(m_mutex);
        QJsonArray files = m_store->state(name()).value(u"files").toArray();
        qsizetype taken = -1;
        for (qsizetype i = 0; i < files.size(); ++i) {
            const QJsonObject f = files.at(i).toObject();
            if (f.value(u"account").toString() == account && f.value(u"parent_id").toString() == folder &&
                f.value(u"name").toString().compare(fileName, Qt::CaseInsensitive) == 0)
                taken = i;
        }
        QString finalName = fileName;
        if (taken >= 0 && overwrite == u"false")
            return liveError(409, QStringLiteral("resource_already_exists"),
                             u"The resource '" + fileName + u"' already exists.");
        if (taken >= 0 && overwrite != u"true" && !overwrite.isNull()) {
            const QFileInfo info(fileName);
            const QString ext = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
            for (int n = 1;; ++n) {
                finalName = info.completeBaseName() + u" (" + QString::number(n) + u')' + ext;
                bool used = false;
                for (const QJsonValue &v : files) {
                    const QJsonObject f = v.toObject();
                    used = used || (f.value(u"account").toString() == account &&
                                    f.value(u"parent_id").toString() == folder &&
                                    f.value(u"name").toString().compare(finalName, Qt::CaseInsensitive) == 0);
                }
                if (!used)
                    break;
            }
        } else if (taken >= 0) {
            files.removeAt(taken); // overwrite=true replaces the entry
        }
        const QString kept = m_store->keepFile(name(), account + u'/' + folder + u'/' + finalName, r.body);
        if (kept.isEmpty())
            return liveError(500, QStringLiteral("server_internal_error"),
                             QStringLiteral("The file was not kept."));
        const QString id =
            QStringLiteral("file.%1.%2!%3").arg(account, account.toUpper()).arg(files.size() + 1001);
        const QString now =
            QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss+0000"));
        const QString source =
            u"http://" + QString::fromLatin1(r.header("Host")) + SandboxStore::fileUrl(name(), kept);
        file = QJsonObject{{QStringLiteral("id"), id},
                           {QStringLiteral("name"), finalName},
                           {QStringLiteral("parent_id"), folder},
                           {QStringLiteral("size"), double(r.body.size())},
                           {QStringLiteral("type"), QStringLiteral("file")},
                           {QStringLiteral("source"), source},
                           {QStringLiteral("created_time"), now},
                           {QStringLiteral("updated_time"), now},
                           {QStringLiteral("account"), account},
                           {QStringLiteral("kept"), kept}};
        files.append(file);
        m_store->update(name(),
                        [&files](QJsonObject &state) { state.insert(QStringLiteral("files"), files); });
    }
    return json(201, fileResource(file));
}

StandinAnswer LiveUploadService::listFiles(const StandinRequest &r)
{
    QString account;
    if (auto refused = tokenError(*m_store, r, &account))
        return *refused;
    QString folder;
    QString fileName;
    if (!splitPath(r.path, &folder, &fileName) || !fileName.isNull())
        return liveError(404, QStringLiteral("resource_not_found"),
                         QStringLiteral("The resource doesn't exist."));
    if (!folderOfAccount(*m_store, folder, account))
        return liveError(404, QStringLiteral("resource_not_found"),
                         u"The resource '" + folder + u"' doesn't exist.");
    QJsonArray data;
    for (const QJsonValue &v : m_store->state(name()).value(u"files").toArray()) {
        const QJsonObject f = v.toObject();
        if (f.value(u"account").toString() == account && f.value(u"parent_id").toString() == folder)
            data.append(fileResource(f));
    }
    return json(200, QJsonObject{{QStringLiteral("data"), data}});
}

QString LiveUploadService::pageSection(const SandboxStore &) const
{
    return {}; // the photos show in their albums or folders, on the service's part of the page
}
