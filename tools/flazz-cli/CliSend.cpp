// flazz-cli send and flazz-cli queue: a destination button's work from a
// script, on the sign-in stored by the program (or by flazz-cli signin).

#include "CliSupport.h"
#include "cloudfolders/CloudConnector.h"
#include "cloudfolders/SyncFolders.h"
#include "cloudfolders/clsDropbox.h"
#include "cloudfolders/clsGoogle.h"
#include "cloudfolders/clsSkydrive.h"
#include "cloudfolders/flows/CloudFolderFlow.h"
#include "core/AppState.h"
#include "core/DataInstall.h"
#include "core/UploadSizes.h"
#include "imaging/cGDIpToken.h"
#include "photoset/AddProgress.h"
#include "photoset/PhotoAdder.h"
#include "photoset/PhotoCheck.h"
#include "photoset/SendEstimate.h"
#include "photoset/clsTray.h"
#include "platform/ProcessInfo.h"
#include "platform/ShellFolders.h"
#include "rclone/RcloneCommand.h"
#include "rclone/RcloneConnector.h"
#include "rclone/RcloneNames.h"
#include "uploader/QueuedUploader.h"
#include "uploader/UploadQueue.h"
#include "webkit/Service.h"
#include "webkit/ServiceConfig.h"
#include "webkit/ServiceId.h"
#include "webkit/SignIn.h"
#include "webkit/ToolkitError.h"
#include "webservices/clsFacebook.h"
#include "webservices/clsFlickr.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTextStream>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

int cliSend(const QStringList &args);
int cliQueue(const QStringList &args);

