#include "core/ui/ShowFormModal.h"

#include "core/AppState.h"

#include <QDialog>

int ShowFormModal(AppState &state, QDialog &form)
{
    if (state.ModalFormOpen)
        return form.exec();
    state.ModalFormOpen = true;
    const int result = form.exec();
    state.ModalFormOpen = false;
    return result;
}
