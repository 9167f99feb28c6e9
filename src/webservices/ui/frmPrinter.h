#pragma once

#include "core/ui/SkinnedDialog.h"

class PrintFlow;
class QLabel;
class QPushButton;
class QRadioButton;

// The print window: order prints online from the print service, or print on
// a printer of this computer. Local printing runs while the window stays;
// the online choice closes it with OnlineChosen, and it is shown again when
// the user closes the sign-in window.
class frmPrinter : public SkinnedDialog
{
    Q_OBJECT
public:
    static constexpr int OnlineChosen = 2;

    // Without a flow (the gallery) "Print..." does nothing.
    frmPrinter(AppState &state, PrintFlow *flow, const QString &serviceName, QWidget *parent = nullptr);

    QRadioButton *rdoNew() const { return m_rdoNew; }
    QRadioButton *rdoExisiting() const { return m_rdoExisiting; }
    QPushButton *cmdOK() const { return m_cmdOK; }
    QPushButton *cmdExit() const { return m_cmdExit; }

    void cmdOK_Click();

protected:
    void Form_Load() override;

private:
    PrintFlow *m_flow;
    QRadioButton *m_rdoNew;
    QRadioButton *m_rdoExisiting;
    QPushButton *m_cmdOK;
    QPushButton *m_cmdExit;
};
