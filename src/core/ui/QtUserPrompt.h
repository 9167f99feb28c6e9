#pragma once

#include "core/UserPrompt.h"
#include "core/ui/ProgramEnd.h"

#include <QMessageBox>

#include <functional>
#include <memory>

struct AppState;

// The program's answer to UserPrompt: the skinned windows, the system
// message box and the file dialog. Every window is shown through
// ShowFormModal, so ModalFormOpen is set while it is up.
class QtUserPrompt : public UserPrompt
{
public:
    explicit QtUserPrompt(AppState &state);

    // What the error and connection windows do when the program must end.
    void setEndProgram(EndProgramAction errorEnd, EndProgramAction connectionEnd);
    // Whether the sign-in browser is on screen: the connection window's OK
    // then ends the program.
    void setAuthBrowserShowing(std::function<bool()> showing) { m_authBrowserShowing = std::move(showing); }

    int systemMessage(const QString &text, int style, const QString &title) override;
    int confirm(const QString &message, bool showYes, bool showNo, bool showCancel) override;
    int choose(const QString &message, const QString &yes, const QString &no) override;
    void done() override;
    void doneWith(const QString &detail, const std::function<void()> &openFolder) override;
    void internetConnectionError() override;
    void uploadSizeNote() override;
    QStringList openFiles(const FileDialogRequest &request) override;
    void errorReport(const QString &report) override;

    // The message box for a style of the system message box (buttons in the
    // low bits, icon in the next).
    static std::unique_ptr<QMessageBox> makeSystemMessageBox(const QString &text, int style,
                                                             const QString &title, QWidget *parent = nullptr);
    // The MsgResult of a clicked button.
    static int messageResult(QMessageBox::StandardButton button);

    // "Label (*.a;*.b)|*.a;*.b|..." as a file dialog filter list.
    static QString qtFileFilter(const QString &filter);

private:
    QWidget *owner() const;

    AppState &m_state;
    EndProgramAction m_errorEnd;
    EndProgramAction m_connectionEnd;
    std::function<bool()> m_authBrowserShowing;
};
