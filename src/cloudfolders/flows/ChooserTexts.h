#pragma once

#include "webkit/Service.h"

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

ChooserTexts chooserTexts(Service service);
