#include "photoset/ArchiveFlow.h"

#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/UserPrompt.h"
#include "photoset/PathRoutines.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"

#include <QDir>
#include <QScopeGuard>
#include <QtDebug>

QString ArchiveName(const QDateTime &when)
{
    static constexpr const char *kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate d = when.date();
    const QTime t = when.time();
    return QStringLiteral("Flazz -%1%2%3-%4%5%6.zip")
        .arg(d.day(), 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(kMonths[qBound(1, d.month(), 12) - 1]))
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(t.hour(), 2, 10, QLatin1Char('0'))
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.second(), 2, 10, QLatin1Char('0'));
}

QStringList PhotoPaths(const clsTray &tray)
{
    QStringList paths;
    const int count = tray.Count();
    paths.reserve(count);
    for (int i = 0; i < count; ++i)
        paths.append(tray.PhotoInfo(i, PhotoField::FilePath));
    return paths;
}

QList<QByteArray> PreparedCopies(const clsTray &tray, int uploadSize, MetadataRule rule)
{
    QList<QByteArray> copies;
    for (int i = 0; i < tray.Count(); ++i)
        copies.append(tray.PreparedCopy(i, uploadSize, rule));
    return copies;
}

ZipArchiveWriter::Hooks WindowHooks(UploadWindow &window)
{
    ZipArchiveWriter::Hooks hooks;
    hooks.progress = [&window](int written, int) { window.setProgressValue(written); };
    hooks.cancelled = [&window] { return window.progressCancelled(); };
    hooks.pump = [&window] { window.processEvents(); };
    return hooks;
}

ArchiveFlow::ArchiveFlow(const char *logName, AppState &state, UploadWindow &window, UserPrompt &prompt,
                         platform::Shell &shell, Clock clock)
    : m_state(state), m_window(window), m_prompt(prompt), m_shell(shell), m_logName(logName),
      m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
{
}

void ArchiveFlow::run()
{
    // The window stays enabled while the archive is written, so a second
    // press must not start a second run inside the first.
    if (m_running)
        return;
    m_lastArchive.clear();
    if (!m_state.PhotoTray || m_state.PhotoTray->Count() == 0) {
        funcMessageDisplay(m_state, m_prompt, MessageNo::EmptyPhotoSet);
        return;
    }
    m_running = true;
    const auto stopped = qScopeGuard([this] { m_running = false; });
    const clsTray &tray = *m_state.PhotoTray;

    m_window.ApplyDescription();
    m_window.setWindowEnabled(false);
    if (!ready()) {
        m_window.setWindowEnabled(true);
        return;
    }
    const QString folder = archiveFolder();
    QDir().mkpath(folder); // an existing folder, hidden or not, is kept
    const QString archive = folder + QLatin1Char('/') + ArchiveName(m_clock());
    m_window.setWindowEnabled(true);

    showProgress(tray.Count());
    const MetadataRule rule = MetadataRuleFor(m_state.KeepMetadata);
    ZipArchiveWriter writer(m_state.UploadSize);
    writer.setMetadataRule(rule);
    const auto outcome = writer.write(archive, PhotoPaths(tray), WindowHooks(m_window),
                                      PreparedCopies(tray, m_state.UploadSize, rule));
    // The meter has said all it can: it closes before any note or message
    // about the archive appears, so the two never stand side by side.
    m_window.ShowProgressPanel(false);
    if (outcome == ZipArchiveWriter::Outcome::Cancelled)
        return;
    const bool written = outcome == ZipArchiveWriter::Outcome::Written;
    if (written)
        m_lastArchive = archive;
    else
        qWarning("%s: %s", m_logName, qPrintable(writer.errorString()));
    if (written && !writer.leftOut().isEmpty())
        tellLeftOut(writer.leftOut());
    finish(folder, archive, written);
}

void ArchiveFlow::tellLeftOut(const QStringList &paths)
{
    QStringList names;
    for (const QString &path : paths)
        names << JustFileName(QDir::toNativeSeparators(path));
    QString title;
    funcMessageDisplay(m_state, m_prompt, MessageNo::CallerText, MsgStyle::Exclamation, title,
                       LeftOutMessage + QStringLiteral("\n\n") + names.join(QLatin1Char('\n')));
}
