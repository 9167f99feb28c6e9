#pragma once

#include "cloudfolders/flows/FolderChooser.h"

struct AppState;
class UserPrompt;

// The chooser as the flows use it: loads the list behind the busy window,
// then shows frmAlbums modally.
class QtFolderChooser : public FolderChooser
{
public:
    QtFolderChooser(AppState &state, UserPrompt &prompt) : m_state(state), m_prompt(prompt) {}
    QString chooseAlbum(const ServiceId &service, const QString &syncFolder, AlbumSource *source) override;

private:
    AppState &m_state;
    UserPrompt &m_prompt;
};
