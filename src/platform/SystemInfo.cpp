#include "platform/SystemInfo.h"

#include <QFile>
#include <QOperatingSystemVersion>
#include <QRegularExpression>
#include <QSysInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace platform {

std::optional<OsVersion> osVersion()
{
#if defined(Q_OS_LINUX)
    // The distribution's version says little about the system underneath;
    // the kernel's numbers are what a support engineer asks for.
    static const QRegularExpression kNumbers(QStringLiteral("^(\\d+)\\.(\\d+)(?:\\.(\\d+))?"));
    const QRegularExpressionMatch match = kNumbers.match(QSysInfo::kernelVersion());
    if (!match.hasMatch())
        return std::nullopt;
    return OsVersion{match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt()};
#else
    const QOperatingSystemVersion current = QOperatingSystemVersion::current();
    if (current.majorVersion() < 0)
        return std::nullopt;
    return OsVersion{current.majorVersion(), qMax(0, current.minorVersion()),
                     qMax(0, current.microVersion())};
#endif
}

int processorType()
{
    const QString arch = QSysInfo::currentCpuArchitecture();
    if (arch == QLatin1String("i386") || arch == QLatin1String("x86_64"))
        return ProcessorType::IntelPentium;
    return ProcessorType::Unknown;
}

MemoryStatus memoryStatus()
{
    MemoryStatus status;
#if defined(Q_OS_WIN)
    MEMORYSTATUSEX info{};
    info.dwLength = sizeof(info);
    if (GlobalMemoryStatusEx(&info)) {
        status.totalPhysical = double(info.ullTotalPhys);
        status.availablePhysical = double(info.ullAvailPhys);
    }
#elif defined(Q_OS_LINUX)
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (!meminfo.open(QIODevice::ReadOnly | QIODevice::Text))
        return status;
    // Lines read "MemTotal:       16318360 kB".
    const auto kilobytes = [](const QByteArray &line) {
        const QList<QByteArray> parts = line.simplified().split(' ');
        return parts.size() >= 2 ? parts.at(1).toDouble() * 1024 : 0.0;
    };
    const QList<QByteArray> lines = meminfo.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("MemTotal:"))
            status.totalPhysical = kilobytes(line);
        else if (line.startsWith("MemAvailable:"))
            status.availablePhysical = kilobytes(line);
    }
#endif
    return status;
}

} // namespace platform
