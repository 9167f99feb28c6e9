#include "photoset/PathRoutines.h"

#include <QDir>
#include <QFileInfo>

namespace {

qsizetype lastSeparator(const QString &path)
{
    return std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
}

bool endsWithSeparator(const QString &path)
{
    return path.endsWith(QLatin1Char('/')) || path.endsWith(QLatin1Char('\\'));
}

} // namespace

QString JustFileName(const QString &path)
{
    const qsizetype at = lastSeparator(path);
    return at < 0 ? path : path.mid(at + 1);
}

QString JustFileExtn(const QString &path, bool withDot)
{
    const qsizetype at = path.lastIndexOf(QLatin1Char('.'));
    if (at < 0)
        return {};
    return path.mid(withDot ? at : at + 1);
}

bool PathExists(const QString &path, int kind)
{
    if (path.isEmpty())
        return false;
    const QString native = QDir::fromNativeSeparators(path);
    switch (kind) {
    case PathKind::File:
        // A listing of "name/" finds nothing, hence the separator rule; a
        // folder found by name counts, as it would in a listing.
        return !endsWithSeparator(path) && QFileInfo::exists(native);
    case PathKind::Folder:
        return QFileInfo(native).isDir();
    default:
        return true;
    }
}
