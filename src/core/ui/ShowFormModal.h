#pragma once

class QDialog;
struct AppState;

// The one way the program shows a dialog modally. ModalFormOpen tells the
// tray that a modal window is up; when a modal window opens another, the
// outer one keeps the flag and clears it when it closes itself.
// Returns the dialog's result.
int ShowFormModal(AppState &state, QDialog &form);
