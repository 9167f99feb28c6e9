#include "rclone/RcloneCommand.h"

#include "platform/ChildProcess.h"
#include "rclone/RcloneText.h"
#include "rclone/RcloneWait.h"
#include "webkit/SignIn.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

constexpr int kListDeadlineMs = 30000;
constexpr int kLinkDeadlineMs = 60000;
constexpr int kAuthorizeDeadlineMs = 10 * 60 * 1000;
constexpr qint64 kMaxOutput = 1024 * 1024;

void prepare(QProcess &process, const RcloneSetup &setup, QProcessEnvironment env)
{
    process.setProcessEnvironment(env);
    process.setStandardInputFile(QProcess::nullDevice());
    platform::endWithParent(process);
    Q_UNUSED(setup);
}

void end(QProcess &process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.kill();
    process.waitForFinished(3000);
}

void deleteRemote(const RcloneSetup &setup, const QString &name)
{
    QProcess process;
    prepare(process, setup, setup.environment());
    process.start(setup.program, {QStringLiteral("config"), QStringLiteral("delete"), name,
                                  QStringLiteral("--ask-password=false")});
    waitInLocalLoop([&] { return process.state() == QProcess::NotRunning; }, kListDeadlineMs);
    end(process);
}

} // namespace

bool listRcloneRemotes(const RcloneSetup &setup, QList<RcloneRemoteInfo> *remotes, QString *error)
{
    remotes->clear();
    if (setup.program.isEmpty()) {
        *error = setup.missingText();
        return false;
    }
    QProcess process;
    prepare(process, setup, setup.environment());
    process.start(setup.program, {QStringLiteral("listremotes"), QStringLiteral("--long"),
                                  QStringLiteral("--ask-password=false")});
    if (!process.waitForStarted(10000)) {
        *error = setup.missingText();
        return false;
    }
    QByteArray out;
    QByteArray err;
    const bool finished = waitInLocalLoop(
        [&] {
            out += process.readAllStandardOutput();
            err += process.readAllStandardError();
            return process.state() == QProcess::NotRunning || out.size() + err.size() > kMaxOutput;
        },
        kListDeadlineMs);
    const bool complete =
        finished && process.state() == QProcess::NotRunning && out.size() + err.size() <= kMaxOutput;
    end(process);
    if (!complete || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString words = rcloneLastWords(QString::fromUtf8(err));
        *error = words.isEmpty() ? QStringLiteral("rclone could not list its remotes") : words;
        return false;
    }
    for (const QString &line : QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts)) {
        const qsizetype colon = line.indexOf(u':');
        if (colon <= 0)
            continue;
        remotes->append({line.left(colon), line.mid(colon + 1).trimmed()});
    }
    return true;
}

bool isRcloneRemoteName(const QString &name)
{
    static const QRegularExpression valid(QStringLiteral(R"(^[\w.+@-]([\w.+@ -]*[\w.+@-])?$)"),
                                          QRegularExpression::UseUnicodePropertiesOption);
    return !name.startsWith(u'-') && name.size() <= 100 && valid.match(name).hasMatch();
}

bool isBrowserSignInType(const QString &type)
{
    static const QSet<QString> types{
        QStringLiteral("drive"),        QStringLiteral("dropbox"),      QStringLiteral("onedrive"),
        QStringLiteral("googlephotos"), QStringLiteral("box"),          QStringLiteral("pcloud"),
        QStringLiteral("yandex"),       QStringLiteral("zoho"),         QStringLiteral("hidrive"),
        QStringLiteral("putio"),        QStringLiteral("premiumizeme"), QStringLiteral("sharefile")};
    return types.contains(type);
}

bool authorizeRcloneRemote(const RcloneSetup &setup, const QString &name, const QString &type,
                           const QStringList &options, bool reconnect, SignIn &signIn, QString *error)
{
    if (setup.program.isEmpty()) {
        *error = setup.missingText();
        return false;
    }
    QList<RcloneRemoteInfo> remotes;
    if (!listRcloneRemotes(setup, &remotes, error))
        return false;
    const bool exists = std::any_of(remotes.cbegin(), remotes.cend(),
                                    [&](const RcloneRemoteInfo &r) { return r.name == name; });
    if (exists != reconnect) {
        *error = exists ? QStringLiteral("There is a remote called %1 already").arg(name)
                        : QStringLiteral("There is no remote called %1").arg(name);
        return false;
    }

    QProcessEnvironment env = setup.environment();
    // rclone would open the page itself with xdg-open; without a PATH it
    // finds none, and the page opens the way every other sign-in's does.
    env.remove(QStringLiteral("PATH"));
    QProcess process;
    prepare(process, setup, env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    QStringList args = reconnect
                           ? QStringList{QStringLiteral("config"), QStringLiteral("reconnect"), name + u':'}
                           : QStringList{QStringLiteral("config"), QStringLiteral("create"), name, type};
    if (!reconnect)
        args << options;
    args << QStringLiteral("--ask-password=false");
    process.start(setup.program, args);
    if (!process.waitForStarted(10000)) {
        *error = setup.missingText();
        return false;
    }

    // Only the link is looked for; the last lines stay in memory for a
    // failure's reason, and nothing of a success (the new token) is used.
    static const QRegularExpression linkLine(
        QStringLiteral(R"(following link:\s*(http://(?:127\.0\.0\.1|localhost):\d+/\S*))"));
    QByteArray seen;
    QString link;
    const auto readSome = [&] {
        seen += process.readAll();
        if (link.isEmpty()) {
            const QRegularExpressionMatch match = linkLine.match(QString::fromUtf8(seen));
            if (match.hasMatch())
                link = match.captured(1);
        }
        if (seen.size() > kMaxOutput)
            seen = seen.right(kMaxOutput / 2);
    };
    waitInLocalLoop(
        [&] {
            readSome();
            return !link.isEmpty() || process.state() == QProcess::NotRunning;
        },
        kLinkDeadlineMs);

    bool approved = true;
    if (!link.isEmpty()) {
        // Without a browser, the page can still be approved where the
        // program shows one.
        approved = (signIn.openInBrowser(link) || signIn.openInstead(link, QStringLiteral("rclone"))) &&
                   signIn.askCompleteAuthorization();
        if (approved) {
            const SignInBusy busy(signIn);
            waitInLocalLoop(
                [&] {
                    readSome();
                    return process.state() == QProcess::NotRunning;
                },
                kAuthorizeDeadlineMs);
        }
    }
    const bool ended = process.state() == QProcess::NotRunning;
    end(process);
    seen += process.readAll();
    const bool done =
        approved && ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    if (!done) {
        const QString words = rcloneLastWords(QString::fromUtf8(seen));
        *error = !approved         ? QStringLiteral("The sign-in was cancelled")
                 : !ended          ? QStringLiteral("rclone's sign-in did not end in time")
                 : words.isEmpty() ? QStringLiteral("rclone could not sign in to %1").arg(type)
                                   : words;
        // rclone writes a new remote before its sign-in ends; one that never
        // got its token is not left behind.
        if (!reconnect)
            deleteRemote(setup, name);
        return false;
    }
    if (!listRcloneRemotes(setup, &remotes, error))
        return false;
    if (std::none_of(remotes.cbegin(), remotes.cend(),
                     [&](const RcloneRemoteInfo &r) { return r.name == name; })) {
        *error = QStringLiteral("rclone made no remote called %1").arg(name);
        return false;
    }
    return true;
}
