#pragma once

#include <QString>

// What the Flickr button needs of the Flickr connector: the stored token,
// whether the service still honours it, and the sign-in that stores a new
// one.
class FlickrAccount
{
public:
    virtual ~FlickrAccount() = default;
    virtual QString GetFlickrUserAuthCode() = 0;
    virtual bool CheckFlickrUser(const QString &token) = 0;
    virtual bool CreateFlickrAccount() = 0;
};
