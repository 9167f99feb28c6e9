#pragma once

#include "photoset/DestinationFlow.h"
#include "webservices/flows/WebUploadParts.h"

#include <functional>
#include <memory>

class FlickrAccount;

// The Flickr button: check the stored token, sign in when it fails, hand the
// photos and their remarks to the background uploader, open the site.
class FlickrFlow : public DestinationFlow
{
public:
    FlickrFlow(WebUploadParts parts, std::function<std::unique_ptr<FlickrAccount>()> connector, QString site);
    void run() override;

private:
    WebUploadParts m_parts;
    std::function<std::unique_ptr<FlickrAccount>()> m_connector;
    QString m_site;
};
