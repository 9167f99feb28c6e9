#pragma once

#include "photoset/DestinationFlow.h"
#include "webservices/flows/WebUploadParts.h"

class FacebookAccount;
class FolderChooser;

// The Facebook button: sign in (again when the permissions were withdrawn),
// pick an album, hand the photos and their remarks to the background
// uploader, open the site. The connector is the main window's, kept for its
// whole life.
class FacebookFlow : public DestinationFlow
{
public:
    FacebookFlow(WebUploadParts parts, FacebookAccount &facebook, FolderChooser &chooser, QString site);
    void run() override;

private:
    WebUploadParts m_parts;
    FacebookAccount &m_facebook;
    FolderChooser &m_chooser;
    QString m_site;
};
