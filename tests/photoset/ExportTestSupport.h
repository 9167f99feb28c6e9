#pragma once

#include "photoset/UploadWindow.h"

#include "support/PhotoSetWorld.h"
#include "support/RecordingShell.h"
#include "support/RecordingUploadWindow.h"
#include "support/ScriptedUserPrompt.h"

#include <QByteArray>
#include <QColor>
#include <QDateTime>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <vector>

// Test pictures: a gradient (so that a scaled copy is not trivially tiny) in
// the given Qt format ("jpeg", "png", "gif", "bmp").
QByteArray pictureBytes(int width, int height, const char *format);
QSize sizeOf(const QByteArray &bytes);
QImage imageOf(const QByteArray &bytes, bool autoTransform = false);

// An archive's entries, read back with libzip. `strict` has libzip check the
// archive's consistency, which also refuses two entries of the same name.
struct ZipEntry
{
    QString name;
    QByteArray data;
    int method = -1;
};
// `only`, when given, reads that one entry and no other.
std::vector<ZipEntry> readZip(const QString &path, bool *ok = nullptr, bool strict = true, int only = -1);

// Files in `folder` (names only), sorted.
QStringList filesIn(const QString &folder);

// The moment every flow under test believes it is, so archive names are known.
inline const QDateTime kFlowTime(QDate(2026, 12, 4), QTime(15, 30, 12));

// A private world with a photo set in it and `Flow` wired to fakes.
template<class Flow> struct FlowWorld : PhotoSetWorld
{
    RecordingUploadWindow window;
    ScriptedUserPrompt prompt{&env.state()};
    RecordingShell shell;
    Flow flow{env.state(), window, prompt, shell, [] { return kFlowTime; }};

    QString add(const QString &relative, const QByteArray &bytes)
    {
        const QString path = env.writeFile(relative, bytes);
        EXPECT_TRUE(tray.AddPhoto(path, {}, {})) << qPrintable(relative);
        return path;
    }
};
