#pragma once

#include "core/ui/SkinnedDialog.h"

class QCheckBox;
class QPushButton;

// The note shown when the user picks the slowest upload size. The user can
// ask not to see it again for the rest of this run.
class frmNote : public SkinnedDialog
{
    Q_OBJECT
public:
    explicit frmNote(AppState &state, QWidget *parent = nullptr);

    QCheckBox *chkDontShow() const { return m_dontShow; }
    QPushButton *cmdOk() const { return m_ok; }

protected:
    void Form_Unload() override;

private:
    QCheckBox *m_dontShow;
    QPushButton *m_ok;
};
