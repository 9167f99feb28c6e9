#pragma once

#include "cloudfolders/flows/SendSteps.h"
#include "photoset/DestinationFlow.h"
#include "webkit/Service.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

class RcloneConnector;

// A cloud-folder button's flow when it sends through a remote of rclone's,
// and the flow of any other remote: sign in (rclone's own), let the user
// pick or make a folder of the remote, decide the photos' names in it, hand
// the job to the background uploader and open the service's site. There is
// no desktop client to copy into: everything goes through rclone.
class RemoteFolderFlow : public DestinationFlow
{
public:
    using Parts = FolderFlowParts;

    // `connector` makes the remote's connector for one run. A button's own
    // kind of remote (`kind`, rclone's type) gets the chooser of the
    // button's `service` and has `site` opened once the job is queued; any other
    // remote, or every one when `kind` is empty, gets the chooser of remotes
    // and no site.
    RemoteFolderFlow(Parts parts, std::function<std::unique_ptr<RcloneConnector>()> connector,
                     QString kind = {}, std::optional<Service> service = std::nullopt, QString site = {});

    void run() override;

private:
    Parts m_parts;
    std::function<std::unique_ptr<RcloneConnector>()> m_connector;
    QString m_kind;
    std::optional<Service> m_service;
    QString m_site;
};
