#pragma once

#include "core/ui/SkinnedDialog.h"

class QTimer;

// "Done!": a small note that tells a destination finished and goes away by
// itself after a second.
class frmMsgAutoClose : public SkinnedDialog
{
    Q_OBJECT
public:
    explicit frmMsgAutoClose(AppState &state, QWidget *parent = nullptr);

    QTimer *timer() const { return m_timer; }

protected:
    void Form_Load() override;
    void Form_Unload() override;
    void paintEvent(QPaintEvent *event) override;

private:
    QTimer *m_timer;
};
