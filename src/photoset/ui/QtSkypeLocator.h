#pragma once

#include "photoset/SkypeLocator.h"

struct AppState;
class UserPrompt;

// The Skype locator as the Skype button meets it: this window, over the
// active window, with `dialogs` opening its file dialog.
class QtSkypeLocator : public SkypeLocator
{
public:
    QtSkypeLocator(AppState &state, UserPrompt &dialogs) : m_state(state), m_dialogs(dialogs) {}
    QString locateSkype(const FileDialogRequest &request) override;

private:
    AppState &m_state;
    UserPrompt &m_dialogs;
};
