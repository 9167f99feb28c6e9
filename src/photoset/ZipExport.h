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

// The desktop's "Flazz" folder, without a trailing separator.
QString ZipFolder();

// The file paths of the photo set, in set order.
QStringList PhotoPaths(const clsTray &tray);

// Hooks that step the main window's progress meter once per photo, keep the
// window responsive and stop when its Cancel was pressed.
ZipArchiveWriter::Hooks WindowHooks(UploadWindow &window);

// Where the time comes from; tests pin it.
using Clock = std::function<QDateTime()>;

// The Zip button: the photo set, scaled to the upload size, packed into a
// dated archive in the desktop's "Flazz" folder, which is then opened.
class ZipExport : public DestinationFlow
{
public:
    ZipExport(AppState &state, UploadWindow &window, UserPrompt &prompt, platform::Shell &shell,
              Clock clock = {});

    void run() override;

    // The archive the last run wrote; empty when it wrote none.
    QString lastArchive() const { return m_lastArchive; }

private:
    AppState &m_state;
    UploadWindow &m_window;
    UserPrompt &m_prompt;
    platform::Shell &m_shell;
    Clock m_clock;
    QString m_lastArchive;
    bool m_running = false;
};
