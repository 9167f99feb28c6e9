#pragma once

#include "core/AppState.h"
#include "imaging/cGDIpToken.h"
#include "photoset/clsTray.h"
#include "support/TestEnvironment.h"

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
};
