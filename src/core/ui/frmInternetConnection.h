#pragma once

#include "core/ui/ProgramEnd.h"
#include "core/ui/SkinnedDialog.h"

#include <functional>

class QPushButton;

// Tells the user the internet could not be reached. While the authorization
// browser is open there is nothing left to do without a connection, so OK
// then ends the program.
class frmInternetConnection : public SkinnedDialog
{
    Q_OBJECT
public:
    explicit frmInternetConnection(AppState &state, QWidget *parent = nullptr);

    void setEndProgram(EndProgramAction action) { m_endProgram = std::move(action); }
    // Tells whether the sign-in browser is on screen; without it, never.
    void setAuthBrowserShowing(std::function<bool()> showing) { m_authBrowserShowing = std::move(showing); }
    QPushButton *cmdOk() const { return m_ok; }

private:
    void cmdOk_Click();

    QPushButton *m_ok;
    EndProgramAction m_endProgram;
    std::function<bool()> m_authBrowserShowing;
};
