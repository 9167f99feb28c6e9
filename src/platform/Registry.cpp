#include "platform/Registry.h"

#include <QFile>
#include <QStandardPaths>
#include <QTextStream>

#ifdef Q_OS_WIN
#include <QSettings>
#endif

namespace platform {

QString registryFilePath()
{
    const QString overridden = qEnvironmentVariable("FLAZZ_REGISTRY_FILE");
    if (!overridden.isEmpty())
        return overridden;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Flazz/HKEY_CURRENT_USER.ini");
}

namespace {

// Registry strings may carry their terminating NUL; callers never want it.
QString withoutTrailingNul(QString value)
{
    while (value.endsWith(QChar(u'\0')))
        value.chop(1);
    return value;
}

QString readIniValue(const QString &file, const QString &subKey, const QString &valueName)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    bool inSection = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            // Registry key names compare without regard to case.
            inSection = line.mid(1, line.size() - 2).trimmed().compare(subKey, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        if (line.left(eq).trimmed().compare(valueName, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1).trimmed();
    }
    return {};
}

} // namespace

QString GetRegString(Hive hive, const QString &subKey, const QString &valueName, const QString &fallback)
{
    Q_UNUSED(hive);
#ifdef Q_OS_WIN
    QSettings key(QStringLiteral("HKEY_CURRENT_USER\\") + subKey, QSettings::NativeFormat);
    const QString value = withoutTrailingNul(key.value(valueName).toString());
#else
    const QString value = withoutTrailingNul(readIniValue(registryFilePath(), subKey, valueName));
#endif
    return value.isEmpty() ? fallback : value;
}

} // namespace platform
