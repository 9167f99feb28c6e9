#include "FlazzCli.h"
#include "LifePicsWorld.h"

#include "support/TestText.h"

#include <gtest/gtest.h>

namespace {

class CliPrintTest : public ::testing::Test
{
protected:
    LifePicsWorld world;
    const QString servicesFile = writeServicesFile(world.env.path(s(u"services.ini")), world.config);

    // "print --cart" for the demo account, `password` typed when asked.
    CliRun cart(const QStringList &photos, const QByteArray &password)
    {
        return flazzCli(QStringList{s(u"print"), s(u"--services"), servicesFile, s(u"--cart"),
                                    QString::fromLatin1(LifePicsService::DemoEmail)} +
                            photos,
                        password + '\n');
    }
};

TEST_F(CliPrintTest, CartTakesThePasswordFromStandardInputAndPrintsTheCart)
{
    const QString a = world.photo(s(u"a.jpg"), Qt::red);
    const QString b = world.photo(s(u"b.jpg"), Qt::blue);
    CliRun run = cart({a, b}, QByteArray(LifePicsService::DemoPassword) + "\nignored");
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    ASSERT_FALSE(run.lines.isEmpty());
    EXPECT_TRUE(run.lines.last().startsWith(world.server.baseUrl() + u"/AutoLogin.aspx?token="));
    EXPECT_EQ(world.cartOf(world.demoUser()).size(), 2);
    // The session is over and nothing of the password was shown.
    EXPECT_TRUE(
        world.lifePics().value(u"tokens").toObject().begin().value().toObject().value(u"expired").toBool());
    EXPECT_FALSE(run.errors.contains(QString::fromLatin1(LifePicsService::DemoPassword)));

    // A refused sign-in says why and fails.
    run = cart({a}, "wrong");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains(s(u"Invalid e-mail address or password."))) << qPrintable(run.errors);
    EXPECT_EQ(world.cartOf(world.demoUser()).size(), 2);
}

TEST_F(CliPrintTest, FailedUploadSaysWhyAndFails)
{
    const QString a = world.photo(s(u"a.jpg"), Qt::red);
    // The service refuses the upload envelope from now on.
    world.server.answer("POST", "/v3/LPWebService.asmx", StandinAnswer{500, {}, "<Fault/>"});
    const CliRun run = cart({a}, LifePicsService::DemoPassword);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains(s(u"not taken: ") + a)) << qPrintable(run.errors);
}

TEST_F(CliPrintTest, PdfHasOnePagePerPhotoAndUsageErrorsExitTwo)
{
    const QString a = world.photo(s(u"a.jpg"), Qt::red);
    const QString b = world.photo(s(u"b.jpg"), Qt::blue, QSize(20, 60));
    const QString pdf = world.env.path(s(u"prints.pdf"));
    CliRun run = flazzCli({s(u"print"), s(u"--pdf"), pdf, a, b});
    ASSERT_EQ(run.exitCode, 0) << qPrintable(run.errors);
    const QByteArray bytes = readBytes(pdf);
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 2);

    EXPECT_EQ(flazzCli({s(u"print"), a}).exitCode, 2);
    const CliRun noEmail = flazzCli({s(u"print"), a, s(u"--cart")});
    EXPECT_EQ(noEmail.exitCode, 2);
    EXPECT_TRUE(noEmail.errors.contains(s(u"--cart needs"))) << qPrintable(noEmail.errors);
    // A services file that cannot be read stops before any photo is looked at.
    const CliRun unreadable = flazzCli({s(u"print"), s(u"--services"), world.env.path(s(u"missing.ini")),
                                        s(u"--cart"), s(u"me@example.com"), a});
    EXPECT_EQ(unreadable.exitCode, 2);
    EXPECT_TRUE(unreadable.errors.contains(s(u"missing.ini"))) << qPrintable(unreadable.errors);
    EXPECT_EQ(flazzCli({s(u"print"), s(u"--pdf"), pdf}).exitCode, 2);
    EXPECT_EQ(flazzCli({s(u"print"), s(u"--pdf"), pdf, world.env.path(s(u"none"))}).exitCode, 1);
}

} // namespace
