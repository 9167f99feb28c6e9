#pragma once

#include "webkit/ui/AuthorizePrompt.h"

// Shown while the user grants access in their own browser. OK() is true
// when the user came back and pressed Complete Authorization.
class frmCompleteAuthorization : public AuthorizePrompt
{
    Q_OBJECT
public:
    explicit frmCompleteAuthorization(AppState &state, QWidget *parent = nullptr);

    QPushButton *cmdCompleteAuthorization() const { return mainButton(); }
};
