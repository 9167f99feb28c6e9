#pragma once

#include "photoset/DestinationFlow.h"
#include "photoset/ZipArchiveWriter.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

struct AppState;
class UploadWindow;
class UserPrompt;
class clsTray;

namespace platform {
class Shell;
}

// "Flazz -DDMMMYYYY-HHMMSS.zip" for `when`, e.g. "Flazz -04Dec2026-153012.zip".
// The month is always the English abbreviation, whatever the user's locale,
// so archive names sort and read the same on every machine.
QString ArchiveName(const QDateTime &when);

// The file paths of the photo set, in set order.
QStringList PhotoPaths(const clsTray &tray);
// The copies made for `uploadSize` and `rule` while the photos were added,
// in set order (empty where none was made).
QList<QByteArray> PreparedCopies(const clsTray &tray, int uploadSize, MetadataRule rule);

// Hooks that step the main window's progress meter once per photo, keep the
// window responsive and stop when its Cancel was pressed.
ZipArchiveWriter::Hooks WindowHooks(UploadWindow &window);

// Where the time comes from; tests pin it.
using Clock = std::function<QDateTime()>;

// A button whose work is the photo set, scaled to the upload size, packed into
// a dated archive under the main window's progress meter. The run is the same
// for every such button; each says where the archive goes and what becomes of
// it.
class ArchiveFlow : public DestinationFlow
{
public:
    // Heads the list of photos an archive was written without.
    inline static const QString LeftOutMessage = QStringLiteral(
        "These photos could not be read (moved or deleted since they were added?) and are not in "
        "the archive:");

    void run() override;

    // The archive the last run wrote; empty when it wrote none.
    QString lastArchive() const { return m_lastArchive; }

protected:
    // `logName` heads the log line of a failed write.
    ArchiveFlow(const char *logName, AppState &state, UploadWindow &window, UserPrompt &prompt,
                platform::Shell &shell, Clock clock);

    // Runs with the window disabled before any folder is made; false ends the
    // run quietly.
    virtual bool ready() { return true; }
    // The folder the archive is written into, without a trailing separator.
    virtual QString archiveFolder() const = 0;
    // Shows the progress panel for a set of `photoCount` photos.
    virtual void showProgress(int photoCount) = 0;
    // The archive in `folder` is complete (`written`) or failed; not called
    // when the user cancelled.
    virtual void finish(const QString &folder, const QString &archive, bool written) = 0;

    AppState &m_state;
    UploadWindow &m_window;
    UserPrompt &m_prompt;
    platform::Shell &m_shell;

private:
    // Names, for the user, the photos the archive was written without.
    void tellLeftOut(const QStringList &paths);

    const char *m_logName;
    Clock m_clock;
    QString m_lastArchive;
    bool m_running = false;
};
