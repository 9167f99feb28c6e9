#pragma once

#include "sandbox/services/LifePicsService.h"
#include "support/SandboxWorld.h"

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QJsonArray>
#include <QJsonObject>

// The print service's stand-in on its own server, with a private store and a
// configuration that points at it.
struct LifePicsWorld : SandboxWorld<LifePicsService>
{
    QJsonObject lifePics() const { return store.state(QStringLiteral("LifePics")); }
    QJsonArray cartOf(const QString &userId) const
    {
        return lifePics().value(u"carts").toObject().value(userId).toArray();
    }
    QString demoUser() const { return lifePics().value(u"accounts").toObject().keys().value(0); }

    // A small photo of its own colour, written under the environment.
    QString photo(const QString &name, const QColor &colour, QSize size = {48, 32})
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 90);
        return env.writeFile(QStringLiteral("photos/") + name, bytes);
    }
};
