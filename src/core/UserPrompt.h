#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Button and icon styles of the system message box, numbered as the platform
// numbers them so that the message catalog's button codes carry over.
namespace MsgStyle {
inline constexpr int OkOnly = 0;
inline constexpr int OkCancel = 1;
inline constexpr int YesNoCancel = 3;
inline constexpr int YesNo = 4;
inline constexpr int Critical = 16; // stop icon
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
} // namespace MsgStyle

// What the system message box returns.
namespace MsgResult {
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
} // namespace MsgResult

// frmMsgBox's ReturnCode.
namespace MsgBoxCode {
inline constexpr int Yes = 0;
inline constexpr int No = 1;
inline constexpr int Cancel = 2; // also the title bar's Close
} // namespace MsgBoxCode

struct FileDialogRequest
{
    QString title;
    QString initialFolder;
    QString filter; // "Label (*.a;*.b)|*.a;*.b" as the dialog's filter text
    bool multiSelect = false;
};

// Everything a flow may ask of the user. The windows implement it with the
// skinned dialogs; tests implement it with scripted answers. Every modal
// call keeps ModalFormOpen set while it is on screen.
class UserPrompt
{
public:
    virtual ~UserPrompt() = default;

    // The system message box; returns a MsgResult value.
    virtual int systemMessage(const QString &text, int style, const QString &title) = 0;

    // frmMsgBox: a confirmation with the chosen buttons; returns a MsgBoxCode.
    virtual int confirm(const QString &message, bool showYes, bool showNo, bool showCancel) = 0;

    // A confirmation whose Yes and No buttons say `yes` and `no`; returns a
    // MsgBoxCode (Cancel as the third answer).
    virtual int choose(const QString &message, const QString &yes, const QString &no)
    {
        Q_UNUSED(yes);
        Q_UNUSED(no);
        return confirm(message, true, true, true);
    }

    // frmMsgAutoClose: "Done!" for one second.
    virtual void done() = 0;
    // "Done!" with where the result went beside it: `detail` on a line of
    // its own and a link that runs `openFolder`. Without windows it is the
    // plain note.
    virtual void doneWith(const QString &detail, const std::function<void()> &openFolder)
    {
        Q_UNUSED(detail);
        Q_UNUSED(openFolder);
        done();
    }

    // frmInternetConnection.
    virtual void internetConnectionError() = 0;

    // frmNote, the upload-size note; leaves NoteSuppressed as the user ticked it.
    virtual void uploadSizeNote() = 0;

    // The common file-open dialog; the chosen full paths, empty when cancelled.
    virtual QStringList openFiles(const FileDialogRequest &request) = 0;

    // frmError: shows an error report; the program ends once it closes.
    // Prompts without windows have nothing to show: the report file is the
    // record.
    virtual void errorReport(const QString &report) { Q_UNUSED(report); }
};
