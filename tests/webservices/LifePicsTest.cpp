#include "LifePicsWorld.h"

#include "support/TaggedPhoto.h"
#include "support/TestText.h"
#include "webservices/clsLifePics.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

class LifePicsTest : public ::testing::Test
{
protected:
    LifePicsWorld world;
    QStringList statuses;
    QList<int> counts;
    clsLifePics lifePics{
        world.config.lifePics, world.state(), world.prompt,
        clsLifePics::Hooks{
            [this](const QString &t) { statuses << t; }, [this](int n) { counts << n; }, {}, {}}};

    void signIn()
    {
        ASSERT_TRUE(lifePics.InitiateSession()) << qPrintable(lifePics.LastError());
        ASSERT_TRUE(lifePics.GetUserId(QString::fromLatin1(LifePicsService::DemoEmail),
                                       QString::fromLatin1(LifePicsService::DemoPassword)))
            << qPrintable(lifePics.LastError());
    }
};

TEST_F(LifePicsTest, OneSessionPutsEveryPhotoIntoTheCartInOrder)
{
    const QStringList photos = {world.photo(s(u"a.jpg"), Qt::red),
                                world.photo(s(u"Tom & Jerry.jpg"), Qt::green),
                                world.photo(s(u"c.jpg"), Qt::blue)};
    signIn();
    EXPECT_EQ(lifePics.UserID(), world.demoUser());
    EXPECT_FALSE(lifePics.MerchantID().isEmpty());
    ASSERT_TRUE(lifePics.UploadFiles(photos.join(u'\t')));
    ASSERT_EQ(lifePics.ImageIDs().size(), 4);
    EXPECT_TRUE(lifePics.ImageIDs().first().isEmpty());
    const QString cart = lifePics.AddImagesToCart();
    ASSERT_TRUE(cart.startsWith(world.server.baseUrl() + u"/AutoLogin.aspx?")) << qPrintable(cart);
    EXPECT_TRUE(lifePics.TerminateSession());

    // The service kept each photo byte for byte, in the cart in set order.
    const QJsonArray inCart = world.cartOf(world.demoUser());
    ASSERT_EQ(inCart.size(), 3);
    const QJsonObject images = world.lifePics().value(u"images").toObject();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(inCart.at(i).toString(), lifePics.ImageIDs().at(i + 1));
        const QJsonObject image = images.value(inCart.at(i).toString()).toObject();
        EXPECT_EQ(image.value(u"name").toString(), QFileInfo(photos.at(i)).fileName());
        EXPECT_EQ(world.store.fileBytes(s(u"LifePics"), image.value(u"file").toString()),
                  readBytes(photos.at(i)));
    }
    EXPECT_EQ(counts, (QList<int>{1, 2, 3}));
    EXPECT_EQ(statuses,
              (QStringList{s(u"Connecting to LifePics..."), s(u"Authenticating the user..."),
                           s(u"Flazzing File 1 of 3 ..."), s(u"Flazzing File 2 of 3 ..."),
                           s(u"Flazzing File 3 of 3 ..."), s(u"Activity completed."),
                           s(u"Adding images to cart..."), s(u"Closing connection with LifePics...")}));
    // The session is over: the service refuses to end it twice.
    EXPECT_FALSE(lifePics.TerminateSession());
}

// Prints are made from the original picture, which arrives byte for byte;
// what metadata goes along is the user's choice, as on every road out.
TEST_F(LifePicsTest, PrintsGetTheWholePictureAndOnlyTheMetadataTheUserLetsGo)
{
    const QByteArray photo = tagged::jpeg();
    const QString path = world.env.writeFile(s(u"photos/harbour.jpg"), photo);
    signIn();
    ASSERT_TRUE(lifePics.UploadFiles(path));
    world.state().KeepMetadata = true;
    ASSERT_TRUE(lifePics.UploadFiles(path));
    ASSERT_EQ(lifePics.ImageIDs().size(), 3);
    const QJsonObject images = world.lifePics().value(u"images").toObject();
    const auto arrived = [&](int i) {
        return world.store.fileBytes(
            s(u"LifePics"), images.value(lifePics.ImageIDs().at(i)).toObject().value(u"file").toString());
    };
    EXPECT_FALSE(tagged::readBack(arrived(1)).contains(s(u"Exif.GPSInfo.GPSLatitude")));
    EXPECT_TRUE(tagged::readBack(arrived(1)).contains(s(u"Exif.Photo.DateTimeOriginal")));
    EXPECT_EQ(tagged::scanData(arrived(1)), tagged::scanData(photo));
    EXPECT_EQ(arrived(2), photo);
}

