#include "rclone/RcloneNames.h"

RcloneNames::RcloneNames(const QStringList &taken)
{
    for (const QString &name : taken)
        markTaken(name);
}

void RcloneNames::markTaken(const QString &name)
{
    m_taken.insert(name.toCaseFolded());
}

bool RcloneNames::isTaken(const QString &name) const
{
    return m_taken.contains(name.toCaseFolded());
}

QString RcloneNames::claim(const QString &wanted)
{
    QString name = wanted;
    if (isTaken(name)) {
        // A leading dot starts a hidden name, not an extension.
        const qsizetype dot = wanted.lastIndexOf(u'.');
        const QString base = dot > 0 ? wanted.left(dot) : wanted;
        const QString extension = dot > 0 ? wanted.mid(dot) : QString();
        for (int n = 1; isTaken(name); ++n)
            name = base + u" (" + QString::number(n) + u')' + extension;
    }
    markTaken(name);
    return name;
}

std::optional<QString> RcloneNames::folderPath(const QString &typed)
{
    QStringList parts;
    for (const QString &raw : typed.split(u'/', Qt::SkipEmptyParts)) {
        const QString part = raw.trimmed();
        if (part.isEmpty())
            continue;
        if (part == u"." || part == u"..")
            return std::nullopt;
        for (const QChar c : part) {
            if (c.category() == QChar::Other_Control || c == u'\\')
                return std::nullopt;
        }
        parts << part;
    }
    return parts.join(u'/');
}

QString RcloneNames::join(const QString &folder, const QString &name)
{
    return folder.isEmpty() ? name : folder + u'/' + name;
}
