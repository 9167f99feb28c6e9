#pragma once

#include "core/ui/SkinnedDialog.h"

#include <functional>

class LinkLabel;
class QLabel;
class QTimer;

// "Done!": a small note that tells a destination finished and goes away by
// itself after a second.
class frmMsgAutoClose : public SkinnedDialog
{
    Q_OBJECT
public:
    explicit frmMsgAutoClose(AppState &state, QWidget *parent = nullptr);

    // Says where the result went under "Done!" (`detail`), with a link that
    // runs `openFolder` and closes the note. Call before showing it.
    void setDetail(const QString &detail, std::function<void()> openFolder);

    QTimer *timer() const { return m_timer; }
    QLabel *lblDetail() const { return m_detail; }
    LinkLabel *lblOpenFolder() const { return m_openLink; }

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer *m_timer;
    QLabel *m_message;
    QLabel *m_detail;
    LinkLabel *m_openLink;
    std::function<void()> m_openFolder;
};
