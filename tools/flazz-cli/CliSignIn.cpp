// flazz-cli signin: a service's own sign-in on a terminal. The address the
// user must open goes to standard output alone on a line; one line on
// standard input says the browser is done (the end of input is Cancel). The
// token lands in the settings file exactly where the windows put it.

#include "CliSupport.h"
#include "cloudfolders/clsDropbox.h"
#include "core/AppState.h"
#include "core/DataInstall.h"
#include "core/UserPrompt.h"
#include "platform/ShellFolders.h"
#include "webkit/Service.h"
#include "webkit/ServiceConfig.h"
#include "webkit/TerminalSignIn.h"
#include "webservices/clsFlickr.h"

#include <QTextStream>

int cliSignIn(const QStringList &args);
int cliSignInBrowser(const QStringList &args);
int cliSignInRclone(const QStringList &args);

namespace {

constexpr char kHelp[] = "Usage: flazz-cli signin [--services FILE] SERVICE\n"
                         "\n"
                         "Signs Flazz in to SERVICE (dropbox, flickr) as the program's own sign-in\n"
                         "does, and stores the token in the settings file. For facebook, google and\n"
                         "skydrive see 'flazz-cli signin facebook --help'.\n"
                         "\n"
                         "Prints the address to open in a browser alone on a line: open it, approve\n"
                         "Flazz there, then press Enter; the end of input cancels. Then prints\n"
                         "  signed in  SERVICE  ACCOUNT-ID  NAME\n"
                         "separated by tabs. Messages go to standard error.\n"
                         "\n"
                         "--services FILE  points the services elsewhere (an INI file as for the program).\n"
                         "\n"
                         "Exit status: 0 when signed in, 1 when the sign-in was refused, failed or\n"
                         "was cancelled, 2 on a usage error.\n";

struct SignInContext
{
    AppState &state;
    const ServiceConfig &config;
    SignIn &signIn;
    UserPrompt &ui;
};

struct SignInOutcome
{
    bool signedIn = false;
    QString account;
    QString name;
    QString serviceMessage; // the service's own words for a refusal
};

SignInOutcome signInDropbox(SignInContext &c)
{
    clsDropbox dropbox(c.state, c.config, c.signIn, c.ui);
    const bool ok = dropbox.CreateAccount();
    return {ok, dropbox.uid(), dropbox.displayName(), dropbox.lastServiceError()};
}

SignInOutcome signInFlickr(SignInContext &c)
{
    clsFlickr flickr(c.state, c.config, c.signIn, c.ui);
    const bool ok = flickr.CreateFlickrAccount();
    return {ok, flickr.userId(), flickr.userName(), flickr.lastServiceError()};
}

struct TerminalService
{
    Service service;
    SignInOutcome (*run)(SignInContext &);
};

// Add a service by adding its line here.
constexpr TerminalService kServices[] = {
    {Service::Dropbox, signInDropbox},
    {Service::Flickr, signInFlickr},
};

} // namespace

int cliSignIn(const QStringList &args)
{
    // The services signed in inside the program's own browser window read
    // back where the browser ended; theirs is a sign-in of its own.
    for (const QString &arg : args) {
        if (arg.startsWith(u"rclone:", Qt::CaseInsensitive))
            return cliSignInRclone(args);
        if (const std::optional<Service> named = serviceByCommandName(arg);
            named && describe(*named).signInModule >= 0)
            return cliSignInBrowser(args);
    }
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList names;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (arg == u"--help" || arg == u"-h") {
            out << kHelp;
            return 0;
        }
        if (arg == u"--services") {
            if (++i == args.size())
                return usageError("signin", QStringLiteral("--services needs a file"), kHelp);
            continue;
        }
        if (arg.startsWith(u"--services="))
            continue;
        if (arg.startsWith(u"-"))
            return usageError("signin", u"unknown option " + arg, kHelp);
        names << arg;
    }
    const TerminalService *service = nullptr;
    for (const TerminalService &candidate : kServices) {
        if (names.size() == 1 && serviceByCommandName(names.first()) == candidate.service)
            service = &candidate;
    }
    if (!service) {
        if (names.size() == 1)
            err << "flazz-cli signin: unknown service " << names.first() << "\n\n";
        err << kHelp;
        return 2;
    }

    const std::optional<ServiceConfig> config = commandServices(args, "signin");
    if (!config)
        return 2;
    AppState state;
    state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    provisionAppData(state.AppDataFolder);
    QTextStream in(stdin);
    TerminalSignIn terminal(out, in, &err);
    ConsolePrompt prompt(err);
    SignInContext context{state, *config, terminal, prompt};

    const SignInOutcome outcome = service->run(context);
    const QString command = QString::fromUtf16(describe(service->service).commandName);
    if (outcome.signedIn) {
        out << "signed in\t" << command << '\t' << tsvField(outcome.account) << '\t' << tsvField(outcome.name)
            << Qt::endl;
        return 0;
    }
    if (!outcome.serviceMessage.isEmpty())
        err << command << ": " << outcome.serviceMessage << Qt::endl;
    else if (prompt.messages() == 0)
        err << "flazz-cli signin: not signed in" << Qt::endl;
    return 1;
}