TEST_F(LifePicsTest, RefusedPartnerOrUserIsAFailureWithAReason)
{
    ServiceConfig::LifePics wrongPartner = world.config.lifePics;
    wrongPartner.partnerPassword = s(u"Flz#00000");
    clsLifePics stranger(wrongPartner, world.state(), world.prompt);
    EXPECT_FALSE(stranger.InitiateSession());
    EXPECT_EQ(stranger.LastError(), s(u"BeginPartnerSession answered HTTP 500"));

    ASSERT_TRUE(lifePics.InitiateSession());
    EXPECT_FALSE(lifePics.GetUserId(QString::fromLatin1(LifePicsService::DemoEmail), s(u"guess")));
    EXPECT_EQ(lifePics.LastError(), s(u"Invalid e-mail address or password."));
    EXPECT_FALSE(lifePics.LastError().contains(s(u"guess")));
    // The user may correct the entries within the same session.
    EXPECT_TRUE(lifePics.GetUserId(s(u"  PRINTS@sandbox.example"),
                                   QString::fromLatin1(LifePicsService::DemoPassword)));
}

// A service that answers one step with an error status: that step fails and
// the others are not disturbed.
TEST(LifePicsStatus, AnyStatusBut200FailsItsStep)
{
    const QByteArray ok[] = {
        "<BeginPartnerSession><SessionID>S1</SessionID></BeginPartnerSession>",
        "<GetUserID><UserID>U1</UserID><MerchantID>M1</MerchantID></GetUserID>",
        "<soap:Envelope xmlns:soap=\"x\"><soap:Body><UploadFileResponse><UploadFileResult><UploadFile>"
        "<ImageID>I1</ImageID></UploadFile></UploadFileResult></UploadFileResponse></soap:Body></"
        "soap:Envelope>",
        "<AddImagesToCart><AutoLoginURL>http://cart.example/x</AutoLoginURL></AddImagesToCart>",
        "<EndSession><Status>Success</Status></EndSession>",
    };
    const QByteArray paths[] = {"/v3/LPWebService.asmx/BeginPartnerSession",
                                "/v3/LPWebService.asmx/GetUserID", "/v3/LPWebService.asmx",
                                "/v3/LPWebService.asmx/AddImagesToCart", "/v3/LPWebService.asmx/EndSession"};
    for (int failing = 0; failing < 5; ++failing) {
        SCOPED_TRACE(failing);
        TestEnvironment env;
        ScriptedUserPrompt prompt;
        StandinServer server;
        for (int step = 0; step < 5; ++step)
            server.answer("POST", paths[step],
                          StandinAnswer{step == failing ? 503 : 200,
                                        {},
                                        // The upload reads any answer; a failing one carries no image.
                                        step == failing && step == 2 ? QByteArray("<Fault/>") : ok[step]});
        ServiceConfig::LifePics config = ServiceConfig::defaults().lifePics;
        config.service = config.soap = server.baseUrl();
        const QString photo = env.writeFile(s(u"p.jpg"), "not really a photo");
        clsLifePics lifePics(config, env.state(), prompt);

        EXPECT_EQ(lifePics.InitiateSession(), failing != 0);
        EXPECT_EQ(lifePics.GetUserId(s(u"a@b"), s(u"pw")), failing != 1);
        // An upload answer without an image is left out of the cart, quietly.
        EXPECT_TRUE(lifePics.UploadFiles(photo));
        EXPECT_EQ(lifePics.ImageIDs().size(), failing == 2 ? 1 : 2);
        EXPECT_EQ(lifePics.FilesLeftOut().size(), failing == 2 ? 1 : 0);
        EXPECT_EQ(lifePics.AddImagesToCart().isEmpty(), failing == 3);
        EXPECT_EQ(lifePics.TerminateSession(), failing != 4);
        EXPECT_TRUE(prompt.calls.isEmpty());
    }
}

TEST(LifePicsStatus, NoConnectionStopsTheUploadWithTheConnectionWindow)
{
    TestEnvironment env;
    ScriptedUserPrompt prompt;
    ServiceConfig::LifePics config = ServiceConfig::defaults().lifePics;
    config.service = config.soap = s(u"http://127.0.0.1:1");
    const QString photo = env.writeFile(s(u"p.jpg"), "bytes");
    clsLifePics lifePics(config, env.state(), prompt);
    EXPECT_FALSE(lifePics.InitiateSession());
    EXPECT_TRUE(lifePics.LastFailedToConnect());
    EXPECT_FALSE(lifePics.UploadFiles(photo));
    EXPECT_EQ(prompt.callsOf(s(u"internet")).size(), 1);
    EXPECT_FALSE(lifePics.TerminateSession());

    // The internet check's verdict stops it before anything is sent.
    env.state().InternetAvailable = false;
    EXPECT_FALSE(lifePics.UploadFiles(photo));
    EXPECT_EQ(prompt.callsOf(s(u"internet")).size(), 2);
    // A file that cannot be read ends the loop the same way.
    env.state().InternetAvailable = true;
    EXPECT_FALSE(lifePics.UploadFiles(env.path(s(u"missing.jpg"))));
    EXPECT_EQ(prompt.callsOf(s(u"internet")).size(), 3);
}

} // namespace
