#pragma once

#include "webkit/ServiceId.h"

#include <QString>

// What the album and folder chooser says for a service.
struct ChooserTexts
{
    QString title;
    QString help;
    QString existingCaption;
    QString newCaption;
    QString placeholder;
};

ChooserTexts chooserTexts(const ServiceId &service);

// The chooser's LoadAs for `service`: the service's own, or the one every
// remote of rclone's shares.
int chooserMode(const ServiceId &service);
