#include "settingsui/ui/SettingsGallery.h"

#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "core/ui/Gallery.h"
#include "platform/Shell.h"
#include "settingsui/ui/RcloneAccountsPage.h"
#include "settingsui/ui/frmCallOut.h"
#include "settingsui/ui/frmSettings.h"
#include "webkit/SignIn.h"

#include "webkit/ServiceConfig.h"
#include <QFrame>

#include <QObject>

#include <memory>

namespace {

class QuietShell final : public platform::Shell
{
public:
    bool open(const QString &) override { return false; }
    bool startProgram(const QString &, const QString &, const QString &) override { return false; }
};

class QuietPrompt final : public UserPrompt
{
public:
    int systemMessage(const QString &, int, const QString &) override { return MsgResult::Ok; }
    int confirm(const QString &, bool, bool, bool) override { return MsgBoxCode::No; }
    void done() override {}
    void internetConnectionError() override {}
    void uploadSizeNote() override {}
    QStringList openFiles(const FileDialogRequest &) override { return {}; }
};

class QuietSignIn final : public SignIn
{
public:
    QString browse(const SignInPage &) override { return {}; }
    bool askAuthorize() override { return false; }
    bool askCompleteAuthorization() override { return false; }
    bool openInBrowser(const QString &) override { return false; }
};

// The Settings window on one of its pages.
std::unique_ptr<QWidget> settingsOn(AppState &state, int page)
{
    static QuietShell shell;
    static QuietPrompt prompt;
    state.UploadSize = 1024;
    auto window = std::make_unique<frmSettings>(state, prompt, shell, ServiceConfig::defaults().product.site);
    if (page == frmSettings::CloudPage) {
        // An rclone configuration that is not there: no account of the
        // machine's shows up in a picture.
        static QuietSignIn signIn;
        QFrame *frame = window->page(frmSettings::CloudPage);
        auto *accounts = new RcloneAccountsPage(RcloneSetup::find(state.DataFolder + u"rclone.conf"),
                                                state.SettingsFile, signIn, prompt, frame);
        accounts->move(12, 36);
    }
    window->show(); // loads the lists and the first page
    window->btnMode_Click(page);
    return window;
}

} // namespace

void registerSettingsWindows(Gallery &gallery)
{
    gallery.add(QStringLiteral("frmCallOut"), [](AppState &state) {
        auto window = std::make_unique<frmCallOut>(state);
        window->SetCaption(QStringLiteral("Active"));
        window->SetMessage(
            QStringLiteral("To access options from the Sys Tray, please close the active form first."));
        return window;
    });
    gallery.add(QStringLiteral("frmSettings"),
                [](AppState &state) { return settingsOn(state, frmSettings::SkinPage); });
    gallery.add(QStringLiteral("frmSettings-flazz"),
                [](AppState &state) { return settingsOn(state, frmSettings::UploadPage); });
    gallery.add(QStringLiteral("frmSettings-authorization"),
                [](AppState &state) { return settingsOn(state, frmSettings::AuthorizationPage); });
    gallery.add(QStringLiteral("frmSettings-cloud"),
                [](AppState &state) { return settingsOn(state, frmSettings::CloudPage); });
    gallery.add(QStringLiteral("frmSettings-about"),
                [](AppState &state) { return settingsOn(state, frmSettings::AboutPage); });
}
