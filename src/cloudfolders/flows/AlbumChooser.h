#pragma once

#include "cloudfolders/flows/ChooserTexts.h"
#include "webkit/AlbumSource.h"

#include <QList>
#include <QString>

#include <optional>

struct AppState;
class UserPrompt;

// What the album and folder chooser knows and decides, without its window:
// the list it offers (the subfolders of the service's sync folder when the
// desktop client keeps one, else the service's own list) and the answer OK
// gives. frmAlbums shows it; tests drive it directly.
class AlbumChooser
{
public:
    // `syncFolder`: the service's local sync folder, empty when its desktop
    // client is missing. `source`: the service's connector, for the online
    // list and for creating; not owned, may be null when only the local list
    // is used.
    AlbumChooser(AppState &state, UserPrompt &prompt, ServiceId service, QString syncFolder,
                 AlbumSource *source);

    const ServiceId &service() const { return m_service; }
    ChooserTexts texts() const { return chooserTexts(m_service); }

    // Fills the list; sorted, with the first entry to be selected.
    void load();
    const QList<AlbumEntry> &entries() const { return m_entries; }
    // False when there is nothing to pick: only a new one can be made, and
    // "create new" starts selected.
    bool existingEnabled() const { return m_existingEnabled; }

    // OK with "create new" (`createNew`) and the typed `name`, or with the
    // entry at `selected`. Returns the answer for the caller, or nothing when
    // the window must stay open (no connection, no name).
    std::optional<QString> ok(bool createNew, int selected, const QString &name);

private:
    void addLocalFolders(bool hideReserved);
    void addOnline(bool hideReserved);

    AppState &m_state;
    UserPrompt &m_prompt;
    ServiceId m_service;
    QString m_syncFolder;
    AlbumSource *m_source;
    QList<AlbumEntry> m_entries;
    bool m_existingEnabled = true;
};
