#include "cloudfolders/ui/QtFolderChooser.h"

#include "cloudfolders/flows/AlbumChooser.h"
#include "cloudfolders/ui/frmAlbums.h"
#include "core/ui/ErrorBoundary.h"
#include "core/ui/ShowFormModal.h"
#include "core/ui/frmSck.h"

#include <QApplication>

QString QtFolderChooser::chooseAlbum(const ServiceId &service, const QString &syncFolder, AlbumSource *source)
{
    AlbumChooser chooser(m_state, m_prompt, service, syncFolder, source);
    {
        // Listing may ask the service; the busy window says so meanwhile.
        frmSck busy(m_state, QApplication::activeWindow());
        busy.SetMessage(frmSck::Busy);
        busy.show();
        QApplication::processEvents();
        chooser.load();
    }
    frmAlbums window(
        m_state, service, chooser.entries(), chooser.existingEnabled(),
        [this, &chooser](bool createNew, int selected, const QString &name) {
            // Making a new album asks the service, which may fail in ways
            // nobody foresaw: that is reported, and the chooser closes as if
            // cancelled, so the flow stops instead of sending photos nowhere.
            std::optional<QString> answer;
            const ErrorSite site{QStringLiteral("Upload"), QStringLiteral("frmAlbums"),
                                 QStringLiteral("btnOK_Click")};
            if (!RunTrapped(m_state, m_prompt, site, [&] { answer = chooser.ok(createNew, selected, name); }))
                answer = QString();
            return answer;
        },
        QApplication::activeWindow());
    ShowFormModal(m_state, window);
    return window.FBUploadAlbumID();
}
