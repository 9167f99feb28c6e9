#pragma once

#include "webkit/ui/AuthorizePrompt.h"

// Shown before the service's authorization page opens in the user's own
// browser. OK() is true when the user pressed Authorize.
class frmAuthorize : public AuthorizePrompt
{
    Q_OBJECT
public:
    explicit frmAuthorize(AppState &state, QWidget *parent = nullptr);

    QPushButton *cmdAuthorize() const { return mainButton(); }
};
