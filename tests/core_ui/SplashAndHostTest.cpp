#include "core/AppState.h"
#include "core/ErrorReport.h"
#include "core/Skin.h"
#include "core/ui/frmLoad.h"
#include "core/ui/frmMsgBox.h"
#include "core/ui/frmSck.h"
#include "support/MouseDrag.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

TEST(frmSck, SplashCarriesTheNoticeGreyOnTheDefaultSkinAndWhiteOnEveryOther)
{
    for (int skin = 0; skin < 6; ++skin) {
        AppState state;
        state.Skin = skin;
        frmSck splash(state);
        splash.SetMessage(frmSck::Splash);
        splash.show();
        const QColor expected = skin == 0 ? QColor(91, 91, 91) : QColor(Qt::white);
        EXPECT_EQ(splash.lblMessage()->palette().color(QPalette::WindowText), expected) << "skin " << skin;
        EXPECT_EQ(splash.lblMessage()->text(), frmSck::legalNotice());
        splash.hide();
    }
}

TEST(frmSck, SplashUnloadsItselfWhenItsThreeSecondsAreUpAndForgetsItsMode)
{
    AppState state;
    frmSck splash(state);
    splash.SetMessage(frmSck::Splash);
    bool timed = false;
    QTimer::singleShot(0, &splash, [&] {
        QTimer *timer = splash.splashTimer();
        timed = timer->isActive() && timer->isSingleShot() && timer->interval() == 3000;
        // The three seconds pass at once: the splash must close by itself.
        timer->start(0);
    });
    QTimer::singleShot(30000, &splash, &QDialog::reject); // a stuck splash must not hang the suite
    EXPECT_EQ(splash.exec(), QDialog::Accepted);
    EXPECT_TRUE(timed);
    EXPECT_TRUE(splash.mode().isEmpty());
}

TEST(Version, SplashAndErrorReportBothCarryTheVersionTheBuildWasMadeWith)
{
    const QString version = QStringLiteral(FLAZZ_PROJECT_VERSION);
    EXPECT_EQ(frmSck::legalNotice().section(QLatin1Char('\n'), 0, 0), QStringLiteral("Flazz ") + version);
    const QString report = ErrorReport::build({}, QStringLiteral("/x/log/a.err"),
                                              QDateTime::currentDateTime(), ErrorReport::SystemFacts{});
    EXPECT_TRUE(report.contains(QStringLiteral("\r\nProduct: Flazz ") + version + QStringLiteral("\r\n")))
        << qPrintable(report);
}

// A busy window built before the skin changed wears the new one.
TEST(frmSck, BusyModesShowTheSmallWindowInTheCurrentSkin)
{
    AppState state;
    frmSck early(state);
    state.Skin = 5;
    early.SetMessage(frmSck::Busy);
    early.show();
    EXPECT_EQ(early.lblMessage()->palette().color(QPalette::WindowText), Skin::textColor(5));
    for (const QString &mode : {frmSck::Busy, frmSck::PleaseWait}) {
        frmSck busy(state);
        busy.SetMessage(mode);
        busy.show();
        EXPECT_EQ(busy.lblMessage()->text(), QStringLiteral("Please wait..."));
        EXPECT_FALSE(busy.splashTimer()->isActive()); // stays until its owner closes it
        EXPECT_TRUE(busy.windowFlags() & Qt::WindowStaysOnTopHint);
        busy.close();
        EXPECT_TRUE(busy.mode().isEmpty());
    }
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

// A start at log-in waits behind the icon; with no notification area to come
// back from, the window shows all the same.
TEST(frmLoad, AStartInTheTrayKeepsTheWindowHiddenOnlyWhenThereIsATray)
{
    for (const bool trayAvailable : {true, false}) {
        AppState state;
        frmLoad host(state);
        host.setTrayFactory([](frmLoad &) { return std::make_unique<QObject>(); });
        host.setMainWindowFactory([](frmLoad &) { return std::make_unique<QWidget>(); });
        host.setTrayAvailable([trayAvailable] { return trayAvailable; });
        host.Form_Load(false);
        ASSERT_NE(host.mainWindow(), nullptr);
        EXPECT_EQ(host.mainWindow()->isVisible(), !trayAvailable);
    }
}

TEST(SkinnedDialog, DraggingTheTitleMovesTheWindowAndOtherButtonsDoNot)
{
    AppState state;
    frmMsgBox box(state);
    box.show();
    box.move(100, 100);
    const QPoint start = box.pos();
    dragBy(box.titleLabel(), QPoint(20, 10), QPoint(60, 35));
    EXPECT_EQ(box.pos(), start + QPoint(60, 35));

    // Once released, moving the mouse moves nothing; the right button is no drag.
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 10),
                     QPointF(box.titleLabel()->mapToGlobal(QPoint(300, 300))), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(box.titleLabel(), &move);
    dragBy(box.titleLabel(), QPoint(20, 10), QPoint(60, 60), Qt::RightButton);
    EXPECT_EQ(box.pos(), start + QPoint(60, 35));
}

} // namespace
