#include "core/ErrorReport.h"
#include "core/AppState.h"
#include "core/FormatSize.h"
#include "support/ScriptedUserPrompt.h"
#include "support/TestEnvironment.h"
#include "support/TestText.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <utility>

namespace {

TEST(FormatSize, PicksTheUnitAndPrecisionLikeTheMainWindowShowsThem)
{
    const double yotta = 1208925819614629174706176.0; // 1024^8, the largest unit
    const std::pair<double, const char *> cases[] = {
        {0, "0 bytes"},
        {999, "999 bytes"},
        {1000, "0.98 KB"},
        {1023, "1.00 KB"},
        {150000, "146 KB"},
        {1000000, "977 KB"},
        {999.0 * 1024, "999 KB"}, // the boundary stays in the smaller unit
        {999.0 * 1024 + 1, "0.98 MB"},
        {1048576, "1.00 MB"},
        {4.0 * 1024 * 1024 * 1024, "4.00 GB"},
        {100.5 * 1024, "100 KB"}, // from one hundred up, halves round to even
        {101.5 * 1024, "102 KB"},
        {yotta, "1.00 YB"},
        {2000 * yotta, "2000 YB"},
    };
    for (const auto &[bytes, shown] : cases)
        EXPECT_EQ(FormatSize(bytes), QString::fromLatin1(shown)) << bytes;
}

TEST(ErrorReport, FileNameHasNoLeadingZeros)
{
    EXPECT_EQ(ErrorReport::fileName(QDate(2026, 12, 4)), QStringLiteral("Flazz-4-12-2026.err"));
    EXPECT_EQ(ErrorReport::fileName(QDate(2027, 1, 15)), QStringLiteral("Flazz-15-1-2027.err"));
    EXPECT_EQ(ErrorReport::filePath(QStringLiteral("/data/Flazz/"), QDate(2026, 3, 9)),
              QStringLiteral("/data/Flazz/log/Flazz-9-3-2026.err"));
}

TEST(ErrorReport, QuotedAnswersLoseTheirTokensAndPasswords)
{
    const QString clean = ErrorReport::withoutSecrets(
        QStringLiteral(R"({"access_token": "ya29.tok1", 'refresh_token':'1/tok2', "name": "Ann"} )"
                       R"(<GetUserID><Password>pw3</Password><soap:SessionID a="1">ses4</soap:SessionID>)"
                       R"(<Name>Bob</Name></GetUserID> {"token":"tok\"5"})"));
    for (const char *secret : {"tok1", "tok2", "pw3", "ses4", "tok\\\"5"})
        EXPECT_FALSE(clean.contains(QLatin1String(secret))) << secret << " in " << clean.toStdString();
    // What is not a credential stays readable, and so do the names of what was taken out.
    for (const char *kept :
         {R"("access_token": "...")", "<Password>...</Password>", R"("name": "Ann")", "<Name>Bob</Name>"})
        EXPECT_TRUE(clean.contains(QLatin1String(kept))) << kept << " not in " << clean.toStdString();
}

class ErrorReportLayout : public ::testing::Test
{
protected:
    ErrorReport::Details details{QStringLiteral("Message Module"),     QStringLiteral("modMessages"),
                                 QStringLiteral("funcMessageDisplay"), 13,
                                 QStringLiteral("Type \"mismatch\""),  QStringLiteral("Flazz")};
    QDateTime now{QDate(2026, 12, 4), QTime(15, 4, 5)};
    ErrorReport::SystemFacts facts;

    QStringList lines() const
    {
        return ErrorReport::build(details, QStringLiteral("/x/log/Flazz-4-12-2026.err"), now, facts)
            .split(QStringLiteral("\r\n"));
    }
};

TEST_F(ErrorReportLayout, ListsEveryLineInOrder)
{
    facts = {6, 1, 7601, 586, 4.0 * 1024 * 1024 * 1024, 1000};
    const QStringList l = lines();
    ASSERT_EQ(l.size(), 19);
    EXPECT_EQ(l[0], QStringLiteral("-----------------Error Occured----------------"));
    EXPECT_TRUE(l[1].contains(QStringLiteral(", ")) && l[1].contains(QStringLiteral("2026")))
        << qPrintable(l[1]);
    EXPECT_TRUE(l[15].startsWith(QStringLiteral("Time: "))) << qPrintable(l[15]);
    const QStringList fixed{QStringLiteral("--------------------------------------------------"),
                            QStringLiteral("User Name: GUEST"),
                            QStringLiteral("Product: Flazz 1.0"),
                            QStringLiteral("Destination File: ") +
                                QDir::toNativeSeparators(QStringLiteral("/x/log/Flazz-4-12-2026.err")),
                            QStringLiteral("Major Version: 6"),
                            QStringLiteral("Minor Version: 1"),
                            QStringLiteral("Build: 7601"),
                            QStringLiteral("CPU: Intel Pentium"),
                            QStringLiteral("Total RAM: 4.00 GB"),
                            QStringLiteral("Available RAM: 0.98 KB"),
                            QStringLiteral("Option: Message Module"),
                            QStringLiteral("Module: modMessages"),
                            QStringLiteral("Procedure: funcMessageDisplay")};
    EXPECT_EQ(l.mid(2, 13), fixed);
    EXPECT_EQ(l.mid(16),
              (QStringList{QStringLiteral("Error No: 13"), QStringLiteral("Description: Type \"mismatch\""),
                           QStringLiteral("Source: Flazz")}));
}

TEST_F(ErrorReportLayout, LeavesOutTheVersionLinesWhenTheSystemWouldNotSay)
{
    const QStringList l = lines();
    ASSERT_EQ(l.size(), 16);
    EXPECT_EQ(l[5].left(18), QStringLiteral("Destination File: "));
    EXPECT_EQ(l[6], QStringLiteral("CPU: (unknown)"));
}

TEST(LogError, AppendsOneQuotedRecordPerErrorToTheDaysFileAndShowsItEvenWhenItCannotWrite)
{
    TestEnvironment env;
    AppState &state = env.state();
    QDir(state.AppDataFolder + QStringLiteral("log")).removeRecursively(); // created on demand

    ScriptedUserPrompt prompt;

    const QString first =
        LogError(state, prompt, QStringLiteral("Modmain"), QStringLiteral("ModMain"),
                 QStringLiteral("JustFileName"), 5, QStringLiteral("Invalid call"), QStringLiteral("Flazz"));
    const QString second =
        LogError(state, prompt, QStringLiteral("Flickr"), QStringLiteral("clsFlickr"),
                 QStringLiteral("CreateFlickrAccount"), 91, QStringLiteral("Object not set"),
                 QStringLiteral("clsFlickr.CreateFlickrAccount"));
    const auto shown = prompt.callsOf(QStringLiteral("error"));
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0].text, first);
    EXPECT_EQ(shown[1].text, second);

    const QString path = ErrorReport::filePath(state.AppDataFolder, QDate::currentDate());
    const QByteArray expected = '"' + first.toUtf8() + "\"\r\n\"" + second.toUtf8() + "\"\r\n";
    EXPECT_EQ(readBytes(path), expected);
    EXPECT_TRUE(first.contains(QStringLiteral("Destination File: ") + QDir::toNativeSeparators(path)));

    // A folder that cannot be written to still shows the report.
    state.AppDataFolder = QStringLiteral("/proc/flazz-cannot-write-here/");
    LogError(state, prompt, {}, {}, {}, 1, {}, {});
    EXPECT_EQ(prompt.callsOf(QStringLiteral("error")).size(), 3);
}

} // namespace
