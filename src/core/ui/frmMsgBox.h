#pragma once

#include "core/ui/SkinnedDialog.h"

class QLabel;
class QPushButton;

// The skinned confirmation box: a message and up to three buttons. Set the
// message and the buttons, show it modally, then read ReturnCode.
class frmMsgBox : public SkinnedDialog
{
    Q_OBJECT
public:
    explicit frmMsgBox(AppState &state, QWidget *parent = nullptr);

    void SetMessage(const QString &text);
    void ShowYes(bool flag) { m_showYes = flag; }
    void ShowNo(bool flag) { m_showNo = flag; }
    void ShowCancel(bool flag) { m_showCancel = flag; }

    // MsgBoxCode: 0 Yes, 1 No, 2 Cancel or the title bar's Close.
    int ReturnCode() const { return m_returnCode; }

    QPushButton *cmdYes() const { return m_yes; }
    QPushButton *cmdNo() const { return m_no; }
    QPushButton *cmdCancel() const { return m_cancel; }

protected:
    void Form_Load() override;

private:
    void answer(int code);

    QLabel *m_message;
    QPushButton *m_yes;
    QPushButton *m_no;
    QPushButton *m_cancel;
    bool m_showYes = false;
    bool m_showNo = false;
    bool m_showCancel = false;
    int m_returnCode;
};
