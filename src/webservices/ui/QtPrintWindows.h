#pragma once

#include "webservices/flows/PrintWindows.h"

#include <QString>

struct AppState;
class QWidget;

// The Print button's windows in the running program: frmPrinter and
// frmLifePics, each shown through ShowFormModal.
class QtPrintWindows : public PrintWindows
{
public:
    QtPrintWindows(AppState &state, QString serviceName, QWidget *parent = nullptr);

    void showPrinter(PrintFlow &flow) override;
    void showLifePics(PrintFlow &flow) override;

private:
    AppState &m_state;
    QString m_serviceName;
    QWidget *m_parent;
};
