#include "photoset/ZipExport.h"

#include "core/AppState.h"
#include "core/MessageCatalog.h"
#include "core/UserPrompt.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"
#include "platform/Shell.h"
#include "platform/ShellFolders.h"

#include <QDir>
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

QString ZipFolder()
{
    return platform::shellFolder(platform::ShellFolder::DesktopDirectory) + QStringLiteral("/Flazz");
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

ZipArchiveWriter::Hooks WindowHooks(UploadWindow &window)
{
    ZipArchiveWriter::Hooks hooks;
    hooks.progress = [&window](int written, int) { window.setProgressValue(written); };
    hooks.cancelled = [&window] { return window.progressCancelled(); };
    hooks.pump = [&window] { window.processEvents(); };
    return hooks;
}

ZipExport::ZipExport(AppState &state, UploadWindow &window, UserPrompt &prompt, platform::Shell &shell,
                     Clock clock)
    : m_state(state), m_window(window), m_prompt(prompt), m_shell(shell),
      m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
{
}

void ZipExport::run()
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
    const clsTray &tray = *m_state.PhotoTray;

    m_window.ApplyDescription();
    m_window.setWindowEnabled(false);
    const QString folder = ZipFolder();
    QDir().mkpath(folder); // an existing folder, hidden or not, is kept
    const QString archive = folder + QLatin1Char('/') + ArchiveName(m_clock());
    m_window.setWindowEnabled(true);

    m_window.setProgressRange(0, tray.Count());
    m_window.setProgressValue(0);
    m_window.ShowProgressPanel(true);
    m_window.setPbrCaption(QStringLiteral("Please wait..."));
    m_window.processEvents();
    m_window.setUpdateCaption(QStringLiteral("Zip"));

    ZipArchiveWriter writer(m_state.UploadSize);
    const auto outcome = writer.write(archive, PhotoPaths(tray), WindowHooks(m_window));
    if (outcome == ZipArchiveWriter::Outcome::Cancelled) {
        m_window.ShowProgressPanel(false);
        m_running = false;
        return;
    }
    if (outcome == ZipArchiveWriter::Outcome::Written)
        m_lastArchive = archive;
    else
        qWarning("Zip: %s", qPrintable(writer.errorString()));

    m_shell.open(folder + QLatin1Char('/'));
    m_prompt.done();
    m_window.ShowProgressPanel(false);
    m_running = false;
}
