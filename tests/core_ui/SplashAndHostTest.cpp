#include "core/AppState.h"
#include "core/ui/frmLoad.h"
#include "core/ui/frmSck.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(frmSck, SplashTextIsGreyOnTheDefaultSkinAndWhiteOnEveryOther)
{
    for (int skin = 0; skin < 6; ++skin) {
        AppState state;
        state.Skin = skin;
        frmSck splash(state);
        splash.SetMessage(frmSck::Splash);
        splash.show();
        const QColor expected = skin == 0 ? QColor(91, 91, 91) : QColor(Qt::white);
        EXPECT_EQ(splash.lblMessage()->palette().color(QPalette::WindowText), expected) << "skin " << skin;
        splash.hide();
    }
}

TEST(frmSck, SplashIsLaidOutInTwipsAndCarriesTheNotice)
{
    AppState state;
    frmSck splash(state);
    splash.SetMessage(frmSck::Splash);
    splash.show();
    EXPECT_EQ(splash.size(), QSize(800, 492));
    EXPECT_EQ(splash.lblMessage()->pos(), QPoint(400 + 100, 415));
    EXPECT_EQ(splash.lblMessage()->width(), 573);
    EXPECT_EQ(splash.lblMessage()->text(), frmSck::legalNotice());
    EXPECT_EQ(frmSck::legalNotice().count(QLatin1Char('\n')), 2);
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
}

TEST(frmSck, SplashUnloadsItselfAfterThreeSecondsAndForgetsItsMode)
{
    AppState state;
    frmSck splash(state);
    splash.SetMessage(frmSck::Splash);
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(4000, &splash, &QDialog::reject); // a stuck splash must not hang the suite
    splash.exec();
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_LT(clock.elapsed(), 3900);
    EXPECT_TRUE(splash.mode().isEmpty());
}

TEST(frmSck, BusyModesShowTheSmallWindow)
{
    AppState state;
    for (const QString &mode : {frmSck::Busy, frmSck::PleaseWait}) {
        frmSck busy(state);
        busy.SetMessage(mode);
        busy.show();
        EXPECT_EQ(busy.size(), QSize(168, 59));
        EXPECT_EQ(busy.lblMessage()->text(), QStringLiteral("Please wait..."));
        EXPECT_FALSE(busy.splashTimer()->isActive()); // stays until its owner closes it
        EXPECT_TRUE(busy.windowFlags() & Qt::WindowStaysOnTopHint);
        busy.close();
        EXPECT_TRUE(busy.mode().isEmpty());
    }
    frmSck processing(state);
    processing.show();
    EXPECT_EQ(
        processing.lblMessage()->text(),
        QStringLiteral("Flazz is processing your query and will display the results in the 'Results Grid'. "
                       "Please wait..."));
}

TEST(frmLoad, LoadsTrayThenMainWindowAndReleasesThemWhenItGoes)
{
    AppState state;
    QStringList order;
    QPointer<QWidget> main;
    QPointer<QObject> tray;
    {
        frmLoad host(state);
        host.setTrayFactory([&](frmLoad &) {
            order << QStringLiteral("tray");
            auto object = std::make_unique<QObject>();
            tray = object.get();
            return object;
        });
        host.setMainWindowFactory([&](frmLoad &h) {
            order << QStringLiteral("main");
            EXPECT_EQ(&h, &host);
            auto window = std::make_unique<QWidget>();
            window->resize(300, 200);
            main = window.get();
            return window;
        });
        EXPECT_EQ(host.Timer1(), nullptr); // no check given: nothing to time

        host.Form_Load();
        EXPECT_EQ(order, (QStringList{QStringLiteral("tray"), QStringLiteral("main")}));
        ASSERT_TRUE(main);
        EXPECT_TRUE(main->isVisible());
        EXPECT_FALSE(host.isVisible());

        host.Unload();
        EXPECT_FALSE(main->isVisible());
        EXPECT_TRUE(tray); // still reachable by whoever called Unload
    }
    EXPECT_FALSE(main);
    EXPECT_FALSE(tray);
}

} // namespace
