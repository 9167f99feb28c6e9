#include "webservices/ui/QtPrintWindows.h"

#include "core/AppState.h"
#include "core/ui/ShowFormModal.h"
#include "webservices/flows/PrintFlow.h"
#include "webservices/ui/frmLifePics.h"
#include "webservices/ui/frmPrinter.h"

QtPrintWindows::QtPrintWindows(AppState &state, QString serviceName, QWidget *parent)
    : m_state(state), m_serviceName(std::move(serviceName)), m_parent(parent)
{
}

void QtPrintWindows::showPrinter(PrintFlow &flow)
{
    frmPrinter printer(m_state, &flow, m_serviceName, m_parent);
    // The online choice puts the sign-in window in this one's place; closing
    // the sign-in window brings this one back.
    while (ShowFormModal(m_state, printer) == frmPrinter::OnlineChosen) {
        if (flow.printOnline())
            return;
    }
}

void QtPrintWindows::showLifePics(PrintFlow &flow)
{
    frmLifePics window(m_state, &flow, m_serviceName, m_parent);
    ShowFormModal(m_state, window);
}
