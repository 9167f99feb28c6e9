#pragma once

#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "imaging/cGDIpToken.h"
#include "photoset/clsTray.h"

#include <cstdio>

// Nobody watches a benchmark: a message goes to standard error, where it
// tells why a figure is off, and every question is cancelled.
class BenchPrompt : public UserPrompt
{
public:
    int systemMessage(const QString &text, int, const QString &) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MsgResult::Ok;
    }
    int confirm(const QString &, bool, bool, bool) override { return MsgBoxCode::Cancel; }
    void done() override {}
    void internetConnectionError() override {}
    void uploadSizeNote() override {}
    QStringList openFiles(const FileDialogRequest &) override { return {}; }
};

// An empty photo set in the process-wide state, as the window starts with.
struct BenchPhotoSet
{
    AppState state;
    cGDIpToken token;
    clsTray tray{QString(), &token, state.MaxPhotos};

    BenchPhotoSet()
    {
        state.GdiplusToken = &token;
        state.PhotoTray = &tray;
    }
};
