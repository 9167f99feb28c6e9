#pragma once

#include <QString>
#include <QStringList>

// Lays out the application-data folder the program expects to find:
// "Resources/" (pages such as "ad.html"), "Data/" (the initial
// "Settings.xml") and "log/", from share/flazz/ of an installed program. Only what is missing is created; an
// existing file is never overwritten, so the user's settings and tokens survive every start and every
// reinstall. Returns the files it created.
QStringList provisionAppData(const QString &appDataFolder);
