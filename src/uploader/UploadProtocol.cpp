#include "uploader/UploadProtocol.h"

#include "uploader/DropboxUpload.h"
#include "uploader/FacebookUpload.h"
#include "uploader/FlickrUpload.h"
#include "uploader/GoogleUpload.h"
#include "uploader/RcloneUpload.h"
#include "uploader/SkyDriveUpload.h"
#include "webkit/ServiceConfig.h"

#include <QDateTime>

namespace {

// Either delay-seconds or an HTTP date; anything else is ignored.
int retryAfterSeconds(const QByteArray &value)
{
    const QByteArray v = value.trimmed();
    if (v.isEmpty())
        return -1;
    bool ok = false;
    const qint64 seconds = v.toLongLong(&ok);
    if (ok)
        return seconds < 0 ? -1 : int(qMin<qint64>(seconds, 24 * 3600));
    const QDateTime when = QDateTime::fromString(QString::fromLatin1(v), Qt::RFC2822Date);
    if (!when.isValid())
        return -1;
    return int(qBound(qint64(0), QDateTime::currentDateTimeUtc().secsTo(when), qint64(24 * 3600)));
}

} // namespace

std::unique_ptr<UploadProtocol> makeUploadProtocol(const ServiceId &service, const ServiceConfig &config,
                                                   const UploadLimits &limits, const RcloneDaemon *rclone)
{
    if (service.isRemote())
        return rclone ? std::make_unique<RcloneUpload>(*rclone, limits) : nullptr;
    if (!service.service())
        return nullptr;
    switch (*service.service()) {
    case Service::Dropbox:
        return std::make_unique<DropboxUpload>(config.dropbox, limits);
    case Service::Flickr:
        return std::make_unique<FlickrUpload>(config.flickr, limits);
    case Service::Google:
        return std::make_unique<GoogleUpload>(config.google, limits);
    case Service::SkyDrive:
        return std::make_unique<SkyDriveUpload>(config.live, limits);
    case Service::Facebook:
        return std::make_unique<FacebookUpload>(config.facebook, limits);
    }
    return nullptr;
}

UploadOutcome outcomeOfStatus(int status, const QByteArray &retryAfter, const QString &reason)
{
    using Kind = UploadOutcome::Kind;
    UploadOutcome o;
    o.reason = reason.isEmpty() ? QStringLiteral("The service answered %1").arg(status) : reason;
    if (status >= 200 && status < 300)
        o.kind = Kind::Sent;
    else if (status == 408 || status == 429 || status >= 500) {
        o.kind = Kind::Transient;
        o.retryAfterSeconds = retryAfterSeconds(retryAfter);
    } else if (status == 401)
        o.kind = Kind::JobRefused;
    else
        o.kind = Kind::PhotoRefused;
    return o;
}
