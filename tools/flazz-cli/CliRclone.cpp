// flazz-cli remotes and flazz-cli signin rclone:TYPE NAME: the remotes of
// the user's rclone configuration, which rclone reads itself (RCLONE_CONFIG
// is honoured; a services file may name another one), and rclone's own
// sign-in for a new one.

#include "CliSupport.h"
#include "rclone/RcloneCommand.h"
#include "webkit/ServiceConfig.h"
#include "webkit/TerminalSignIn.h"

#include <QTextStream>

#include <optional>

int cliRemotes(const QStringList &args);
int cliSignInRclone(const QStringList &args);

namespace {

constexpr char kRemotesHelp[] =
    "Usage: flazz-cli remotes [--services FILE]\n"
    "\n"
    "Lists the remotes of rclone's configuration, one per line:\n"
    "  NAME  TYPE\n"
    "separated by a tab. 'flazz-cli send rclone:NAME' sends to one.\n"
    "\n"
    "Exit status: 0 listed, 1 when rclone cannot list them, 2 on a usage error.\n";

constexpr char kSignInHelp[] =
    "Usage: flazz-cli signin [--services FILE] rclone:TYPE NAME [KEY=VALUE...]\n"
    "\n"
    "Makes remote NAME of TYPE (drive, dropbox, onedrive, googlephotos, box, ...)\n"
    "in rclone's configuration through rclone's own sign-in; for an existing remote\n"
    "NAME of that type, signs it in again. KEY=VALUE pairs go to rclone as options of\n"
    "the remote (client_id=..., for one).\n"
    "\n"
    "Prints the address of rclone's sign-in page alone on a line. Once you have\n"
    "approved there, press Enter; the end of input cancels. Then prints\n"
    "  signed in  rclone:NAME  TYPE\n"
    "separated by tabs. The remote's token stays in rclone's configuration.\n"
    "\n"
    "Exit status: 0 when signed in, 1 when the sign-in failed or was cancelled,\n"
    "2 on a usage error.\n";

// The arguments without --services FILE; false when the option lacks its file.
bool withoutServices(const QStringList &args, QStringList *rest)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) == u"--services") {
            if (++i == args.size())
                return false;
        } else if (!args.at(i).startsWith(u"--services=")) {
            *rest << args.at(i);
        }
    }
    return true;
}

// The rclone the services file names, if any; nothing (told) when the file
// cannot be read.
std::optional<RcloneSetup> setupFor(const QStringList &args, const char *command)
{
    const std::optional<ServiceConfig> services = commandServices(args, command);
    if (!services)
        return std::nullopt;
    return RcloneSetup::find(services->rclone.config);
}

} // namespace

int cliRemotes(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList rest;
    if (printedHelp(args, kRemotesHelp))
        return 0;
    if (!withoutServices(args, &rest) || !rest.isEmpty()) {
        err << kRemotesHelp;
        return 2;
    }
    const std::optional<RcloneSetup> setup = setupFor(args, "remotes");
    if (!setup)
        return 2;
    QList<RcloneRemoteInfo> remotes;
    QString error;
    if (!listRcloneRemotes(*setup, &remotes, &error)) {
        err << "flazz-cli remotes: " << error << Qt::endl;
        return 1;
    }
    for (const RcloneRemoteInfo &remote : remotes)
        out << tsvField(remote.name) << '\t' << tsvField(remote.type) << '\n';
    out.flush();
    return 0;
}

int cliSignInRclone(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (printedHelp(args, kSignInHelp))
        return 0;
    QStringList rest;
    QString type;
    QString name;
    QStringList options;
    bool usable = withoutServices(args, &rest) && rest.size() >= 2;
    if (usable) {
        type = rest.takeFirst().mid(7).toLower();
        name = rest.takeFirst();
        for (const QString &pair : rest) {
            const qsizetype equals = pair.indexOf(u'=');
            usable = usable && equals > 0;
            options << pair.left(equals) << pair.mid(equals + 1);
        }
    }
    if (!usable || !isRcloneRemoteName(name)) {
        err << "flazz-cli signin: "
            << (usable ? u"\"" + name + u"\" cannot name a remote"
                       : QStringLiteral("rclone:TYPE NAME expected"))
            << "\n\n"
            << kSignInHelp;
        return 2;
    }
    if (!isBrowserSignInType(type)) {
        err << "flazz-cli signin: a " << type
            << " remote signs in without a browser; make it with 'rclone config'" << Qt::endl;
        return 2;
    }

    const std::optional<RcloneSetup> found = setupFor(args, "signin");
    if (!found)
        return 2;
    const RcloneSetup &setup = *found;
    QList<RcloneRemoteInfo> remotes;
    QString error;
    if (!listRcloneRemotes(setup, &remotes, &error)) {
        err << "flazz-cli signin: " << error << Qt::endl;
        return 1;
    }
    bool exists = false;
    for (const RcloneRemoteInfo &remote : remotes) {
        if (remote.name != name)
            continue;
        if (remote.type != type) {
            err << "flazz-cli signin: " << name << " is a " << remote.type << " remote, not " << type
                << Qt::endl;
            return 1;
        }
        exists = true;
    }
    QTextStream in(stdin);
    TerminalSignIn terminal(out, in);
    if (!authorizeRcloneRemote(setup, name, type, options, exists, terminal, &error)) {
        err << "flazz-cli signin: " << error << Qt::endl;
        return 1;
    }
    out << "signed in\t" << tsvField(u"rclone:" + name) << '\t' << tsvField(type) << Qt::endl;
    return 0;
}
