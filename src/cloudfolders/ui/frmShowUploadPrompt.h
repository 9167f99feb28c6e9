#pragma once

#include "core/ui/SkinnedDialog.h"

class QCheckBox;
class QLabel;
class QPushButton;

// Tells the user that the photos went to the background uploader and may
// take a while to appear. Its check box switches it off for good.
class frmShowUploadPrompt : public SkinnedDialog
{
    Q_OBJECT
public:
    explicit frmShowUploadPrompt(AppState &state, QWidget *parent = nullptr);

    QLabel *lblMessage() const { return m_message; }
    QCheckBox *chkDoNotShowMeAgain() const { return m_doNotShow; }
    QPushButton *cmdOK() const { return m_ok; }

    static QString messageText();

private:
    void cmdOK_Click();

    QLabel *m_message;
    QCheckBox *m_doNotShow;
    QPushButton *m_ok;
};
