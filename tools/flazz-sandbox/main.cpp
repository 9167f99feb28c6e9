// flazz-sandbox: the stand-ins of every online service on this machine, so
// that every destination can be tried without an account. It prints the
// address of its page, writes the service configuration that points Flazz at
// it, and runs until it is told to stop.

#include "platform/AtomicFile.h"
#include "platform/ShellFolders.h"
#include "platform/StopRequests.h"
#include "rclone/RcloneWebdavServer.h"
#include "sandbox/Sandbox.h"
#include "sandbox/SandboxServices.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QTextStream>

namespace {

// The services file with the sandbox's rclone configuration in its place.
QByteArray withRcloneConfig(QByteArray services, const QString &config)
{
    const QByteArray empty = "\n[Rclone]\nConfig=\"\"\n";
    const QByteArray group = "\n[Rclone]\nConfig=\"" + config.toUtf8() + "\"\n";
    if (services.contains(empty))
        return services.replace(empty, group);
    return config.isEmpty() ? services : services + group;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("flazz-sandbox"));
    // A photo that does not decode still arrives; the page just shows no thumbnail.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.gui.imageio.warning=false"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays every online service of Flazz on 127.0.0.1 and shows what arrives on its page."));
    parser.addHelpOption();
    const QCommandLineOption storeOption(
        QStringLiteral("store"), QStringLiteral("Keep accounts, albums and arrived photos in DIR."),
        QStringLiteral("DIR"),
        platform::shellFolder(platform::ShellFolder::LocalAppData) + u"/Korvantis/Flazz/sandbox");
    const QCommandLineOption servicesOption(
        QStringLiteral("services-out"),
        QStringLiteral("Write the service configuration that points Flazz at the sandbox to FILE "
                       "(for \"flazz --services FILE\"), and the token its /control calls need to "
                       "FILE.token."),
        QStringLiteral("FILE"));
    const QCommandLineOption portOption(
        QStringLiteral("port"), QStringLiteral("Serve the page on this port (default: any free one)."),
        QStringLiteral("PORT"), QStringLiteral("0"));
    const QCommandLineOption stdinOption(
        QStringLiteral("exit-with-stdin"),
        QStringLiteral("Stop when standard input closes (the starting program went)."));
    parser.addOptions({storeOption, servicesOption, portOption, stdinOption});
    parser.process(app);

    // Listen for stop requests before the address is out: whoever reads it
    // may ask at once.
    platform::onStopRequest(&app, [] { QCoreApplication::quit(); });
    if (parser.isSet(stdinOption))
        platform::onStandardInputClosed(&app, [] { QCoreApplication::quit(); });

    QTextStream out(stdout);
    QTextStream err(stderr);
    bool portOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    if (!portOk || port > 65535) {
        err << "flazz-sandbox: --port takes a number from 0 to 65535\n";
        return 2;
    }
    const QString store = QDir::cleanPath(parser.value(storeOption));
    if (!QDir().mkpath(store)) {
        err << "flazz-sandbox: cannot create the store folder " << store << '\n';
        return 1;
    }

    Sandbox sandbox(store, sandboxServices(), quint16(port));
    if (!sandbox.listening()) {
        err << "flazz-sandbox: cannot listen on 127.0.0.1\n";
        return 1;
    }
    // A WebDAV remote of rclone's, from a folder of the sandbox's own and in
    // a configuration file of its own: the user's rclone configuration is
    // never touched, and Flazz is told of this one through the services file.
    const QString rcloneFolder = QDir(store).filePath(QStringLiteral("rclone"));
    const QString rcloneConfig = QDir(rcloneFolder).filePath(QStringLiteral("rclone.conf"));
    RcloneWebdavServer webdav(RcloneSetup::find(rcloneConfig),
                              QDir(rcloneFolder).filePath(QStringLiteral("files")));
    QString rcloneProblem;
    QFile::remove(rcloneConfig); // its port was the last run's
    if (!webdav.start())
        rcloneProblem = webdav.failure();
    else if (!webdav.addToConfig(rcloneConfig, QStringLiteral("sandbox"), &rcloneProblem))
        webdav.stop();
    if (parser.isSet(servicesOption)) {
        const QString services = parser.value(servicesOption);
        const QString token = services + u".token";
        // Owner-only, as the page that also carries it is the owner's: no
        // other web page may switch the sandbox.
        if (!platform::writeFileAtomically(
                services,
                withRcloneConfig(sandbox.servicesFile(), rcloneProblem.isEmpty() ? rcloneConfig : QString()),
                platform::FileAccess::OwnerOnly) ||
            !platform::writeFileAtomically(token, sandbox.controlToken().toLatin1() + '\n',
                                           platform::FileAccess::OwnerOnly)) {
            err << "flazz-sandbox: cannot write " << services << " or " << token << '\n';
            return 1;
        }
    }

    out << "Flazz sandbox: " << sandbox.homeUrl() << "/\n";
    out << "Store: " << store << '\n';
    const QStringList names = sandbox.serviceNames();
    out << "Services: " << (names.isEmpty() ? QStringLiteral("none yet") : names.join(u", ")) << '\n';
    if (parser.isSet(servicesOption)) {
        out << "Control token: " << parser.value(servicesOption) << ".token\n";
        out << "Services file: " << parser.value(servicesOption) << '\n';
    }
    if (rcloneProblem.isEmpty())
        out << "rclone remote: sandbox (WebDAV at " << webdav.url() << "), photos land in "
            << QDir(rcloneFolder).filePath(QStringLiteral("files")) << '\n';
    else
        err << "flazz-sandbox: no rclone remote: " << rcloneProblem << '\n';
    out.flush();

    const int code = app.exec();
    out << "Flazz sandbox stopped.\n";
    return code;
}
