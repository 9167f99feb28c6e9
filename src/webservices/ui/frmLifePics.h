#pragma once

#include "core/ui/SkinnedDialog.h"
#include "webservices/flows/LifePicsView.h"

class LinkLabel;
class PrintFlow;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QWidget;

// The print service's window: the sign-in view (e-mail, password, the
// account links, Login) and the progress view (meter, status, Cancel) the
// upload shows. Login and Cancel hand over to the Print button's flow.
class frmLifePics : public SkinnedDialog, public LifePicsView
{
    Q_OBJECT
public:
    // Without a flow (the gallery) the buttons do nothing.
    frmLifePics(AppState &state, PrintFlow *flow, const QString &serviceName, QWidget *parent = nullptr);

    QLineEdit *txtEmailAddress() const { return m_email; }
    QLineEdit *txtPassword() const { return m_password; }
    QPushButton *btnLifePicsLogin() const { return m_login; }
    QPushButton *btnCancel() const { return m_cancel; }
    QProgressBar *pbrStatus() const { return m_meter; }
    QLabel *lblStatus() const { return m_status; }
    LinkLabel *btnClose() const { return m_close; }
    bool busy() const { return m_busy; }

    void btnLifePicsLogin_Click();
    // Escape and Close do nothing while the upload runs: Cancel stops it.
    void reject() override;

    // LifePicsView
    QString email() const override;
    QString password() const override;
    void SetBusy(bool busy) override;
    void setStatus(const QString &text) override;
    void setMeter(int minimum, int value, int maximum) override;
    void stepMeter() override;
    void processEvents() override;

protected:
    void Form_Load() override;

private:
    PrintFlow *m_flow;
    bool m_busy = false;
    bool m_loggingIn = false;
    QWidget *m_signIn;
    QWidget *m_progress;
    LinkLabel *m_close;
    QLineEdit *m_email;
    QLineEdit *m_password;
    QPushButton *m_login;
    QProgressBar *m_meter;
    QLabel *m_status;
    QPushButton *m_cancel;
};
