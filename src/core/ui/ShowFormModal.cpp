#include "core/ui/ShowFormModal.h"

#include "core/AppState.h"

#include <QDialog>
#include <QScopeGuard>

int ShowFormModal(AppState &state, QDialog &form)
{
    if (state.ModalFormOpen)
        return form.exec();
    state.ModalFormOpen = true;
    // An error that escapes the window must not leave the tray refusing
    // every click for the rest of the run.
    const auto closed = qScopeGuard([&state] { state.ModalFormOpen = false; });
    return form.exec();
}
