#pragma once

#include "core/ui/SkinnedDialog.h"

class frmLoad;

// Stands in for the main window in builds without the photo set's windows,
// so that the program still starts, shows itself and ends cleanly.
class PlaceholderMainWindow : public SkinnedDialog
{
    Q_OBJECT
public:
    PlaceholderMainWindow(AppState &state, frmLoad &host);

protected:
    void Form_Unload() override;
    void paintEvent(QPaintEvent *event) override;

private:
    frmLoad &m_host;
};
