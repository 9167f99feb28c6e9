#pragma once

#include "core/ui/SkinnedDialog.h"

class QLabel;
class QPushButton;

// A small top-most balloon with one short message, a caption and an OK
// button. The tray shows it when it cannot act because a window of the
// program is open modally; closing it lets the tray listen again.
class frmCallOut : public SkinnedDialog
{
    Q_OBJECT
public:
    explicit frmCallOut(AppState &state, QWidget *parent = nullptr);

    // Set both before the window is shown.
    void SetCaption(const QString &caption) { m_caption = caption; }
    void SetMessage(const QString &message) { m_message = message; }

    QLabel *lblCaption() const;
    QLabel *lblCallOut() const { return m_lblCallOut; }
    QLabel *btnClose() const { return m_btnClose; }
    QPushButton *cmdSend() const { return m_cmdSend; }

protected:
    void Form_Load() override;
    void Form_Unload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void cmdSend_Click();
    void setCloseColor(const QColor &color);

    QString m_caption;
    QString m_message;
    QLabel *m_lblCallOut;
    QLabel *m_btnClose;
    QPushButton *m_cmdSend;
};
