#include "cloudfolders/ui/QtFolderChooser.h"

#include "cloudfolders/flows/AlbumChooser.h"
#include "cloudfolders/ui/frmAlbums.h"
#include "core/ui/ShowFormModal.h"
#include "core/ui/frmSck.h"

#include <QApplication>

QString QtFolderChooser::chooseAlbum(Service service, const QString &syncFolder, AlbumSource *source)
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
        [&chooser](bool createNew, int selected, const QString &name) {
            return chooser.ok(createNew, selected, name);
        },
        QApplication::activeWindow());
    ShowFormModal(m_state, window);
    return window.FBUploadAlbumID();
}
