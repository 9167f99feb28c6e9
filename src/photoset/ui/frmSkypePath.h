#pragma once

#include "core/UserPrompt.h"
#include "core/ui/SkinnedDialog.h"
#include "photoset/SkypeLocator.h"

class QLabel;
class QPushButton;
class Gallery;

// The Skype locator: tells the user that Skype could not be found and lets
// them point at the program with the "Skype" button. The window only finds
// the file; the Skype flow takes it into SkypePath and the settings.
class frmSkypePath : public SkinnedDialog
{
    Q_OBJECT
public:
    // `dialogs` opens the file dialog `request` (ModalFormOpen set meanwhile);
    // without it (the gallery) the button does nothing.
    frmSkypePath(AppState &state, UserPrompt *dialogs, FileDialogRequest request, QWidget *parent = nullptr);

    // The program chosen; empty while none was.
    QString chosenPath() const { return m_chosen; }

    QLabel *lblMessage() const { return m_message; }
    QPushButton *btnSkype() const { return m_skype; }

    static QString messageText();

private:
    void btnSkype_Click();

    UserPrompt *m_dialogs;
    FileDialogRequest m_request;
    QLabel *m_message;
    QPushButton *m_skype;
    QString m_chosen;
};

// The gallery's drawing of this window.
void registerSkypeLocatorWindow(Gallery &gallery);