namespace {

constexpr char kHelp[] =
    "Usage: flazz-cli send SERVICE [--folder NAME] [--size 0|800|1024|1600] [--description TEXT]\n"
    "                      [--keep-metadata] [--again] [--no-wait] [--dry-run] [--services FILE] PATH...\n"
    "\n"
    "Sends photos as the SERVICE button does (facebook, flickr, dropbox, google,\n"
    "skydrive), on the sign-in stored before (flazz-cli signin SERVICE), or to\n"
    "rclone:NAME, a remote of rclone's configuration (flazz-cli remotes). PATH...\n"
    "are added by the photo set's rules. --folder names the album or folder, found\n"
    "or made; without it the service's default. With the service's desktop client\n"
    "the photos are copied into its sync folder; otherwise the background uploader\n"
    "takes them and this command follows the job to its end (--no-wait prints the\n"
    "job's id once it is queued). Photos keep their date, orientation, colour\n"
    "profile, artist, copyright and description, and lose their GPS position,\n"
    "serial numbers, owner, maker notes and thumbnails; --keep-metadata keeps all.\n"
    "A photo already sent to the same account and folder is skipped (see\n"
    "flazz-cli history); --again sends it all the same.\n"
    "\n"
    "Prints one tab-separated line per file as it is settled (a backslash, TAB,\n"
    "CR or LF in a field is written \\\\, \\t, \\r or \\n):\n"
    "  sent     REMOTE-ID    PATH\n"
    "  copied   DESTINATION  PATH\n"
    "  failed   REASON       PATH\n"
    "  refused  REASON       PATH\n"
    "  skipped  already sent DATE  PATH\n"
    "Progress and every retry (its reason and the next attempt's time) go to\n"
    "standard error.\n"
    "\n"
    "--dry-run sends nothing, queues nothing and needs no sign-in: the photos are\n"
    "added as above (refused lines included), then one line per photo tells what\n"
    "would leave (REMOVED: the metadata taken out, such as gps,serial,thumbnail,\n"
    "or -), and one line per limit of the service a photo breaks (LIMIT and VALUE\n"
    "in bytes for \"file size\", in pixels for \"pixel count\"; rclone remotes\n"
    "have none here). Bytes are estimated without encoding the photos:\n"
    "  estimate  BYTES    WIDTHxHEIGHT  REMOVED  PATH\n"
    "  limit     SERVICE  file size|pixel count  LIMIT  VALUE  PATH\n"
    "\n"
    "Exit status: 0 when every photo arrived, 1 otherwise, 2 on a usage error or\n"
    "when no sign-in is stored. With --dry-run: 0 when every photo was added and\n"
    "none breaks a limit, 1 otherwise, 2 on a usage error.\n";

constexpr char kQueueHelp[] = "Usage: flazz-cli queue [--all]\n"
                              "\n"
                              "Lists the background uploader's jobs, the newest first, and their photos:\n"
                              "the jobs not done and those of the last day, or every job with --all.\n"
                              "Tab-separated (TIME is local, STATE open, stopped or ended):\n"
                              "  job    ID  TIME  SERVICE  FOLDER  STATE  REASON\n"
                              "  photo  ID  SEQ   STATE    REMOTE-ID-OR-REASON  PATH\n";

// A sign-in that never happens: send uses what is stored and says so when
// nothing is.
class NoSignIn : public SignIn
{
public:
    QString browse(const SignInPage &) override { return {}; }
    bool askAuthorize() override { return false; }
    bool askCompleteAuthorization() override { return false; }
    bool openInBrowser(const QString &) override { return false; }
};

struct Options
{
    QString named; // the SERVICE as given
    ServiceId service;
    QString folder;
    bool hasFolder = false;
    int size = 0;
    QString description;
    bool noWait = false;
    bool keepMetadata = false;
    bool again = false;
    bool dryRun = false;
    QStringList paths;
};

// Parses the command line; an empty text on success, else what was wrong.
QString parse(const QStringList &args, Options &options)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        const auto value = [&](QString *into) {
            if (++i == args.size())
                return false;
            *into = args.at(i);
            return true;
        };
        if (arg == u"--folder") {
            if (!value(&options.folder))
                return QStringLiteral("--folder needs a name");
            options.hasFolder = true;
        } else if (arg == u"--size") {
            QString size;
            bool number = false;
            if (value(&size))
                options.size = size.toInt(&number);
            const auto offered = [&](const UploadSizeChoice &choice) {
                return choice.pixels == options.size;
            };
            if (!number || std::none_of(kUploadSizes.begin(), kUploadSizes.end(), offered))
                return QStringLiteral("--size takes 0, 800, 1024 or 1600");
        } else if (arg == u"--description") {
            if (!value(&options.description))
                return QStringLiteral("--description needs a text");
        } else if (arg == u"--services") {
            QString ignored;
            if (!value(&ignored))
                return QStringLiteral("--services needs a file");
        } else if (arg.startsWith(u"--services=")) {
        } else if (arg == u"--no-wait") {
            options.noWait = true;
        } else if (arg == u"--keep-metadata") {
            options.keepMetadata = true;
        } else if (arg == u"--again") {
            options.again = true;
        } else if (arg == u"--dry-run") {
            options.dryRun = true;
        } else if (arg.startsWith(u"-")) {
            return u"unknown option " + arg;
        } else if (options.named.isEmpty()) {
            options.named = arg.toLower();
            if (arg.startsWith(u"rclone:", Qt::CaseInsensitive)) {
                // A remote's name is rclone's, letter case and all.
                options.service = ServiceId::rcloneRemote(arg.mid(7));
                options.named = options.service.text();
            } else if (const std::optional<Service> named = serviceByCommandName(arg)) {
                options.service = *named;
            }
        } else {
            options.paths << QDir::cleanPath(QFileInfo(arg).absoluteFilePath());
        }
    }
    if (options.service.isRemote()) {
        if (!isRcloneRemoteName(options.service.remote()))
            return u"no remote named " + options.service.remote();
        if (!RcloneNames::folderPath(options.folder))
            return u"\"" + options.folder + u"\" cannot name a folder";
    } else if (!options.service.service()) {
        return options.named.isEmpty() ? QStringLiteral("no service named")
                                       : u"unknown service " + options.named;
    }
    if (options.paths.isEmpty())
        return QStringLiteral("no photos named");
    if (options.service == Service::Flickr && options.hasFolder)
        return QStringLiteral("flickr takes no --folder");
    return {};
}

// The album or folder called `name`: found among the service's, else made.
QString findOrCreate(AlbumSource &source, const QString &name)
{
    for (const AlbumEntry &entry : source.albums()) {
        if (entry.text == name)
            return entry.cargo;
    }
    return source.createAlbum(name);
}

QString uploaderProgram()
{
    QString program = QueuedUploader::defaultProgram();
#ifdef FLAZZ_UPLOADER_BUILT
    // In the build tree the uploader lives beside the program, not here.
    if (!QFileInfo::exists(program) && qEnvironmentVariableIsEmpty("FLAZZ_UPLOADER"))
        program = QStringLiteral(FLAZZ_UPLOADER_BUILT);
#endif
    return program;
}

