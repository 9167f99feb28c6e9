#include "LifePicsWorld.h"

#include "core/ui/LinkLabel.h"
#include "imaging/cGDIpToken.h"
#include "photoset/UploadWindow.h"
#include "photoset/clsTray.h"
#include "support/RecordingShell.h"
#include "support/RecordingUploadWindow.h"
#include "support/TestText.h"
#include "webservices/flows/PrintFlow.h"
#include "webservices/ui/QtLocalPrinter.h"
#include "webservices/ui/QtPrintWindows.h"
#include "webservices/ui/frmLifePics.h"
#include "webservices/ui/frmPrinter.h"

#include <QApplication>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

struct RecordingPrinter : LocalPrinter
{
    QList<QStringList> printed;
    const char *failure = nullptr; // thrown instead of printing
    void print(const QStringList &paths) override
    {
        if (failure)
            throw std::runtime_error(failure);
        printed << paths;
    }
};

// Runs `act` on the modal window of type W as soon as it is up.
template<class W> void whenShown(std::function<void(W &)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        if (auto *window = qobject_cast<W *>(QApplication::activeModalWidget());
            window && window->isVisible()) {
            timer->deleteLater();
            timer->stop();
            act(*window);
        }
    });
    timer->start();
}

class PrintWindowsTest : public ::testing::Test
{
protected:
    LifePicsWorld world;
    cGDIpToken token;
    clsTray tray{world.state().DataFolder, &token};
    RecordingUploadWindow window;
    RecordingShell shell;
    QtPrintWindows windows{world.state(), world.config.lifePics.serviceName};
    RecordingPrinter local;
    QStringList photos;
    PrintFlow flow{world.state(), window, world.prompt, shell, world.config.lifePics, windows, local};
    // frmPrinter as a user goes through it: Online the first time; back from
    // the sign-in, a local print (the window stays), then Exit.
    int printersShown = 0;
    std::function<void(frmPrinter &)> onlineThenLocalThenExit = [this](frmPrinter &printer) {
        if (++printersShown == 1) {
            QTest::mouseClick(printer.cmdOK(), Qt::LeftButton);
            return;
        }
        printer.rdoExisiting()->setChecked(true);
        QTest::mouseClick(printer.cmdOK(), Qt::LeftButton);
        EXPECT_TRUE(printer.isVisible());
        QTest::mouseClick(printer.cmdExit(), Qt::LeftButton);
    };

    PrintWindowsTest()
    {
        world.state().PhotoTray = &tray;
        world.state().GdiplusToken = &token;
        for (int i = 0; i < 2; ++i) {
            photos << world.photo(s(u"p%1.jpg").arg(i), i ? Qt::red : Qt::blue);
            EXPECT_TRUE(tray.AddPhoto(photos.last(), {}, {}));
        }
    }
};

TEST_F(PrintWindowsTest, PrintOnlineSignsInUploadsAndClosesBothWindows)
{
    int maximum = -1;
    whenShown<frmPrinter>([](frmPrinter &printer) {
        EXPECT_TRUE(printer.rdoNew()->isChecked());
        QTest::mouseClick(printer.cmdOK(), Qt::LeftButton);
    });
    whenShown<frmLifePics>([&](frmLifePics &lifePics) {
        lifePics.txtEmailAddress()->setText(QString::fromLatin1(LifePicsService::DemoEmail));
        lifePics.txtPassword()->setFocus();
        QTest::keyClicks(lifePics.txtPassword(), QString::fromLatin1(LifePicsService::DemoPassword));
        QTimer::singleShot(0, &lifePics, [&] { maximum = lifePics.pbrStatus()->maximum(); });
        QTest::keyClick(lifePics.txtPassword(), Qt::Key_Return); // Enter logs in
    });
    flow.run();

    EXPECT_EQ(maximum, 3);
    ASSERT_EQ(shell.opened.size(), 1);
    EXPECT_EQ(world.cartOf(world.demoUser()).size(), 2);
    EXPECT_EQ(world.prompt.calls.last().kind, s(u"done"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(world.state().ModalFormOpen);
    EXPECT_EQ(window.enabledHistory, (std::vector<bool>{false, true}));
}

TEST_F(PrintWindowsTest, ClosingTheSignInBringsThePrintWindowBackAndLocalPrintingKeepsIt)
{
    whenShown<frmPrinter>(onlineThenLocalThenExit);
    whenShown<frmLifePics>([&](frmLifePics &lifePics) {
        EXPECT_FALSE(lifePics.busy());
        whenShown<frmPrinter>(onlineThenLocalThenExit);
        QTest::mouseClick(lifePics.btnClose(), Qt::LeftButton);
    });
    flow.run();

    EXPECT_EQ(printersShown, 2);
    EXPECT_EQ(local.printed, QList<QStringList>{photos}); // in set order
    EXPECT_EQ(world.server.requestCount(), 0);
    EXPECT_TRUE(world.prompt.calls.isEmpty());
    EXPECT_EQ(window.enabledHistory, (std::vector<bool>{false, true}));
}

TEST_F(PrintWindowsTest, WhatEscapesTheLoginOrLocalPrintingIsReportedAndTheWindowsEndCleanly)
{
    local.failure = "the printer driver went away";
    world.prompt.onShow = [](const ScriptedUserPrompt::Call &call) {
        if (call.kind == u"message")
            throw std::runtime_error("session lost");
    };
    whenShown<frmPrinter>(onlineThenLocalThenExit);
    whenShown<frmLifePics>([&](frmLifePics &lifePics) {
        whenShown<frmPrinter>(onlineThenLocalThenExit);
        lifePics.txtEmailAddress()->setText(QString::fromLatin1(LifePicsService::DemoEmail));
        lifePics.txtPassword()->setText(s(u"not the password"));
        QTest::mouseClick(lifePics.btnLifePicsLogin(), Qt::LeftButton);
    });
    flow.run();

    EXPECT_EQ(printersShown, 2);
    const auto reports = world.prompt.callsOf(s(u"error"));
    ASSERT_EQ(reports.size(), 2);
    EXPECT_TRUE(reports.at(0).text.contains(u"btnLifePicsLogin_Click"));
    EXPECT_TRUE(reports.at(0).text.contains(u"session lost"));
    EXPECT_TRUE(reports.at(1).text.contains(u"cmdOK_Click"));
    EXPECT_TRUE(reports.at(1).text.contains(u"the printer driver went away"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_FALSE(world.state().ModalFormOpen);
    EXPECT_EQ(window.enabledHistory, (std::vector<bool>{false, true}));
}

TEST_F(PrintWindowsTest, LocalPrintingPreviewsOnePagePerPhoto)
{
    int pages = -1;
    whenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog &preview) {
        auto *widget = preview.findChild<QPrintPreviewWidget *>();
        ASSERT_NE(widget, nullptr);
        widget->updatePreview();
        pages = widget->pageCount();
        preview.reject();
    });
    QtLocalPrinter(world.state()).print(photos);
    EXPECT_EQ(pages, 2);
    EXPECT_FALSE(world.state().ModalFormOpen);
}

TEST(PrintWindowsViews, BusyShowsTheProgressViewAndIgnoresClosing)
{
    AppState state;
    frmLifePics window(state, nullptr, s(u"LifePics"));
    window.show();
    window.SetBusy(true);
    EXPECT_TRUE(window.pbrStatus()->isVisible());
    EXPECT_FALSE(window.txtPassword()->isVisible());
    window.reject(); // Escape during the upload
    EXPECT_TRUE(window.isVisible());
    window.SetBusy(false);
    window.reject();
    EXPECT_FALSE(window.isVisible());
}

} // namespace
