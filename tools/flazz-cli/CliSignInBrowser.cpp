// flazz-cli signin facebook|google|skydrive: the sign-ins that run inside
// the program's own browser window, done on a terminal. The connectors are
// the window's own, so the token lands in the settings exactly as a sign-in
// from the window leaves it.

#include "CliSupport.h"
#include "cloudfolders/clsGoogle.h"
#include "cloudfolders/clsSkydrive.h"
#include "core/AppState.h"
#include "core/DataInstall.h"
#include "core/UserPrompt.h"
#include "platform/ShellFolders.h"
#include "webkit/Service.h"
#include "webkit/ServiceConfig.h"
#include "webkit/TerminalSignIn.h"
#include "webservices/clsFacebook.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

int cliSignInBrowser(const QStringList &args);

namespace {

constexpr char kHelp[] = "Usage: flazz-cli signin facebook|google|skydrive [--services FILE]\n"
                         "\n"
                         "Signs Flazz in to the service as its sign-in window would. The address to\n"
                         "open in a browser is printed alone on a line; sign in there, then type the\n"
                         "address the browser ended on (for google the title of the page it ended on,\n"
                         "or its address) and press Enter. The token is stored in the settings.\n"
                         "\n"
                         "On success prints: signed in<TAB>SERVICE<TAB>ACCOUNT-ID<TAB>NAME\n"
                         "Messages the window would show go to standard error. --services FILE (or\n"
                         "FLAZZ_SERVICES) points the services elsewhere, e.g. at the sandbox.\n"
                         "\n"
                         "Exit status: 0 signed in, 1 not signed in, 2 on a usage error.\n";

// SkyDrive keeps no user id of its own; the authentication token's claims
// name the user.
QString liveUser(const QString &authenticationToken)
{
    const QByteArray claims = QByteArray::fromBase64(authenticationToken.section(u'.', 1, 1).toLatin1(),
                                                     QByteArray::Base64UrlEncoding);
    return QJsonDocument::fromJson(claims).object().value(u"uid").toString();
}

} // namespace

int cliSignInBrowser(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    if (printedHelp(args, kHelp))
        return 0;
    QStringList services;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == u"--services") {
            ++i;
        } else if (!args.at(i).startsWith(u"--services=")) {
            services << args.at(i);
        }
    }
    const std::optional<Service> named =
        services.size() == 1 ? serviceByCommandName(services.first()) : std::nullopt;
    if (!named || describe(*named).signInModule < 0) {
        err << kHelp;
        return 2;
    }
    const QString service = QString::fromUtf16(describe(*named).commandName);
    const std::optional<ServiceConfig> configured = commandServices(args, "signin");
    if (!configured)
        return 2;
    const ServiceConfig &config = *configured;

    AppState state;
    state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    provisionAppData(state.AppDataFolder);
    ConsolePrompt prompt(err);
    TerminalSignIn signIn(out, in, &err);

    bool signedIn = false;
    QString account, name;
    try {
        if (*named == Service::Facebook) {
            clsFacebook facebook(state, config, signIn, prompt);
            signedIn = facebook.CreateFacebookAccount();
            account = facebook.FaceBookID();
            name = facebook.name();
        } else if (*named == Service::Google) {
            clsGoogle google(state, config, signIn, prompt);
            signedIn = google.CreateAccount();
            account = google.GoogleID();
            name = google.name();
        } else {
            clsSkydrive skyDrive(state, config, signIn, prompt);
            signedIn = skyDrive.CreateAccount();
            account = liveUser(skyDrive.AuthenticationToken());
        }
    } catch (const std::exception &e) {
        err << "flazz-cli signin: " << e.what() << Qt::endl;
        return 1;
    }
    if (!signedIn) {
        err << "flazz-cli signin: not signed in to " << service << Qt::endl;
        return 1;
    }
    // SkyDrive's sign-in names no one: its name stays empty.
    out << "signed in\t" << service << '\t' << tsvField(account) << '\t' << tsvField(name) << Qt::endl;
    return 0;
}