// Follows job `id` until it ends or stops: a line per photo as it is
// settled, and on standard error each retry as it is decided and, at a
// terminal, where the job stands (photos on their way included).
bool follow(const QString &queuePath, QueuedUploader &uploader, const QString &id, QTextStream &out,
            QTextStream &err)
{
    // Looks at the uploader this often; two looks in a row without one (a
    // single one may catch it starting) start it again.
    constexpr int kLooksBetweenChecks = 20;
    UploadQueue queue(queuePath);
    int looks = 0;
    int missed = 0;
    const bool terminal = platform::isTerminal(stderr);
    QSet<int> settled;
    QHash<int, int> retriesTold; // seq -> attempts already told
    bool all = true;
    bool progressShown = false;
    const auto event = [&]() -> QTextStream & {
        if (progressShown)
            err << '\n';
        progressShown = false;
        return err;
    };
    for (;;) {
        const QueuedJob job = queue.job(id);
        int sent = 0;
        int onTheirWay = 0;
        int pending = 0;
        const QList<QueuedPhoto> photos = queue.photos(id);
        for (const QueuedPhoto &photo : photos) {
            sent += photo.state == u"sent";
            onTheirWay += photo.state == u"sending";
            pending += photo.state == u"queued" || photo.state == u"sending";
            if (settled.contains(photo.seq))
                continue;
            if (photo.state == u"sent") {
                settled.insert(photo.seq);
                out << "sent\t" << tsvField(photo.remoteId) << '\t' << tsvField(photo.path) << Qt::endl;
            } else if (photo.state == u"failed") {
                settled.insert(photo.seq);
                all = false;
                out << "failed\t" << tsvField(photo.reason) << '\t' << tsvField(photo.path) << Qt::endl;
            } else if (photo.state == u"queued" && photo.attempts > retriesTold.value(photo.seq)) {
                retriesTold.insert(photo.seq, photo.attempts);
                const qint64 wait = photo.notBefore - QDateTime::currentMSecsSinceEpoch();
                event()
                    << "flazz-cli send: " << QFileInfo(photo.path).fileName() << ": " << photo.reason
                    << "; trying again at "
                    << QDateTime::fromMSecsSinceEpoch(photo.notBefore).toString(QStringLiteral("HH:mm:ss"))
                    << " (in " << qMax<qint64>(0, (wait + 999) / 1000) << " s)" << Qt::endl;
            }
        }
        if (job.state != u"open") {
            // A stopped job keeps the rest for the next sign-in.
            for (const QueuedPhoto &photo : photos) {
                if (settled.contains(photo.seq) || photo.state == u"sent" || photo.state == u"failed")
                    continue;
                all = false;
                const QString reason = job.reason.isEmpty() ? QStringLiteral("not sent") : job.reason;
                event();
                out << "failed\t" << tsvField(reason) << '\t' << tsvField(photo.path) << Qt::endl;
            }
            break;
        }
        if (++looks % kLooksBetweenChecks == 0 && pending > 0) {
            missed = uploader.uploaderRunning() ? 0 : missed + 1;
            if (missed == 2) {
                missed = 0;
                event() << "flazz-cli send: the uploader is not running; starting it again" << Qt::endl;
                if (!uploader.startUploader()) {
                    event() << "flazz-cli send: the uploader cannot be started; the photos stay queued"
                            << Qt::endl;
                    return false;
                }
            }
        }
        if (terminal) {
            err << "\rUploading to " << job.service.displayName() << ": " << sent << " of " << photos.size()
                << " sent, " << onTheirWay << " on their way   " << Qt::flush;
            progressShown = true;
        }
        QThread::msleep(100);
    }
    if (progressShown)
        err << Qt::endl;
    return all;
}

void printRefusal(QTextStream &out, const PhotoCheck &check)
{
    out << "refused\t" << refusalText(check.refusal) << '\t' << tsvField(check.FilePath) << Qt::endl;
}

