#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

#include <optional>

struct AppState;
class UserPrompt;

// Error reports: when a routine meets an error it cannot live with, it
// writes what happened, with the facts about the machine a support engineer
// asks first, to a daily file under the data folder, shows the report, and
// the program ends.
namespace ErrorReport {

// Line 5 of every report.
inline constexpr char16_t ProductName[] = u"Flazz";
inline constexpr int MajorVersion = 1;
inline constexpr int MinorVersion = 0;

// What the failing routine knows about its error.
struct Details
{
    QString option;    // free-form area, e.g. "Message Module"
    QString module;    // e.g. "modMessages"
    QString procedure; // e.g. "funcMessageDisplay"
    int errorNumber = 0;
    QString description;
    QString source;
};

// What the report says about the machine.
struct SystemFacts
{
    std::optional<int> osMajor; // the three version lines appear only when known
    int osMinor = 0;
    int osBuild = 0;
    int processorType = 0;
    double totalMemory = 0;
    double availableMemory = 0;

    static SystemFacts current();
};

// "Flazz-4-12-2026.err": day, month, year without leading zeros.
QString fileName(const QDate &date);
// The day's report file under "log/" of the application-data folder.
QString filePath(const QString &appDataFolder, const QDate &date);

// "Intel Pentium" and friends for the few codes that have a name.
QString cpuName(int processorType);

// The report text, lines joined by CR LF, without a trailing line break.
QString build(const Details &details, const QString &logFile, const QDateTime &now, const SystemFacts &facts);

// Appends one record to `path`: the report between double quotes, then
// CR LF. The "log" folder is created when it is missing, since a report
// that cannot be written helps nobody. False when the file cannot be written.
bool append(const QString &path, const QString &report);

// `text` with what must never reach a report taken out: the query and
// fragment of every address, credential parameters and Authorization values.
QString withoutSecrets(const QString &text);

} // namespace ErrorReport

// Writes the day's report for this error and shows it in the error window.
// The window ends the program when it closes; for prompts without windows
// the call returns. Returns the report text.
QString LogError(AppState &state, UserPrompt &ui, const QString &option, const QString &module,
                 const QString &procedure, int errorNumber, const QString &description,
                 const QString &source);
