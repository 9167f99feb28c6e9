#include "LifePicsWorld.h"

#include "support/TestText.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int exitCode = -1;
    QStringList out;
    QString err;
};

// flazz-cli as a user runs it, with `input` typed on standard input.
CliRun flazzCli(const QStringList &args, const QByteArray &input = {})
{
    QProcess process;
    process.start(QStringLiteral(FLAZZ_CLI), args);
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    CliRun run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

class CliPrintTest : public ::testing::Test
{
protected:
    LifePicsWorld world;
    QString servicesFile;

    CliPrintTest()
    {
        const ServiceConfig &c = world.config;
        servicesFile = world.env.writeFile(
            QStringLiteral("services.ini"),
            (u"[LifePics]\nService=" + c.lifePics.service + u"\nSoap=" + c.lifePics.soap + u"\nSite=" +
             c.lifePics.site + u"\nPartnerId=" + c.lifePics.partnerId + u"\nPartnerPassword=\"" +
             c.lifePics.partnerPassword + u"\"\nPartnerSourceId=" + c.lifePics.partnerSourceId + u"\n")
                .toUtf8());
    }
};

TEST_F(CliPrintTest, CartTakesThePasswordFromStandardInputAndPrintsTheCart)
{
    const QString a = world.photo(QStringLiteral("a.jpg"), Qt::red);
    const QString b = world.photo(QStringLiteral("b.jpg"), Qt::blue);
    CliRun run = flazzCli({QStringLiteral("print"), QStringLiteral("--services"), servicesFile,
                           QStringLiteral("--cart"), QString::fromLatin1(LifePicsService::DemoEmail), a, b},
                          QByteArray(LifePicsService::DemoPassword) + "\nignored\n");
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    ASSERT_FALSE(run.out.isEmpty());
    EXPECT_TRUE(run.out.last().startsWith(world.server.baseUrl() + u"/AutoLogin.aspx?token="));
    EXPECT_EQ(world.cartOf(world.demoUser()).size(), 2);
    // The session is over and nothing of the password was shown.
    EXPECT_TRUE(
        world.lifePics().value(u"tokens").toObject().begin().value().toObject().value(u"expired").toBool());
    EXPECT_FALSE(run.err.contains(QString::fromLatin1(LifePicsService::DemoPassword)));

    // A refused sign-in says why and fails.
    run = flazzCli({QStringLiteral("print"), QStringLiteral("--services"), servicesFile,
                    QStringLiteral("--cart"), QString::fromLatin1(LifePicsService::DemoEmail), a},
                   "wrong\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Invalid e-mail address or password.")))
        << qPrintable(run.err);
    EXPECT_EQ(world.cartOf(world.demoUser()).size(), 2);
}

TEST_F(CliPrintTest, FailedUploadSaysWhyAndFails)
{
    const QString a = world.photo(QStringLiteral("a.jpg"), Qt::red);
    // The service refuses the upload envelope from now on.
    world.server.answer("POST", "/v3/LPWebService.asmx", StandinAnswer{500, {}, "<Fault/>"});
    const CliRun run =
        flazzCli({QStringLiteral("print"), QStringLiteral("--services"), servicesFile,
                  QStringLiteral("--cart"), QString::fromLatin1(LifePicsService::DemoEmail), a},
                 QByteArray(LifePicsService::DemoPassword) + "\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("not taken: ") + a)) << qPrintable(run.err);
}

TEST_F(CliPrintTest, PdfHasOnePagePerPhotoAndUsageErrorsExitTwo)
{
    const QString a = world.photo(QStringLiteral("a.jpg"), Qt::red);
    const QString b = world.photo(QStringLiteral("b.jpg"), Qt::blue, QSize(20, 60));
    const QString pdf = world.env.path(QStringLiteral("prints.pdf"));
    CliRun run = flazzCli({QStringLiteral("print"), QStringLiteral("--pdf"), pdf, a, b});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.err);
    const QByteArray bytes = readBytes(pdf);
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 2);

    EXPECT_EQ(flazzCli({QStringLiteral("print"), a}).exitCode, 2);
    const CliRun noEmail = flazzCli({QStringLiteral("print"), a, QStringLiteral("--cart")});
    EXPECT_EQ(noEmail.exitCode, 2);
    EXPECT_TRUE(noEmail.err.contains(QStringLiteral("--cart needs"))) << qPrintable(noEmail.err);
    // A services file that cannot be read stops before any photo is looked at.
    const CliRun unreadable = flazzCli({QStringLiteral("print"), QStringLiteral("--services"),
                                        world.env.path(QStringLiteral("missing.ini")),
                                        QStringLiteral("--cart"), QStringLiteral("me@example.com"), a});
    EXPECT_EQ(unreadable.exitCode, 2);
    EXPECT_TRUE(unreadable.err.contains(QStringLiteral("missing.ini"))) << qPrintable(unreadable.err);
    EXPECT_EQ(flazzCli({QStringLiteral("print"), QStringLiteral("--pdf"), pdf}).exitCode, 2);
    EXPECT_EQ(flazzCli({QStringLiteral("print"), QStringLiteral("--pdf"), pdf,
                        world.env.path(QStringLiteral("none"))})
                  .exitCode,
              1);
}

} // namespace
