// flazz-cli zip: the Zip button without the window. The same photo set rules
// (duplicates, the 100-photo limit, folders searched) and the same archive
// writer as the main window, so what this prints is what the button makes.

#include "CliSupport.h"
#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "imaging/cGDIpToken.h"
#include "photoset/AddProgress.h"
#include "photoset/PhotoAdder.h"
#include "photoset/ZipArchiveWriter.h"
#include "photoset/ZipExport.h"
#include "photoset/clsTray.h"
#include "platform/ProcessInfo.h"
#include "platform/ShellFolders.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

int cliZip(const QStringList &args);

namespace {

int usage(const QString &problem)
{
    if (!problem.isEmpty())
        standardError() << "flazz-cli zip: " << problem << Qt::endl;
    standardError()
        << "usage: flazz-cli zip [--size 0|800|1024|1600] [--keep-metadata] [--out FOLDER] PATH..."
        << Qt::endl
        << "  Packs the photos (files, or folders searched for photos) into a dated archive," << Qt::endl
        << "  each scaled so that its longer side is at most SIZE pixels (0: original size)." << Qt::endl
        << "  The archive goes to FOLDER (default: the desktop's \"Flazz\" folder); its full" << Qt::endl
        << "  path is the last line printed. Photos keep their date, orientation, colour profile," << Qt::endl
        << "  artist, copyright and description, and lose their GPS position, serial numbers," << Qt::endl
        << "  owner, maker notes and thumbnails; --keep-metadata keeps everything." << Qt::endl;
    return 2;
}

} // namespace

int cliZip(const QStringList &args)
{
    int size = 1024;
    bool keepMetadata = false;
    QString folder;
    QStringList paths;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        auto value = [&](const QString &option, QString &out) { return optionValue(args, i, option, out); };
        QString text;
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            return usage({}), 0;
        if (value(QStringLiteral("--size"), text)) {
            bool ok = false;
            size = text.toInt(&ok);
            if (!ok || (size != 0 && size != 800 && size != 1024 && size != 1600))
                return usage(QStringLiteral("--size takes 0, 800, 1024 or 1600"));
        } else if (value(QStringLiteral("--out"), text)) {
            folder = text;
        } else if (a == QLatin1String("--keep-metadata")) {
            keepMetadata = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            return usage(QStringLiteral("unknown option %1").arg(a));
        } else {
            paths << QFileInfo(a).absoluteFilePath();
        }
    }
    if (paths.isEmpty())
        return usage(QStringLiteral("no photos given"));

    AppState state;
    state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    state.UploadSize = size;
    state.KeepMetadata = keepMetadata;
    cGDIpToken token;
    clsTray tray(state.DataFolder, &token, state.MaxPhotos);
    state.PhotoTray = &tray;
    state.GdiplusToken = &token;
    ConsolePrompt prompt(standardError(), ConsolePrompt::Questions::Accept);
    FileProgress adding;
    PhotoAdder(state, prompt, adding).AddDropped(paths, QString());
    if (tray.Count() == 0) {
        standardError() << "flazz-cli zip: none of the paths holds a photo" << Qt::endl;
        return 1;
    }

    if (folder.isEmpty())
        folder = ZipFolder();
    if (!QDir().mkpath(folder)) {
        standardError() << "flazz-cli zip: cannot create " << folder << Qt::endl;
        return 1;
    }
    const QString archive = QDir(folder).absoluteFilePath(ArchiveName(QDateTime::currentDateTime()));

    ZipArchiveWriter::Hooks hooks;
    if (platform::isTerminal(stderr)) {
        hooks.progress = [](int written, int total) {
            standardError() << "\r" << written << "/" << total << " photos" << (written == total ? "\n" : "")
                            << Qt::flush;
        };
    }
    const MetadataRule rule = MetadataRuleFor(keepMetadata);
    ZipArchiveWriter writer(size);
    writer.setMetadataRule(rule);
    if (writer.write(archive, PhotoPaths(tray), hooks, PreparedCopies(tray, size, rule)) !=
        ZipArchiveWriter::Outcome::Written) {
        standardError() << "flazz-cli zip: " << writer.errorString() << Qt::endl;
        return 1;
    }
    QTextStream(stdout) << tsvField(QDir::toNativeSeparators(archive)) << Qt::endl;
    return 0;
}