// What send would do, and nothing of it: no sign-in, no queue, no upload.
int dryRun(AppState &state, UserPrompt &prompt, const Options &options, QTextStream &out)
{
    int refused = 0;
    FileProgress progress([&](const PhotoCheck &check) {
        if (check.refusal != AddRefusal::None) {
            printRefusal(out, check);
            ++refused;
        }
    });
    PhotoAdder(state, prompt, progress).AddDropped(options.paths, options.description);
    const clsTray &tray = *state.PhotoTray;
    const SendEstimate estimate = EstimateSend(tray, state.UploadSize, MetadataRuleFor(state.KeepMetadata));
    const auto path = [&tray](int i) { return tsvField(tray.PhotoInfo(i, PhotoField::FilePath)); };
    for (int i = 0; i < estimate.photos.size(); ++i) {
        const PhotoEstimate &photo = estimate.photos.at(i);
        const QString removed = photo.withheld.isEmpty() ? QStringLiteral("-") : photo.withheld.join(u',');
        out << "estimate\t" << photo.bytes << '\t' << photo.size.width() << 'x' << photo.size.height() << '\t'
            << removed << '\t' << path(i) << Qt::endl;
    }
    // rclone knows its backends' limits and says so when one is broken.
    const std::optional<Service> service = options.service.service();
    const QList<BrokenLimit> broken =
        BrokenLimits(estimate, service ? describe(*service).limits : ServiceLimits{});
    for (const BrokenLimit &limit : broken) {
        out << "limit\t" << tsvField(options.named) << '\t'
            << (limit.kind == BrokenLimit::FileSize ? "file size" : "pixel count") << '\t' << limit.limit
            << '\t' << limit.value << '\t' << path(limit.photo) << Qt::endl;
    }
    return tray.Count() > 0 && refused == 0 && broken.isEmpty() ? 0 : 1;
}

} // namespace

