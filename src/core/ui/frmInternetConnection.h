#pragma once

#include "core/ui/ProgramEnd.h"
#include "core/ui/SkinnedDialog.h"

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
    QPushButton *cmdOk() const { return m_ok; }

    // A top-level window named "frmAuthBrowser" (any case, blanks around
    // ignored) is loaded and visible.
    static bool authBrowserShowing();

private:
    void cmdOk_Click();

    QPushButton *m_ok;
    EndProgramAction m_endProgram;
};
