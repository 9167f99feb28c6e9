#include "core/ErrorReport.h"

#include "core/AppState.h"
#include "core/FormatSize.h"
#include "core/UserPrompt.h"
#include "platform/SystemInfo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

namespace ErrorReport {

SystemFacts SystemFacts::current()
{
    SystemFacts facts;
    if (const auto version = platform::osVersion()) {
        facts.osMajor = version->major;
        facts.osMinor = version->minor;
        facts.osBuild = version->build;
    }
    facts.processorType = platform::processorType();
    const platform::MemoryStatus memory = platform::memoryStatus();
    facts.totalMemory = memory.totalPhysical;
    facts.availableMemory = memory.availablePhysical;
    return facts;
}

QString fileName(const QDate &date)
{
    return QStringLiteral("Flazz-%1-%2-%3.err").arg(date.day()).arg(date.month()).arg(date.year());
}

QString filePath(const QString &appDataFolder, const QDate &date)
{
    return appDataFolder + QStringLiteral("log/") + fileName(date);
}

QString cpuName(int processorType)
{
    switch (processorType) {
    case platform::ProcessorType::Intel386:
        return QStringLiteral("Intel 386");
    case platform::ProcessorType::Intel486:
        return QStringLiteral("Intel 486");
    case platform::ProcessorType::IntelPentium:
        return QStringLiteral("Intel Pentium");
    case platform::ProcessorType::MipsR4000:
        return QStringLiteral("MIPS R4000");
    case platform::ProcessorType::Alpha21064:
        return QStringLiteral("DEC Alpha 21064");
    default:
        return QStringLiteral("(unknown)");
    }
}

QString build(const Details &details, const QString &logFile, const QDateTime &now, const SystemFacts &facts)
{
    const QLocale locale;
    const QString longTime = locale.toString(now.time(), QLocale::LongFormat);
    QStringList lines;
    lines << QStringLiteral("-----------------Error Occured----------------")
          << locale.toString(now.date(), QLocale::LongFormat) + QStringLiteral(", ") + longTime
          << QStringLiteral("--------------------------------------------------")
          << QStringLiteral("User Name: GUEST")
          << QStringLiteral("Product: %1 %2.%3")
                 .arg(QString::fromUtf16(ProductName))
                 .arg(MajorVersion)
                 .arg(MinorVersion)
          << QStringLiteral("Destination File: ") + QDir::toNativeSeparators(logFile);
    if (facts.osMajor) {
        lines << QStringLiteral("Major Version: %1").arg(*facts.osMajor)
              << QStringLiteral("Minor Version: %1").arg(facts.osMinor)
              << QStringLiteral("Build: %1").arg(facts.osBuild);
    }
    lines << QStringLiteral("CPU: ") + cpuName(facts.processorType)
          << QStringLiteral("Total RAM: ") + FormatSize(facts.totalMemory)
          << QStringLiteral("Available RAM: ") + FormatSize(facts.availableMemory)
          << QStringLiteral("Option: ") + details.option << QStringLiteral("Module: ") + details.module
          << QStringLiteral("Procedure: ") + details.procedure
          << QStringLiteral("Time: ") + locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                 longTime
          << QStringLiteral("Error No: %1").arg(details.errorNumber)
          << QStringLiteral("Description: ") + details.description
          << QStringLiteral("Source: ") + details.source;
    return lines.join(QStringLiteral("\r\n"));
}

bool append(const QString &path, const QString &report)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray record = '"' + report.toUtf8() + "\"\r\n";
    return file.write(record) == record.size();
}

QString withoutSecrets(const QString &text)
{
    // Error texts of the network layer quote the address they failed on, and
    // an address may carry a token or a signature in its query or fragment;
    // credentials may also travel as "name=value" pairs or an Authorization
    // value. Reports go to support people, so none of it may stay.
    static const QRegularExpression address(
        QStringLiteral(R"re(\b([a-z][a-z0-9+.-]*://[^\s?#"'<>]*)[?#][^\s"'<>]*)re"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression pair(
        QStringLiteral(
            R"re(\b((?:oauth_[a-z_]*|access_token|refresh_token|auth_token|token|code|secret|client_secret|api_sig|frob|password|sessionid)\s*[=:]\s*)[^\s&"'<>,;]+)re"),
        QRegularExpression::CaseInsensitiveOption);
    // Answers quoted in an error carry their tokens as JSON members or, for
    // the print service, XML elements.
    static const QRegularExpression jsonMember(
        QStringLiteral(
            R"re((["'](?:access_token|refresh_token|authentication_token|oauth_token_secret|oauth_token|token|client_secret|secret|password)["']\s*:\s*)(["'])(?:\\.|(?!\2).)*\2)re"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression xmlElement(
        QStringLiteral(
            R"re(<((?:[a-z0-9_]+:)?(?:password|sessionid|token|access_token|partnerpassword))(\s[^>]*)?>[^<]*</\1\s*>)re"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression bearer(QStringLiteral(R"re(\b(Bearer|OAuth)\s+[^\s"'<>]+)re"),
                                           QRegularExpression::CaseInsensitiveOption);
    QString clean = text;
    clean.replace(jsonMember, QStringLiteral("\\1\\2...\\2"));
    clean.replace(xmlElement, QStringLiteral("<\\1\\2>...</\\1>"));
    clean.replace(address, QStringLiteral("\\1?..."));
    clean.replace(pair, QStringLiteral("\\1..."));
    clean.replace(bearer, QStringLiteral("\\1 ..."));
    return clean;
}

} // namespace ErrorReport

QString LogError(AppState &state, UserPrompt &ui, const QString &option, const QString &module,
                 const QString &procedure, int errorNumber, const QString &description, const QString &source)
{
    const QDateTime now = QDateTime::currentDateTime();
    const QString path = ErrorReport::filePath(state.AppDataFolder, now.date());
    const ErrorReport::Details details{option,
                                       module,
                                       procedure,
                                       errorNumber,
                                       ErrorReport::withoutSecrets(description),
                                       ErrorReport::withoutSecrets(source)};
    const QString report = ErrorReport::build(details, path, now, ErrorReport::SystemFacts::current());
    // The window still tells the user when the disk would not take the
    // report; there is nobody else to tell.
    ErrorReport::append(path, report);
    ui.errorReport(report);
    return report;
}