int cliSend(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (printedHelp(args, kHelp))
        return 0;
    Options options;
    if (const QString problem = parse(args, options); !problem.isEmpty())
        return usageError("send", problem, kHelp);

    const std::optional<ServiceConfig> services = commandServices(args, "send");
    if (!services)
        return 2;
    const ServiceConfig &config = *services;
    AppState state;
    state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    provisionAppData(state.AppDataFolder);
    state.UploadSize = options.size;
    state.KeepMetadata = options.keepMetadata;
    cGDIpToken imaging;
    clsTray tray(state.DataFolder, &imaging, state.MaxPhotos);
    state.GdiplusToken = &imaging;
    state.PhotoTray = &tray;
    ConsolePrompt prompt(err);
    if (options.dryRun)
        return dryRun(state, prompt, options, out);
    NoSignIn signIn;
    const auto notSignedIn = [&] {
        err << "flazz-cli send: not signed in to " << options.named << "; run 'flazz-cli signin "
            << options.named << "' first." << Qt::endl;
        return 2;
    };
    const QString queuePath = UploadQueue::pathIn(state.DataFolder);
    const QString servicesFile = ServiceConfig::overridePath(args);
    QueuedUploader uploader(queuePath, uploaderProgram(),
                            servicesFile.isEmpty() ? QStringList()
                                                   : QStringList{QStringLiteral("--services"), servicesFile});
    uploader.setPreparedCopies([&tray](const QString &path, int uploadSize, MetadataRule rule) {
        return tray.PreparedCopyOf(path, uploadSize, rule);
    });
    uploader.setContentDigests([&tray](const QString &path) { return tray.ContentDigestOf(path); });

    // Where the photos go is settled before any is added: a missing sign-in
    // or folder is told at once, and the uploader can send the first photos
    // while the rest are still being read.
    const ServiceId &service = options.service;
    UploadJobSpec spec;
    spec.service = service;
    spec.uploadSize = state.UploadSize;
    spec.keepMetadata = state.KeepMetadata;
    QString syncDestination; // the desktop client's folder, when it is there
    // A remote's names, decided as the photos are queued.
    std::optional<RcloneNames> remoteNames;
    try {
        if (options.service.isRemote()) {
            const QString name = options.service.remote();
            const RcloneSetup setup = RcloneSetup::find(config.rclone.config);
            QList<RcloneRemoteInfo> remotes;
            QString error;
            if (!listRcloneRemotes(setup, &remotes, &error)) {
                err << "flazz-cli send: " << error << Qt::endl;
                return 1;
            }
            if (std::none_of(remotes.cbegin(), remotes.cend(),
                             [&](const RcloneRemoteInfo &r) { return r.name == name; })) {
                err << "flazz-cli send: rclone has no remote called " << name
                    << "; 'flazz-cli remotes' lists them." << Qt::endl;
                return 2;
            }
            RcloneConnector remote(setup, name, {}, signIn, prompt);
            if (!remote.IsAuthoriseUserExist())
                return 1; // the remote's refusal is on standard error
            spec.service = remote.service();
            spec.target = *RcloneNames::folderPath(options.folder);
            if (!spec.target.isEmpty() && remote.createAlbum(spec.target).isEmpty())
                return 1;
            remoteNames = remote.namesIn(spec.target);
            if (!remoteNames)
                return 1;
        } else if (service == Service::Facebook) {
            clsFacebook facebook(state, config, signIn, prompt);
            if (!facebook.IsAuthoriseUserExist())
                return notSignedIn();
            spec.token = facebook.AccessToken();
            spec.target = options.hasFolder ? findOrCreate(facebook, options.folder) : QStringLiteral("me");
            spec.privacy = QStringLiteral("ALL_FRIENDS");
            if (spec.target.isEmpty())
                return 1;
        } else if (service == Service::Flickr) {
            clsFlickr flickr(state, config, signIn, prompt);
            spec.token = flickr.GetFlickrUserAuthCode();
            if (spec.token.isEmpty() || !flickr.CheckFlickrUser(spec.token))
                return notSignedIn();
        } else {
            std::unique_ptr<CloudConnector> connector;
            QString syncFolder;
            if (service == Service::Dropbox) {
                connector = std::make_unique<clsDropbox>(state, config, signIn, prompt);
                syncFolder = GetDropboxFolder();
            } else if (service == Service::Google) {
                connector = std::make_unique<clsGoogle>(state, config, signIn, prompt);
                syncFolder = GetGoogleDriveFolder(state);
            } else {
                connector = std::make_unique<clsSkydrive>(state, config, signIn, prompt);
                syncFolder = GetSkyDriveFolder();
            }
            if (!connector->IsAuthoriseUserExist())
                return notSignedIn();
            if (!syncFolder.isEmpty()) {
                // The desktop client uploads what lands in its folder.
                syncDestination = QDir(syncFolder).filePath(options.folder);
            } else {
                if (options.hasFolder) {
                    spec.target = findOrCreate(*connector, options.folder);
                    if (service == Service::Dropbox)
                        spec.target = options.folder; // Dropbox names its folders by path
                    if (spec.target.isEmpty())
                        return 1;
                }
                spec.token = connector->AccessToken();
                if (service == Service::Dropbox)
                    spec.tokenSecret = connector->AccessTokenSecret();
            }
        }
    } catch (const ToolkitError &error) {
        err << "flazz-cli send: " << error.description() << Qt::endl;
        return 1;
    }

    // Photos go to the uploader a few at a time while they are added, in
    // the photo set's order.
    constexpr int kHandOverPhotos = 8;
    constexpr int kHandOverMs = 500;
    QString job;
    QString queueProblem;
    int handed = 0;
    std::unique_ptr<UploadQueue> history;
    if (!options.again && syncDestination.isEmpty()) {
        history = std::make_unique<UploadQueue>(queuePath);
        spec.account = uploader.signedInAccount(spec.service);
    }
    QElapsedTimer sinceHanded;
    sinceHanded.start();
    const auto handOver = [&](bool last) {
        const int count = tray.Count();
        if (!syncDestination.isEmpty() || !queueProblem.isEmpty() || count == handed ||
            (!last && count - handed < kHandOverPhotos && sinceHanded.elapsed() < kHandOverMs))
            return;
        QStringList paths;
        for (int i = handed; i < count; ++i)
            paths << tray.PhotoInfo(i, PhotoField::FilePath);
        if (history) {
            QStringList digests;
            for (const QString &path : paths)
                digests << QString::fromLatin1(tray.ContentDigestOf(path));
            const QHash<QString, SentRecord> sent =
                history->sentBefore(spec.service, spec.account, spec.target, digests);
            QStringList unsent;
            for (qsizetype i = 0; i < paths.size(); ++i) {
                const auto before = sent.constFind(digests.at(i));
                if (before == sent.constEnd()) {
                    unsent << paths.at(i);
                    continue;
                }
                out << "skipped\talready sent "
                    << QDateTime::fromMSecsSinceEpoch(before->sent).toString(QStringLiteral("yyyy-MM-dd"))
                    << '\t' << tsvField(paths.at(i)) << Qt::endl;
            }
            paths = unsent;
            if (paths.isEmpty()) {
                handed = count;
                return;
            }
        }
        // Names are claimed only by the photos that go.
        QStringList names;
        for (const QString &path : std::as_const(paths)) {
            if (remoteNames)
                names << remoteNames->claim(QFileInfo(path).fileName());
        }
        try {
            if (job.isEmpty())
                job = uploader.openJob(spec);
            QList<UploadItem> items = uncheckedItems(paths, QStringList(paths.size(), options.description));
            for (qsizetype i = 0; i < names.size(); ++i)
                items[i].name = names.at(i);
            uploader.appendToJob(job, std::move(items));
            handed = count;
            sinceHanded.restart();
        } catch (const ToolkitError &error) {
            queueProblem = error.description();
        }
    };

    int refused = 0;
    FileProgress progress([&](const PhotoCheck &check) {
        if (check.refusal != AddRefusal::None) {
            printRefusal(out, check);
            ++refused;
        }
        handOver(false);
    });
    PhotoAdder(state, prompt, progress).AddDropped(options.paths, options.description);
    handOver(true);
    try {
        if (!job.isEmpty())
            uploader.sealJob(job);
    } catch (const ToolkitError &error) {
        queueProblem = error.description();
    }
    if (!queueProblem.isEmpty()) {
        // What was queued still goes; the job ends by itself when no more come.
        err << "flazz-cli send: " << queueProblem << Qt::endl;
        return 1;
    }
    if (tray.Count() == 0)
        return 1;
    if (job.isEmpty() && syncDestination.isEmpty()) // every photo was sent before
        return refused == 0 ? 0 : 1;

    if (!syncDestination.isEmpty()) {
        QDir().mkpath(syncDestination);
        bool all = true;
        for (int i = 0; i < tray.Count(); ++i) {
            const QString path = tray.PhotoInfo(i, PhotoField::FilePath);
            const QString copy =
                QDir(syncDestination).filePath(CloudFolderFlow::FreeCopyName(syncDestination, path));
            if (CloudFolderFlow::CopyPhoto(path, copy, MetadataRuleFor(state.KeepMetadata))) {
                out << "copied\t" << tsvField(copy) << '\t' << tsvField(path) << Qt::endl;
            } else {
                out << "failed\tcould not be copied\t" << tsvField(path) << Qt::endl;
                all = false;
            }
        }
        return all && refused == 0 ? 0 : 1;
    }

    if (options.noWait) {
        out << job << Qt::endl;
        return 0;
    }
    const bool all = follow(queuePath, uploader, job, out, err);
    return all && refused == 0 ? 0 : 1;
}

