#include "photoset/ui/AdPanel.h"

#include "platform/CompanionWindow.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QUuid>

#include <gtest/gtest.h>

namespace {

const QString kOnline = QStringLiteral("http://ads.example.test/flazzads.html");

class AdPanelTest : public ::testing::Test
{
protected:
    TestEnvironment env;
    const QString localPage =
        env.writeFile(QStringLiteral("ad.html"), "<html><body><p>local advert</p></body></html>");
    QString local() const { return localPage; }
    static AdPanel::Fetch answering(int status, QByteArray body = {})
    {
        return [status, body](const QString &) { return AdPanel::Answer{status, body}; };
    }
};

// The online page shows only when it answers 200; navigation stays on the
// page that is shown.
TEST_F(AdPanelTest, OnlinePageIsShownOnlyWhenItAnswers200AndNavigationStaysOnIt)
{
    AdPanel panel;
    panel.load(kOnline, local(), answering(200, "<p>online advert</p>"));
    EXPECT_TRUE(panel.showsOnlinePage());
    EXPECT_EQ(panel.page(), QUrl(kOnline));
    EXPECT_TRUE(panel.allowsNavigation(QUrl(kOnline + QStringLiteral("#top"))));
    EXPECT_TRUE(panel.allowsNavigation(QUrl::fromLocalFile(local())));
    EXPECT_FALSE(panel.allowsNavigation(QUrl(QStringLiteral("http://elsewhere.example/"))));

    for (int status : {0, 404, 500}) {
        panel.load(kOnline, local(), answering(status));
        EXPECT_FALSE(panel.showsOnlinePage()) << status;
        EXPECT_EQ(panel.page(), QUrl::fromLocalFile(local())) << status;
        EXPECT_FALSE(panel.allowsNavigation(QUrl(kOnline))) << status;
    }
    ASSERT_FALSE(panel.usesWebEngine()); // offscreen: the plain view
    EXPECT_TRUE(panel.findChild<QTextBrowser *>()->toPlainText().contains(QStringLiteral("local advert")));
}

// Sees the key presses that get past the panel to the page.
class KeyWitness : public QObject
{
public:
    QList<int> seen;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            seen << static_cast<QKeyEvent *>(event)->key();
        return false;
    }
};

TEST_F(AdPanelTest, BrowserShortcutsTypedIntoThePageStopAtThePanel)
{
    AdPanel panel;
    panel.load(QString(), local(), {});
    panel.show();
    auto *view = panel.findChild<QTextBrowser *>();
    ASSERT_NE(view, nullptr);
    // The page's typing target, made after the panel as the web engine
    // makes its own; the witness listens behind the panel's guard.
    KeyWitness witness;
    auto *page = new QWidget;
    page->installEventFilter(&witness);
    page->setParent(view->viewport());

    const auto type = [page](int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(page, &press);
    };
    type(Qt::Key_F5, Qt::NoModifier);
    for (int key : {Qt::Key_K, Qt::Key_L, Qt::Key_M, Qt::Key_N, Qt::Key_O})
        type(key, Qt::ControlModifier);
    EXPECT_TRUE(witness.seen.isEmpty());

    type(Qt::Key_F6, Qt::NoModifier);
    type(Qt::Key_L, Qt::NoModifier);
    type(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(witness.seen, (QList<int>{Qt::Key_F6, Qt::Key_L, Qt::Key_C}));
}

TEST(Companion, CloseIsSentWhenTheCompanionListensAndNothingOtherwise)
{
    const QString name = QStringLiteral("FlazzComTest-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    EXPECT_FALSE(platform::closeCompanion(name, 100));

    QLocalServer server;
    ASSERT_TRUE(server.listen(name));
    QByteArray received;
    QObject::connect(&server, &QLocalServer::newConnection, &server, [&] {
        QLocalSocket *socket = server.nextPendingConnection();
        received += socket->readAll();
        QObject::connect(socket, &QLocalSocket::readyRead, socket,
                         [&received, socket] { received += socket->readAll(); });
    });
    EXPECT_TRUE(platform::closeCompanion(name, 1000));
    QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("close"), 3000);
}

} // namespace
