#pragma once

#include <QString>
#include <QStringList>

#include "webkit/ServiceId.h"

// Photos of a job that arrived at the same place before.
struct PhotosSentBefore
{
    QStringList paths;
    qint64 latest = 0; // ms since the epoch: the last of those sends
};

// The background uploader: the photo bytes for the web destinations travel
// outside the program. Every operation stores the job and returns at once
// with the job's id; a job that cannot be stored raises ToolkitError in the
// calling flow, whose error trap reports it.
//
// photoList: the photos' paths in photo-set order, joined by TAB.
// remarksList: per photo a blank and its remarks, joined by "#\t#".
// uploadSize: pixels of the longer side, 0 for the original bytes.
class BackgroundUploader
{
public:
    virtual ~BackgroundUploader() = default;

    virtual QString UploadToDropBox(const QString &accessToken, const QString &tokenSecret,
                                    const QString &photoList, int uploadSize, const QString &folder) = 0;
    virtual QString UploadToGoogle(const QString &accessToken, const QString &photoList, int uploadSize,
                                   const QString &folder) = 0;
    virtual QString UploadToSkydrive(const QString &accessToken, const QString &photoList, int uploadSize,
                                     const QString &folder) = 0;
    // privacy: "ALL_FRIENDS"; albumId: "me" for the default album.
    virtual QString UploadToFacebook(const QString &accessToken, const QString &photoList,
                                     const QString &remarksList, int uploadSize, const QString &privacy,
                                     const QString &albumId) = 0;
    virtual QString UploadToFlickr(const QString &token, const QString &photoList, const QString &remarksList,
                                   int uploadSize) = 0;
    // A remote of the user's rclone configuration, into `folder` of it;
    // `names`: per photo, the name it takes there, decided now.
    virtual QString UploadToRemote(const QString &remote, const QString &photoList, const QStringList &names,
                                   int uploadSize, const QString &folder) = 0;

    // Which photos of `photoList` the account signed in to `service` already has in
    // `target` (the folder or album as the Upload call takes it) by content.
    virtual PhotosSentBefore sentBefore(const ServiceId &service, const QString &photoList,
                                        const QString &target)
    {
        Q_UNUSED(service);
        Q_UNUSED(photoList);
        Q_UNUSED(target);
        return {};
    }
};
