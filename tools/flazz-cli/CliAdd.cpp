// flazz-cli add: a drop without the window. The paths go through the very
// code the drop zone uses, so the rules (content check, duplicates, the
// 100-photo limit, folders searched depth first) are the program's own.

#include "CliSupport.h"
#include "core/AppState.h"
#include "core/UserPrompt.h"
#include "imaging/cGDIpToken.h"
#include "photoset/AddProgress.h"
#include "photoset/PhotoAdder.h"
#include "photoset/clsTray.h"
#include "platform/ShellFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

int cliAdd(const QStringList &args);

namespace {

constexpr char kHelp[] = "Usage: flazz-cli add PATH...\n"
                         "\n"
                         "Adds photos to a fresh photo set exactly as dropping PATH... on the drop\n"
                         "zone would: files and folders in the order given, folders searched depth\n"
                         "first by name, each file decoded to check it is a whole BMP, GIF, JPEG or\n"
                         "PNG image, duplicates by content refused, at most 100 photos.\n"
                         "\n"
                         "Prints one tab-separated line per file looked at:\n"
                         "  added    ID      PATH     (ID: the photo's content hash)\n"
                         "  refused  REASON  PATH     (duplicate, not an image, damaged, too\n"
                         "                             large (over 32 megapixels), unsupported type,\n"
                         "                             extension, limit, unreadable)\n"
                         "TAB, CR, LF and backslash in a field are written \\t, \\r, \\n and \\\\.\n"
                         "Messages the window would show go to standard error.\n"
                         "\n"
                         "Exit status: 0 when at least one photo was added, 1 when none, 2 on a\n"
                         "usage error.\n";

} // namespace

int cliAdd(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (printedHelp(args, kHelp))
        return 0;
    QStringList paths;
    for (const QString &arg : args) {
        if (arg.startsWith(QLatin1String("--"))) {
            return usageError("add", u"unknown option " + arg, kHelp);
        }
        // Web addresses stay as dropped; the set refuses them itself.
        paths << (arg.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
                      ? arg
                      : QDir::cleanPath(QFileInfo(arg).absoluteFilePath()));
    }
    if (paths.isEmpty()) {
        err << kHelp;
        return 2;
    }

    AppState state;
    state.setFolders(platform::shellFolder(platform::ShellFolder::CommonAppData));
    cGDIpToken token;
    clsTray tray(state.DataFolder, &token, state.MaxPhotos);
    state.GdiplusToken = &token;
    state.PhotoTray = &tray;
    ConsolePrompt prompt(err);
    FileProgress progress([&out](const PhotoCheck &check) {
        if (check.refusal == AddRefusal::None)
            out << "added\t" << tsvField(check.ID) << '\t' << tsvField(check.FilePath) << Qt::endl;
        else
            out << "refused\t" << refusalText(check.refusal) << '\t' << tsvField(check.FilePath) << Qt::endl;
    });

    PhotoAdder adder(state, prompt, progress);
    const PhotoAdder::Summary summary = adder.AddDropped(paths, QString());
    return summary.added > 0 ? 0 : 1;
}
