#pragma once

#include "webkit/AlbumSource.h"

#include <QString>

// What the Facebook button needs of the Facebook connector besides its
// albums: whether a working sign-in is stored (the permission check runs
// each time), forgetting it, signing in anew, and the token.
class FacebookAccount : public AlbumSource
{
public:
    virtual bool IsAuthoriseUserExist() = 0;
    virtual void DeleteFacebookUser() = 0;
    virtual bool CreateFacebookAccount() = 0;
    virtual QString AccessToken() const = 0;
};
