// flazz-cli: the photo set's rules and destinations, scriptable and testable
// without a window. Each subcommand is one function in a file of its own.

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

int cliAdd(const QStringList &args);
int cliZip(const QStringList &args);
int cliPrint(const QStringList &args);
int cliSignIn(const QStringList &args);
int cliSend(const QStringList &args);
int cliQueue(const QStringList &args);
int cliRemotes(const QStringList &args);
int cliHistory(const QStringList &args);

namespace {

struct Command
{
    const char16_t *name;
    int (*run)(const QStringList &args);
    const char16_t *summary;
};

// Add a subcommand by adding its line here.
constexpr Command kCommands[] = {
    {u"add", cliAdd, u"add PATH...    add photos and folders as a drop would; one line per file"},
    {u"zip", cliZip,
     u"zip [--size 0|800|1024|1600] [--out FOLDER] PATH...    pack photos as the Zip button does"},
    {u"print", cliPrint, u"print --cart EMAIL | --pdf FILE PATH...    order prints online or print to a PDF"},
    {u"send", cliSend,
     u"send SERVICE [--folder NAME] [--size PIXELS] [--description TEXT] [--no-wait] PATH...    upload as "
     u"the "
     u"button does"},
    {u"queue", cliQueue,
     u"queue [--all]    list the background uploader's jobs, the newest first, and their photos"},
    {u"history", cliHistory,
     u"history [--service SERVICE] [--since DATE] | --clear    list (or forget) the photos sent"},
    {u"signin", cliSignIn,
     u"signin [--services FILE] dropbox|flickr|facebook|google|skydrive|rclone:TYPE NAME    sign in"},
    {u"remotes", cliRemotes, u"remotes    list the remotes of rclone's configuration (send to rclone:NAME)"},
};

void usage(QTextStream &out)
{
    out << "Usage: flazz-cli COMMAND [ARGS...]\n\nCommands:\n";
    for (const Command &command : kCommands)
        out << "  " << QString::fromUtf16(command.summary) << '\n';
    out << "\nCommands print tab-separated lines; a TAB, CR, LF or backslash inside a field\n"
           "(a file name, say) is written as \\t, \\r, \\n or \\\\.\n"
           "\n'flazz-cli COMMAND --help' tells more about a command.\n";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // Damaged files are reported on their own line; the image
    // reader warnings about them would only clutter the output.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.warning=false"));
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        QTextStream err(stderr);
        usage(err);
        return 2;
    }
    const QString name = args.takeFirst();
    if (name == u"--help" || name == u"-h" || name == u"help") {
        QTextStream out(stdout);
        usage(out);
        return 0;
    }
    for (const Command &command : kCommands) {
        if (name == QString::fromUtf16(command.name))
            return command.run(args);
    }
    QTextStream err(stderr);
    err << "flazz-cli: unknown command '" << name << "'\n\n";
    usage(err);
    return 2;
}
