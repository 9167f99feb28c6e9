#include "webservices/ui/WebServicesGallery.h"

#include "core/ui/Gallery.h"
#include "webkit/ServiceConfig.h"
#include "webservices/ui/frmLifePics.h"
#include "webservices/ui/frmPrinter.h"

#include <QLineEdit>

#include <memory>

void registerWebServicesWindows(Gallery &gallery)
{
    const QString service = ServiceConfig::defaults().lifePics.serviceName;
    gallery.add(QStringLiteral("frmPrinter"),
                [service](AppState &state) { return std::make_unique<frmPrinter>(state, nullptr, service); });
    gallery.add(QStringLiteral("frmLifePics"), [service](AppState &state) {
        auto window = std::make_unique<frmLifePics>(state, nullptr, service);
        window->txtEmailAddress()->setText(QStringLiteral("jane@example.com"));
        return window;
    });
    gallery.add(QStringLiteral("frmLifePics-progress"), [service](AppState &state) {
        auto window = std::make_unique<frmLifePics>(state, nullptr, service);
        window->SetBusy(true);
        window->setMeter(0, 3, 6);
        window->setStatus(QStringLiteral("Flazzing File 2 of 5 ..."));
        return window;
    });
}
