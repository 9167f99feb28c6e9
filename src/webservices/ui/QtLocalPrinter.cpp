#include "webservices/ui/QtLocalPrinter.h"

#include "core/AppState.h"
#include "core/ui/ShowFormModal.h"
#include "webservices/flows/PhotoPrint.h"

#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QtDebug>

QtLocalPrinter::QtLocalPrinter(AppState &state, QWidget *parent) : m_state(state), m_parent(parent) {}

void QtLocalPrinter::print(const QStringList &paths)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QStringLiteral("Flazz"));
    printer.setPageMargins(QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
    QPrintPreviewDialog preview(&printer, m_parent);
    preview.setWindowTitle(QStringLiteral("Print"));
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [paths](QPrinter *target) {
        QString problem;
        if (!PrintPhotos(*target, paths, &problem))
            qWarning("Printing stopped: %s", qPrintable(problem));
    });
    ShowFormModal(m_state, preview);
}
