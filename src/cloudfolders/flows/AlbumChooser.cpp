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

ChooserTexts chooserTexts(const ServiceId &service)
{
    if (!service.service())
        return {QStringLiteral("Remote Folders"),
                QStringLiteral("You can Flazz Photos to existing or new Folders of your rclone account."),
                QStringLiteral("Select Folder"), QStringLiteral("Create New Folder"),
                QStringLiteral("Enter a Folder Name")};
    switch (*service.service()) {
    case Service::Dropbox:
        return {QStringLiteral("Dropbox Folders"),
                QStringLiteral("You can Flazz Photos to existing or new Folders on Dropbox."),
                QStringLiteral("Select Folder"), QStringLiteral("Create New Folder"),
                QStringLiteral("Enter a Folder Name")};
    case Service::SkyDrive:
        return {QStringLiteral("SkyDrive Albums"),
                QStringLiteral("You can Flazz Photos to existing or new Folders on SkyDrive."),
                QStringLiteral("Select Album"), QStringLiteral("Create New Album"),
                QStringLiteral("Enter Album Name")};
    case Service::Google:
        return {QStringLiteral("Google Drive Albums"),
                QStringLiteral("You can Flazz Photos to existing or new Folders on Google Drive."),
                QStringLiteral("Select Album"), QStringLiteral("Create New Album"),
                QStringLiteral("Enter Album Name")};
    case Service::Facebook:
    case Service::Flickr:
        break;
    }
    return {QStringLiteral("Facebook Albums"),
            QStringLiteral(
                "Besides flazzing Photos to the default Flazz Album, you can Flazz Photos to existing, "
                "or new Albums on Facebook."),
            QStringLiteral("Select Album"), QStringLiteral("Create New Album"),
            QStringLiteral("Enter Album Name")};
}

int chooserMode(const ServiceId &service)
{
    constexpr int remoteMode = 4;
    return service.service() ? describe(*service.service()).chooserMode : remoteMode;
}

AlbumChooser::AlbumChooser(AppState &state, UserPrompt &prompt, ServiceId service, QString syncFolder,
                           AlbumSource *source)
    : m_state(state), m_prompt(prompt), m_service(service), m_syncFolder(std::move(syncFolder)),
      m_source(source)
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
    // A remote of rclone's lists its folders as Google Drive does.
    switch (m_service.service().value_or(Service::Google)) {
    case Service::Facebook: {
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
    case Service::Dropbox:
        local ? addLocalFolders(true) : addOnline(true);
        break;
    case Service::SkyDrive:
        local ? addLocalFolders(false) : addOnline(true);
        break;
    case Service::Google:
        local ? addLocalFolders(false) : addOnline(false);
        break;
    case Service::Flickr: // no button opens it for Flickr: its albums as they are
        addOnline(false);
        break;
    }
    std::stable_sort(m_entries.begin(), m_entries.end(), [](const AlbumEntry &a, const AlbumEntry &b) {
        return QString::compare(a.text, b.text, Qt::CaseInsensitive) < 0;
    });
    if (m_service.service() != Service::Facebook && m_entries.isEmpty())
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
        switch (m_service.service().value_or(Service::Google)) {
        case Service::Facebook:
        case Service::Flickr:
            return m_source ? m_source->createAlbum(name) : QString();
        case Service::Dropbox:
            // The folder is named after what the user typed whether or not
            // the service made it: a local copy creates it itself.
            if (!local && m_source)
                m_source->createAlbum(name);
            return name;
        case Service::SkyDrive:
        case Service::Google:
            if (local)
                return name;
            return m_source ? m_source->createAlbum(name) : QString();
        }
        return QString();
    }
    if (selected < 0 || selected >= m_entries.size())
        return QString();
    const AlbumEntry &entry = m_entries.at(selected);
    if (m_service.service() == Service::Facebook)
        return entry.cargo;
    return local ? entry.text : entry.cargo;
}
