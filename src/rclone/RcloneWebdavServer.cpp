#include "rclone/RcloneWebdavServer.h"

#include "platform/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>

namespace {

QString randomText(int words)
{
    QString text;
    for (int i = 0; i < words; ++i)
        text += QString::number(QRandomGenerator::system()->generate(), 36);
    return text;
}

} // namespace

RcloneWebdavServer::RcloneWebdavServer(RcloneSetup setup, QString folder)
    : m_setup(std::move(setup)), m_folder(std::move(folder))
{
}

bool RcloneWebdavServer::start(int deadlineMs)
{
    if (!QDir().mkpath(m_folder)) {
        m_failure = QStringLiteral("cannot create %1").arg(m_folder);
        return false;
    }
    m_user = QStringLiteral("flazz");
    m_password = randomText(4);
    QProcessEnvironment env = m_setup.environment();
    // In the environment, where other users cannot read them.
    env.insert(QStringLiteral("RCLONE_USER"), m_user);
    env.insert(QStringLiteral("RCLONE_PASS"), m_password);
    static const QRegularExpression started(
        QStringLiteral(R"(WebDav Server started on (http://127\.0\.0\.1:\d+)/)"));
    m_url = m_child.start(m_setup,
                          {QStringLiteral("serve"), QStringLiteral("webdav"), m_folder,
                           QStringLiteral("--addr"), QStringLiteral("127.0.0.1:0")},
                          env, started, deadlineMs);
    m_failure = m_child.failure();
    return !m_url.isEmpty();
}

bool RcloneWebdavServer::addToConfig(const QString &configFile, const QString &remoteName,
                                     QString *error) const
{
    QProcess obscure;
    obscure.setProcessEnvironment(m_setup.environment());
    obscure.start(m_setup.program, {QStringLiteral("obscure"), QStringLiteral("-")});
    obscure.write(m_password.toUtf8());
    obscure.closeWriteChannel();
    if (!obscure.waitForFinished(30000) || obscure.exitCode() != 0) {
        *error = QStringLiteral("rclone could not obscure the password");
        return false;
    }
    const QByteArray obscured = obscure.readAllStandardOutput().trimmed();

    QByteArray text;
    QFile old(configFile);
    if (old.open(QIODevice::ReadOnly)) {
        bool ours = false;
        for (const QByteArray &line : old.readAll().split('\n')) {
            if (line.startsWith('['))
                ours = line.trimmed() == '[' + remoteName.toUtf8() + ']';
            if (!ours && !line.isEmpty())
                text += line + '\n';
        }
    }
    text += '[' + remoteName.toUtf8() + "]\ntype = webdav\nurl = " + m_url.toUtf8() +
            "\nvendor = other\nuser = " + m_user.toUtf8() + "\npass = " + obscured + '\n';
    QDir().mkpath(QFileInfo(configFile).absolutePath());
    if (!platform::writeFileAtomically(configFile, text, platform::FileAccess::OwnerOnly)) {
        *error = QStringLiteral("cannot write %1").arg(configFile);
        return false;
    }
    return true;
}
