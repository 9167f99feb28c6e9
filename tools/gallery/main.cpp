// flazz-gallery [OUTDIR] [NAME-FILTER]
//
// Draws every registered window in each of the six skins, offscreen, to
// OUTDIR/<window>-skin<N>.png (default OUTDIR: "gallery"), and writes an
// index.html that shows them side by side. A NAME-FILTER keeps only the
// windows whose name contains it. Nothing of the user's own data is touched:
// the windows see a scratch data folder. Exits 1 unless every picture was
// drawn and written.

#include "core/AppState.h"
#include "core/DataInstall.h"
#include "core/Skin.h"
#include "core/ui/Gallery.h"
#include "platform/ShellFolders.h"

// Every window library's register function, gathered by the build.
#include "GalleryLibraries.inc"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTextStream>
#include <QWidget>

#include <cstdio>

namespace {

// A window that drew nothing (an empty size, or one colour from edge to
// edge) is a failure to draw, not a picture.
bool isBlank(const QImage &picture)
{
    if (picture.isNull())
        return true;
    const QRgb first = picture.pixel(0, 0);
    for (int y = 0; y < picture.height(); y += 3) {
        for (int x = 0; x < picture.width(); x += 3) {
            if (picture.pixel(x, y) != first)
                return false;
        }
    }
    return true;
}

QString fileName(const QString &window, int skin)
{
    return QStringLiteral("%1-skin%2.png").arg(window).arg(skin);
}

void writeIndex(const QString &outDir, const QStringList &windows)
{
    QFile file(QDir(outDir).filePath(QStringLiteral("index.html")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return;
    QTextStream out(&file);
    out << "<!doctype html><meta charset=\"utf-8\"><title>Flazz windows</title>\n"
           "<style>body{font:13px sans-serif;background:#f4f4f6;margin:24px}"
           "td{padding:8px;vertical-align:top}th{text-align:left;padding:8px}"
           "img{box-shadow:0 2px 10px rgba(0,0,0,.25);border-radius:8px}</style>\n<table>\n<tr><th></th>";
    const QStringList skins = Skin::names();
    for (const QString &skin : skins)
        out << "<th>" << skin << "</th>";
    out << "</tr>\n";
    for (const QString &window : windows) {
        out << "<tr><th>" << window << "</th>";
        for (int skin = 0; skin < Skin::Count; ++skin)
            out << "<td><img src=\"" << fileName(window, skin) << "\"></td>";
        out << "</tr>\n";
    }
    out << "</table>\n";
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The sign-in windows hold a web engine, whose sandbox refuses to start
    // as root; the gallery loads no page at all.
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox");
    QTemporaryDir scratch;
    qputenv("FLAZZ_SHELL_ROOT", scratch.path().toUtf8());
    qputenv("FLAZZ_REGISTRY_FILE", scratch.filePath(QStringLiteral("HKEY_CURRENT_USER.ini")).toUtf8());

    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString outDir = args.size() > 1 ? args.at(1) : QStringLiteral("gallery");
    const QString filter = args.size() > 2 ? args.at(2) : QString();
    if (!QDir().mkpath(outDir)) {
        std::fprintf(stderr, "flazz-gallery: cannot create %s\n", qPrintable(outDir));
        return 1;
    }

    Gallery gallery;
    registerEveryWindowLibrary(gallery);

    QStringList drawn;
    int files = 0;
    int failures = 0;
    for (const Gallery::Entry &entry : gallery.entries()) {
        if (!filter.isEmpty() && !entry.name.contains(filter, Qt::CaseInsensitive))
            continue;
        drawn << entry.name;
        for (int skin = 0; skin < Skin::Count; ++skin) {
            AppState state;
            state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
            provisionAppData(state.AppDataFolder);
            state.Skin = skin;
            const QString path = QDir(outDir).filePath(fileName(entry.name, skin));
            std::unique_ptr<QWidget> window = entry.make(state);
            if (!window) {
                std::fprintf(stderr, "flazz-gallery: %s was not made\n", qPrintable(path));
                ++failures;
                continue;
            }
            // Round corners come out transparent instead of window-grey.
            window->setAttribute(Qt::WA_TranslucentBackground);
            window->show();
            QApplication::processEvents();
            const QImage picture = window->grab().toImage();
            if (isBlank(picture)) {
                std::fprintf(stderr, "flazz-gallery: %s drew nothing\n", qPrintable(path));
                ++failures;
            } else if (picture.save(path)) {
                ++files;
            } else {
                std::fprintf(stderr, "flazz-gallery: cannot write %s\n", qPrintable(path));
                ++failures;
            }
            // Hidden, not closed: closing would run the window's unload rule.
            window->hide();
        }
    }
    writeIndex(outDir, drawn);
    std::printf("flazz-gallery: %d windows, %d pictures in %s\n", int(drawn.size()), files,
                qPrintable(QDir(outDir).absolutePath()));
    return failures == 0 && files > 0 ? 0 : 1;
}