int cliQueue(const QStringList &args)
{
    QTextStream out(stdout);
    if (printedHelp(args, kQueueHelp))
        return 0;
    const bool all = args == QStringList{QStringLiteral("--all")};
    if (!args.isEmpty() && !all) {
        QTextStream(stderr) << kQueueHelp;
        return 2;
    }
    AppState state;
    state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    UploadQueue queue(UploadQueue::pathIn(state.DataFolder));
    if (!queue.isOpen()) {
        QTextStream(stderr) << "flazz-cli queue: " << queue.errorText() << Qt::endl;
        return 1;
    }
    constexpr qint64 kRecentMs = 24 * 3600 * 1000;
    const qint64 since = QDateTime::currentMSecsSinceEpoch() - kRecentMs;
    for (const QueuedJob &job : queue.allJobs()) {
        if (!all && job.state == u"ended" && job.created < since)
            continue;
        out << "job\t" << job.id << '\t'
            << QDateTime::fromMSecsSinceEpoch(job.created).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
            << '\t' << job.service.text() << '\t' << tsvField(job.target) << '\t' << job.state << '\t'
            << tsvField(job.reason) << Qt::endl;
        for (const QueuedPhoto &photo : queue.photos(job.id))
            out << "photo\t" << job.id << '\t' << photo.seq << '\t' << photo.state << '\t'
                << tsvField(photo.state == u"sent" ? photo.remoteId : photo.reason) << '\t'
                << tsvField(photo.path) << Qt::endl;
    }
    return 0;
}
