#pragma once

#include "webservices/flows/LocalPrinter.h"

struct AppState;
class QWidget;

// Local printing with the system's print dialog, after a preview of the
// pages (one photo per page, fitted, centred, the page turned its way).
// Without a printer the dialog offers a PDF file.
class QtLocalPrinter : public LocalPrinter
{
public:
    explicit QtLocalPrinter(AppState &state, QWidget *parent = nullptr);
    void print(const QStringList &paths) override;

private:
    AppState &m_state;
    QWidget *m_parent;
};
