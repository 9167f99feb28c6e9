#include "core/ui/CoreGallery.h"

#include "core/ErrorReport.h"
#include "core/ui/Gallery.h"
#include "core/ui/frmError.h"
#include "core/ui/frmInternetConnection.h"
#include "core/ui/frmMsgAutoClose.h"
#include "core/ui/frmMsgBox.h"
#include "core/ui/frmNote.h"
#include "core/ui/frmSck.h"

#include <QCheckBox>
#include <QPushButton>

namespace {

std::unique_ptr<QWidget> splash(AppState &state, const QString &mode)
{
    auto window = std::make_unique<frmSck>(state);
    window->SetMessage(mode);
    return window;
}

std::unique_ptr<QWidget> messageBox(AppState &state, bool yes, bool no, bool cancel)
{
    auto box = std::make_unique<frmMsgBox>(state);
    box->SetMessage(cancel
                        ? QStringLiteral("Do you want to keep the photos you added for the next destination?")
                        : QStringLiteral("Are you sure?"));
    box->ShowYes(yes);
    box->ShowNo(no);
    box->ShowCancel(cancel);
    return box;
}

std::unique_ptr<QWidget> errorWindow(AppState &state, bool expanded)
{
    auto window = std::make_unique<frmError>(state);
    window->setEndProgram([] {});
    const ErrorReport::Details details{QStringLiteral("Message Module"),
                                       QStringLiteral("modMessages"),
                                       QStringLiteral("funcMessageDisplay"),
                                       5,
                                       QStringLiteral("Invalid procedure call or argument"),
                                       QStringLiteral("Flazz")};
    window->setErrMsg(ErrorReport::build(details, QStringLiteral("log/Flazz-4-12-2026.err"),
                                         QDateTime(QDate(2026, 12, 4), QTime(15, 4, 5)),
                                         ErrorReport::SystemFacts::current()));
    if (expanded)
        window->cmdDetails()->click();
    return window;
}

} // namespace

void registerCoreWindows(Gallery &gallery)
{
    gallery.add(QStringLiteral("frmSck-Splash"), [](AppState &s) { return splash(s, frmSck::Splash); });
    gallery.add(QStringLiteral("frmSck-Busy"), [](AppState &s) { return splash(s, frmSck::Busy); });
    gallery.add(QStringLiteral("frmSck-Processing"), [](AppState &s) { return splash(s, QString()); });
    gallery.add(QStringLiteral("frmMsgBox-YesNo"),
                [](AppState &s) { return messageBox(s, true, true, false); });
    gallery.add(QStringLiteral("frmMsgBox-YesNoCancel"),
                [](AppState &s) { return messageBox(s, true, true, true); });
    gallery.add(QStringLiteral("frmMsgAutoClose"),
                [](AppState &s) { return std::make_unique<frmMsgAutoClose>(s); });
    gallery.add(QStringLiteral("frmNote"), [](AppState &s) {
        auto note = std::make_unique<frmNote>(s);
        note->chkDontShow()->setChecked(true);
        return note;
    });
    gallery.add(QStringLiteral("frmInternetConnection"), [](AppState &s) {
        auto window = std::make_unique<frmInternetConnection>(s);
        window->setEndProgram([] {});
        return window;
    });
    gallery.add(QStringLiteral("frmError"), [](AppState &s) { return errorWindow(s, false); });
    gallery.add(QStringLiteral("frmError-Details"), [](AppState &s) { return errorWindow(s, true); });
}
