#pragma once

#include "sandbox/SandboxService.h"

#include <QString>

// The product's own web site: its home page (the Settings window's link),
// "How It Works" (the tray), the advertisement the main window shows, and
// the maker's site behind the "limitations" link. Nothing is kept.
class ProductService : public SandboxService
{
public:
    QString name() const override { return QStringLiteral("Product"); }
    void install(StandinServer &server, SandboxStore &store) override;
    void configure(ServiceConfig &config, const QString &baseUrl) const override;
    QString pageSection(const SandboxStore &store) const override;

private:
    QString m_baseUrl;
};
