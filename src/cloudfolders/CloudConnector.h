#pragma once

#include "webkit/AlbumSource.h"

#include <QString>

// The outline Dropbox, Google Drive and SkyDrive connectors share: whether a
// working sign-in is stored, the sign-in dialogue itself, the token the
// background uploader needs, and (through AlbumSource) the folder list and
// folder creation. Connectors reach the user only through SignIn and
// UserPrompt, never through windows.
class CloudConnector : public AlbumSource
{
public:
    // True when a stored token still works with the service.
    virtual bool IsAuthoriseUserExist() = 0;
    // Runs the whole sign-in dialogue and stores the token; true on success.
    virtual bool CreateAccount() = 0;
    virtual QString AccessToken() const = 0;
    // Only OAuth 1.0 services have a token secret.
    virtual QString AccessTokenSecret() const { return {}; }
};
