#include "photoset/ui/QtSkypeLocator.h"

#include "core/ui/ShowFormModal.h"
#include "photoset/ui/frmSkypePath.h"

#include <QApplication>

QString QtSkypeLocator::locateSkype(const FileDialogRequest &request)
{
    frmSkypePath window(m_state, &m_dialogs, request, QApplication::activeWindow());
    ShowFormModal(m_state, window);
    return window.chosenPath();
}
