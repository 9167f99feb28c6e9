#pragma once

#include <QString>

// Which service the album and folder chooser lists for, numbered as its
// LoadAs property numbers them.
enum class ChooserMode
{
    Facebook = 0,
    Dropbox = 1,
    SkyDrive = 2,
    Google = 3,
    Remote = 4 // a remote of rclone's, whatever service is behind it
};

// What the chooser says in each mode.
struct ChooserTexts
{
    QString title;
    QString help;
    QString existingCaption;
    QString newCaption;
    QString placeholder;
};

ChooserTexts chooserTexts(ChooserMode mode);
