#pragma once

#include "core/AppState.h"
#include "imaging/TestImages.h"
#include "imaging/cGDIpToken.h"
#include "photoset/clsTray.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

// A private world with a live photo set, wired into the state the way start-up
// wires it. Only for suites that link the photo set.
struct PhotoSetWorld
{
    TestEnvironment env;
    cGDIpToken token;
    clsTray tray{env.state().DataFolder, &token};

    PhotoSetWorld()
    {
        env.state().PhotoTray = &tray;
        env.state().GdiplusToken = &token;
    }

    AppState &state() { return env.state(); }

    // A small real picture; a different seed gives different content.
    QString photo(const QString &relative, int seed)
    {
        return env.writeFile(relative, testimages::encoded("png", QSize(8 + seed, 6), quint32(seed)));
    }

    // The set's file paths, in order.
    QStringList trayPaths() const
    {
        QStringList paths;
        for (int i = 0; i < tray.Count(); ++i)
            paths << tray.PhotoInfo(i, PhotoField::FilePath);
        return paths;
    }

    QString addPhoto(const QString &relative, int seed, const QString &remarks = {})
    {
        const QString path = photo(relative, seed);
        EXPECT_TRUE(tray.AddPhoto(path, {}, remarks));
        return path;
    }
};
