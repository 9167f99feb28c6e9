// flazz-cli history: what the background uploader has sent, as the send
// history in the queue's database keeps it.

#include "CliSupport.h"
#include "core/AppState.h"
#include "platform/ShellFolders.h"
#include "uploader/UploadQueue.h"
#include "webkit/ServiceId.h"

#include <QDateTime>
#include <QTextStream>

int cliHistory(const QStringList &args);

namespace {

constexpr char kHelp[] = "Usage: flazz-cli history [--service SERVICE] [--since DATE]\n"
                         "       flazz-cli history --clear\n"
                         "\n"
                         "Lists the photos the background uploader sent, the newest first: of one\n"
                         "SERVICE (facebook, flickr, dropbox, google, skydrive, or rclone:NAME) and\n"
                         "since DATE (YYYY-MM-DD, or YYYY-MM-DDTHH:MM:SS, local time) when given.\n"
                         "Tab-separated (ACCOUNT is - where the sign-in records none):\n"
                         "  TIME  SERVICE  ACCOUNT  FOLDER  REMOTE-ID  PATH\n"
                         "--clear forgets every send, so that no photo counts as sent before.\n"
                         "\n"
                         "Exit status: 0 done, 1 when the history cannot be read or cleared, 2 on a\n"
                         "usage error.\n";

// The service named on the command line; empty when it names none.
ServiceId namedService(const QString &name)
{
    if (name.startsWith(u"rclone:", Qt::CaseInsensitive))
        return ServiceId::rcloneRemote(name.mid(7));
    // The queue's own name for SkyDrive is understood too.
    if (name.compare(u"live", Qt::CaseInsensitive) == 0)
        return Service::SkyDrive;
    if (const std::optional<Service> service = serviceByCommandName(name))
        return *service;
    return {};
}

} // namespace

int cliHistory(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (printedHelp(args, kHelp))
        return 0;
    const auto usage = [](const QString &problem) { return usageError("history", problem, kHelp); };
    ServiceId service;
    qint64 since = 0;
    bool clear = false;
    for (int i = 0; i < args.size(); ++i) {
        QString value;
        if (args.at(i) == u"--clear") {
            clear = true;
        } else if (optionValue(args, i, QStringLiteral("--service"), value)) {
            service = namedService(value);
            if (service.isEmpty() || (service.isRemote() && service.remote().isEmpty()))
                return usage(u"unknown service " + value);
        } else if (optionValue(args, i, QStringLiteral("--since"), value)) {
            QDateTime when = QDateTime::fromString(value, Qt::ISODate);
            if (!when.isValid())
                when = QDate::fromString(value, Qt::ISODate).startOfDay();
            if (!when.isValid())
                return usage(u"--since takes a date such as 2026-12-03, not " + value);
            since = when.toMSecsSinceEpoch();
        } else {
            return usage(u"unexpected argument " + args.at(i));
        }
    }
    if (clear && (!service.isEmpty() || since != 0))
        return usage(QStringLiteral("--clear forgets the whole history and takes no other option"));

    AppState state;
    state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    UploadQueue queue(UploadQueue::pathIn(state.DataFolder));
    if (!queue.isOpen()) {
        err << "flazz-cli history: " << queue.errorText() << Qt::endl;
        return 1;
    }
    if (clear) {
        if (queue.clearHistory())
            return 0;
        err << "flazz-cli history: the history cannot be cleared: " << queue.errorText() << Qt::endl;
        return 1;
    }
    for (const SentRecord &record : queue.history(service, since)) {
        out << QDateTime::fromMSecsSinceEpoch(record.sent).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
            << '\t' << tsvField(record.service.text()) << '\t'
            << (record.account.isEmpty() ? QStringLiteral("-") : tsvField(record.account)) << '\t'
            << tsvField(record.target) << '\t' << tsvField(record.remoteId) << '\t' << tsvField(record.path)
            << Qt::endl;
    }
    return 0;
}
