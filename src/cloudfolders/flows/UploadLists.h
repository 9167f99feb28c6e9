#pragma once

#include <QString>

// The lists the background uploader takes, built one photo at a time while
// the progress bar steps: paths joined by TAB, and per photo a blank and its
// remarks, joined by "#", TAB, "#" (so a photo without remarks is a lone
// blank).
struct UploadLists
{
    QString photoList;
    QString remarksList;
    int count = 0;

    void append(const QString &path, const QString &remarks)
    {
        if (count > 0) {
            photoList += u'\t';
            remarksList += QStringLiteral("#\t#");
        }
        photoList += path;
        remarksList += u' ' + remarks;
        ++count;
    }
};
