#include "cloudfolders/flows/AlbumChooser.h"

#include "core/AppState.h"
#include "core/UserPrompt.h"

#include <QDir>

#include <algorithm>

namespace {

// Folders the service's own tools keep at the top of the application folder;
// photos never go there.
bool isReserved(const QString &name)
{
    return name.startsWith(u"PL-") || name == u"Download Images";
}

} // namespace

ChooserTexts chooserTexts(ChooserMode mode)
{
    switch (mode) {
    case ChooserMode::Dropbox:
        return {QStringLiteral("Dropbox Folders"),
                QStringLiteral("You can Flazz Photos to existing or new Folders on Dropbox."),
                QStringLiteral("Select Folder"), QStringLiteral("Create New Folder"),
                QStringLiteral("Enter a Folder Name")};
    case ChooserMode::SkyDrive:
        return {QStringLiteral("SkyDrive Albums"),
                QStringLiteral("You can Flazz Photos to existing or new Folders on SkyDrive."),
                QStringLiteral("Select Album"), QStringLiteral("Create New Album"),
                QStringLiteral("Enter Album Name")};
    case ChooserMode::Google:
        return {QStringLiteral("Google Drive Albums"),
                QStringLiteral("You can Flazz Photos to existing or new Folders on Google Drive."),
                QStringLiteral("Select Album"), QStringLiteral("Create New Album"),
                QStringLiteral("Enter Album Name")};
    case ChooserMode::Remote:
        return {QStringLiteral("Remote Folders"),
                QStringLiteral("You can Flazz Photos to existing or new Folders of your rclone account."),
                QStringLiteral("Select Folder"), QStringLiteral("Create New Folder"),
                QStringLiteral("Enter a Folder Name")};
    case ChooserMode::Facebook:
        break;
    }
    return {QStringLiteral("Facebook Albums"),
            QStringLiteral(
                "Besides flazzing Photos to the default Flazz Album, you can Flazz Photos to existing, "
                "or new Albums on Facebook."),
            QStringLiteral("Select Album"), QStringLiteral("Create New Album"),
            QStringLiteral("Enter Album Name")};
}

AlbumChooser::AlbumChooser(AppState &state, UserPrompt &prompt, ChooserMode mode, QString syncFolder,
                           AlbumSource *source)
    : m_state(state), m_prompt(prompt), m_mode(mode), m_syncFolder(std::move(syncFolder)), m_source(source)
{
}

void AlbumChooser::addLocalFolders(bool hideReserved)
{
    const QStringList names =
        QDir(m_syncFolder).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QString &name : names) {
        if (hideReserved && isReserved(name))
            continue;
        m_entries.append({name, QDir(m_syncFolder).filePath(name)});
    }
}

void AlbumChooser::addOnline(bool hideReserved)
{
    if (!m_source)
        return;
    const QList<AlbumEntry> listed = m_source->albums();
    for (const AlbumEntry &entry : listed) {
        if (hideReserved && isReserved(entry.text))
            continue;
        m_entries.append(entry);
    }
}

void AlbumChooser::load()
{
    m_entries.clear();
    m_existingEnabled = true;
    const bool local = !m_syncFolder.trimmed().isEmpty();
    switch (m_mode) {
    case ChooserMode::Facebook: {
        static const QString defaultAlbum = QStringLiteral(" --Default (Flazz)--");
        m_entries.append({defaultAlbum, QStringLiteral("me")});
        if (m_source) {
            for (const AlbumEntry &entry : m_source->albums()) {
                // The default album is the chooser's own entry, whoever lists it.
                if (entry.text != defaultAlbum)
                    m_entries.append(entry);
            }
        }
        break;
    }
    case ChooserMode::Dropbox:
        local ? addLocalFolders(true) : addOnline(true);
        break;
    case ChooserMode::SkyDrive:
        local ? addLocalFolders(false) : addOnline(true);
        break;
    case ChooserMode::Google:
    case ChooserMode::Remote:
        local ? addLocalFolders(false) : addOnline(false);
        break;
    }
    std::stable_sort(m_entries.begin(), m_entries.end(), [](const AlbumEntry &a, const AlbumEntry &b) {
        return QString::compare(a.text, b.text, Qt::CaseInsensitive) < 0;
    });
    if (m_mode != ChooserMode::Facebook && m_entries.isEmpty())
        m_existingEnabled = false;
}

std::optional<QString> AlbumChooser::ok(bool createNew, int selected, const QString &name)
{
    if (!m_state.InternetAvailable) {
        m_prompt.internetConnectionError();
        return std::nullopt;
    }
    const bool local = !m_syncFolder.trimmed().isEmpty();
    if (createNew || !m_existingEnabled) {
        if (name.trimmed().isEmpty() || name == texts().placeholder) {
            m_prompt.systemMessage(QStringLiteral("Please enter an Album Name."),
                                   MsgStyle::OkOnly | MsgStyle::Information, QStringLiteral("Flazz"));
            return std::nullopt;
        }
        switch (m_mode) {
        case ChooserMode::Facebook:
            return m_source ? m_source->createAlbum(name) : QString();
        case ChooserMode::Dropbox:
            // The folder is named after what the user typed whether or not
            // the service made it: a local copy creates it itself.
            if (!local && m_source)
                m_source->createAlbum(name);
            return name;
        case ChooserMode::SkyDrive:
        case ChooserMode::Google:
        case ChooserMode::Remote:
            if (local)
                return name;
            return m_source ? m_source->createAlbum(name) : QString();
        }
        return QString();
    }
    if (selected < 0 || selected >= m_entries.size())
        return QString();
    const AlbumEntry &entry = m_entries.at(selected);
    if (m_mode == ChooserMode::Facebook)
        return entry.cargo;
    return local ? entry.text : entry.cargo;
}
