#pragma once

#include "cloudfolders/flows/SendSteps.h"
#include "imaging/PhotoMetadata.h"
#include "photoset/DestinationFlow.h"
#include "webkit/Service.h"

#include <QString>

#include <functional>
#include <memory>

class CloudConnector;

// Where each desktop client keeps its sync folder; each returns "" when the
// client is missing. Looked up afresh whenever the flow needs one.
struct SyncFolderLocator
{
    std::function<QString()> dropbox;
    std::function<QString()> skyDrive;
    std::function<QString()> google;
};

// The Dropbox, Google Drive and SkyDrive buttons: sign in, let the user pick
// or name a folder, then copy the photos unchanged into the desktop client's
// sync folder, or, without a client, hand them to the background uploader,
// and open the folder or the service's web site.
class CloudFolderFlow : public DestinationFlow
{
public:
    struct Parts : FolderFlowParts
    {
        SyncFolderLocator locator;
    };

    // `service` is Dropbox, Google or SkyDrive; `connector` makes a fresh
    // connector for one run; `site` is the web site opened after a
    // background upload.
    CloudFolderFlow(Service service, Parts parts, std::function<std::unique_ptr<CloudConnector>()> connector,
                    QString site);

    void run() override;

    // The name a copy of `sourcePath` takes in `folder`: its own file name
    // when that is free, else "name (1) .ext", "name (2) .ext", ...
    static QString FreeCopyName(const QString &folder, const QString &sourcePath,
                                const std::function<void()> &yield = {});

    // Copies the photo at `from` to the free name `to`, its picture
    // unchanged, with the metadata `rule` lets go. False when it could not.
    static bool CopyPhoto(const QString &from, const QString &to, MetadataRule rule);

private:
    QString locate() const;
    void copyLocally(const QString &syncFolder, const QString &chosen);
    void handToUploader(CloudConnector &connector, const QString &chosen);

    Service m_service;
    Parts m_parts;
    std::function<std::unique_ptr<CloudConnector>()> m_connector;
    QString m_site;
};
