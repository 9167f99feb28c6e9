#include "sandbox/Sandbox.h"
#include "sandbox/SandboxServices.h"

#include "RawHttp.h"
#include "support/TestText.h"

#include <QBuffer>
#include <QImage>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QByteArray pngOf(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return buffer.data();
}

// A service shaped like the real ones: it takes a token, keeps an upload and
// shows it on its part of the page.
class PhotoService : public SandboxService
{
public:
    QString name() const override { return s(u"Photos"); }

    void install(StandinServer &server, SandboxStore &store) override
    {
        store.update(name(), [](QJsonObject &state) {
            state[s(u"tokens")] = QJsonObject{{s(u"tok"), QJsonObject{{s(u"expired"), false}}}};
        });
        server.answer("POST", "/upload", [this, &store](const StandinRequest &r) {
            const QString kept = store.keepFile(name(), r.queryValue(s(u"name")), r.body);
            return StandinAnswer{kept.isEmpty() ? 500 : 200, {}, kept.toUtf8()};
        });
    }

    void configure(ServiceConfig &config, const QString &baseUrl) const override
    {
        config.dropbox.api = baseUrl;
        config.dropbox.apiContent = baseUrl;
        config.dropbox.consumerKey = s(u"key;with,marks");
    }

    QString pageSection(const SandboxStore &store) const override
    {
        QString section = s(u"<p>account: Ann</p>");
        for (const QString &file : store.files(name()))
            section += u"<img src=\"" + SandboxStore::fileUrl(name(), file) + u"?thumb=160\">";
        return section;
    }
};

std::vector<std::unique_ptr<SandboxService>> photoService()
{
    std::vector<std::unique_ptr<SandboxService>> services;
    services.push_back(std::make_unique<PhotoService>());
    return services;
}

// A sandbox of the one photo service, its store in a folder of its own.
class SandboxTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    Sandbox sandbox{dir.filePath(s(u"store")), photoService()};
    StandinServer &photoServer = *sandbox.server(s(u"Photos"));
};

} // namespace

TEST_F(SandboxTest, PointsEveryServiceAtItselfThroughAFileFlazzReads)
{
    ASSERT_TRUE(sandbox.listening());
    const QString home = sandbox.homeUrl();
    const QString photos = sandbox.server(s(u"photos"))->baseUrl();
    ASSERT_NE(home, photos);

    const QString path = dir.filePath(s(u"services.ini"));
    ASSERT_TRUE(sandbox.writeServicesFile(path));
    EXPECT_EQ(QFile(path).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    ServiceConfig read = ServiceConfig::defaults();
    QString error;
    ASSERT_TRUE(read.applyFile(path, &error));
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);

    EXPECT_EQ(read.dropbox.api, photos);
    EXPECT_EQ(read.dropbox.consumerKey, s(u"key;with,marks"));
    EXPECT_EQ(read.dropbox.web, home); // no stand-in for it: still nothing leaves the machine
    EXPECT_EQ(read.lifePics.apiNamespace, ServiceConfig::defaults().lifePics.apiNamespace);
    for (const QString &key : ServiceConfig::keys()) {
        const QString value = read.value(key);
        if (value.startsWith(u"http") && !key.endsWith(u"ApiNamespace")) {
            EXPECT_TRUE(value.startsWith(u"http://127.0.0.1:")) << qPrintable(key);
        }
    }
    EXPECT_EQ(fetch(read.product.howItWorks).status, 200);
}

TEST_F(SandboxTest, ThePageShowsArrivalsAndRequestsButNoCredentials)
{
    const QString photos = photoServer.baseUrl();
    const QByteArray png = pngOf(400, 200);
    const Fetched up = fetch(photos + u"/upload?name=beach.png&oauth_token=SECRET1&oauth_signature=SECRET2",
                             "POST", png, "OAuth oauth_token=\"SECRET3\"");
    ASSERT_EQ(up.status, 200);
    ASSERT_EQ(up.body, "beach.png");

    const Fetched page = fetch(sandbox.homeUrl() + u"/");
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.contentType.startsWith("text/html"));
    EXPECT_TRUE(page.body.contains("<h2>Photos</h2>"));
    EXPECT_TRUE(page.body.contains("account: Ann"));
    EXPECT_TRUE(page.body.contains("/upload?name=…&amp;oauth_token=…&amp;oauth_signature=…"));
    EXPECT_FALSE(page.body.contains("SECRET"));

    const QString beach = SandboxStore::fileUrl(s(u"Photos"), s(u"beach.png"));
    EXPECT_TRUE(page.body.contains(QByteArray(beach.toUtf8() + "?thumb=160")));
    const QString thumb = beach + u"?thumb=40";
    const Fetched small = fetch(sandbox.homeUrl() + thumb);
    EXPECT_EQ(small.contentType, "image/jpeg");
    EXPECT_EQ(QImage::fromData(small.body).size(), QSize(40, 20));
    const Fetched whole = fetch(sandbox.homeUrl() + SandboxStore::fileUrl(s(u"Photos"), s(u"beach.png")));
    EXPECT_EQ(whole.body, png);
    EXPECT_EQ(whole.contentType, "image/png");
}

TEST_F(SandboxTest, FaultSwitchesReachTheServiceThroughTheControlEndpoint)
{
    const QByteArray token = "token=" + sandbox.controlToken().toLatin1();
    const QString control = sandbox.homeUrl() + u"/control/faults";
    const QString faults = control + u'?' + QString::fromLatin1(token);
    const QString upload = photoServer.baseUrl() + u"/upload?name=a.jpg";
    const auto post = [&](const QByteArray &form) { return fetch(control, "POST", token + '&' + form); };

    EXPECT_EQ(post("service=Photos&fault=unavailable&value=5&count=1").body, "ok");
    EXPECT_TRUE(fetch(faults).body.contains("Photos\tstatus 503, Retry-After 5 (next 1 requests)"));
    const Fetched busy = fetch(upload, "POST", "x");
    EXPECT_EQ(busy.status, 503);
    EXPECT_EQ(busy.retryAfter, "5");
    EXPECT_EQ(fetch(upload, "POST", "x").status, 200);

    // The page's own form comes back to the page.
    const Fetched fromPage = post("page=1&service=Photos&fault=error&value=502");
    EXPECT_EQ(fromPage.status, 200); // the redirect to the page was followed
    EXPECT_TRUE(fromPage.body.contains("now: status 502"));
    EXPECT_EQ(fetch(upload, "POST", "x").status, 502);
    EXPECT_EQ(post("service=Photos&fault=none").body, "ok");
    EXPECT_EQ(fetch(upload, "POST", "x").status, 200);

    // Switches add up to a slow link until "none" clears them.
    EXPECT_EQ(post("service=Photos&fault=latency&value=300").body, "ok");
    EXPECT_EQ(post("service=Photos&fault=upload-bandwidth&value=20000000").body, "ok");
    EXPECT_TRUE(fetch(faults).body.contains("Photos\tlatency 300 ms, requests read at 20000000 bytes/s"));
    const Fetched slow = fetch(upload, "POST", "x");
    EXPECT_EQ(slow.status, 200);
    EXPECT_GE(slow.ms, 290);
    EXPECT_EQ(post("service=Photos&fault=none").body, "ok");
    EXPECT_TRUE(fetch(faults).body.contains("Photos\tnone"));

    const int port = photoServer.port();
    EXPECT_TRUE(fetch(sandbox.homeUrl() + u"/control/traffic?" + QString::fromLatin1(token))
                    .body.contains(s(u"Photos\t%1\t5\t").arg(port).toUtf8()));

    EXPECT_EQ(post("service=Nobody&fault=close").status, 400);
    EXPECT_EQ(post("service=Photos&fault=melt").status, 400);

    // The page's Expire button ends one token.
    EXPECT_TRUE(fetch(sandbox.homeUrl()).body.contains("name=\"access_token\" value=\"tok\""));
    EXPECT_EQ(
        fetch(sandbox.homeUrl() + u"/control/expire", "POST", token + "&service=Photos&access_token=tok")
            .body,
        "expired 1");
    EXPECT_TRUE(
        sandbox.store().state(s(u"Photos"))[u"tokens"].toObject()[u"tok"].toObject()[u"expired"].toBool());
}

TEST_F(SandboxTest, AnswersOnlyItselfAndKeepsItsStoreToItself)
{
    const int home = QUrl(sandbox.homeUrl()).port();
    const int photos = photoServer.port();

    // Another web page may post to the control, but without the run's token
    // nothing changes.
    const QByteArray crossOrigin = "POST /control/faults HTTP/1.1\r\nHost: " + hostOf(home) +
                                   "\r\nOrigin: http://pages.example\r\nContent-Type: text/plain\r\n"
                                   "Content-Length: 26\r\n\r\nservice=Photos&fault=close";
    EXPECT_TRUE(exchange(home, crossOrigin, 1).startsWith("HTTP/1.1 403"));
    EXPECT_EQ(fetch(sandbox.homeUrl() + u"/control/faults").status, 403);
    EXPECT_EQ(photoServer.faults().describe(), u"none");

    // A name rebound to 127.0.0.1 reaches the port, but not the page, the
    // files or a service.
    for (const int port : {home, photos}) {
        const QByteArray foreign =
            "GET / HTTP/1.1\r\nHost: pages.example:" + QByteArray::number(port) + "\r\n\r\n";
        EXPECT_TRUE(exchange(port, foreign, 1).startsWith("HTTP/1.1 421")) << port;
        EXPECT_TRUE(
            exchange(port, "GET http://pages.example/ HTTP/1.1\r\nHost: " + hostOf(port) + "\r\n\r\n", 1)
                .startsWith("HTTP/1.1 421"));
        EXPECT_TRUE(exchange(port, "GET / HTTP/1.0\r\n\r\n", 1).startsWith("HTTP/1.1 421"));
    }
    EXPECT_TRUE(
        exchange(home, "GET / HTTP/1.1\r\nHost: localhost:" + QByteArray::number(home) + "\r\n\r\n", 1)
            .startsWith("HTTP/1.1 200"));

    // File paths stay inside the store, whatever they spell or link to.
    const QByteArray secret = "the secret beside the store";
    QFile outside(dir.filePath(s(u"secret.txt")));
    ASSERT_TRUE(outside.open(QIODevice::WriteOnly));
    outside.write(secret);
    outside.close();
    sandbox.store().keepFile(s(u"Photos"), s(u"a.jpg"), "a");
    ASSERT_TRUE(QFile::link(outside.fileName(), dir.filePath(s(u"store/Photos/files/link.jpg"))));
    for (const QByteArray path : {"/files/..%2Fsecret.txt", "/files/%2E%2E/secret.txt",
                                  "/files/Photos/..%2F..%2F..%2Fsecret.txt", "/files/Photos/link.jpg"}) {
        const QByteArray answer =
            exchange(home, "GET " + path + " HTTP/1.1\r\nHost: " + hostOf(home) + "\r\n\r\n", 1);
        EXPECT_TRUE(answer.startsWith("HTTP/1.1 404")) << path.constData();
        EXPECT_FALSE(answer.contains(secret));
    }

    // A large post arrives whole, but only its start is remembered.
    const QByteArray large(8 * 1024 * 1024, 'p');
    ASSERT_EQ(fetch(photoServer.baseUrl() + u"/upload?name=large.bin", "POST", large).status, 200);
    EXPECT_EQ(sandbox.store().fileBytes(s(u"Photos"), s(u"large.bin")).size(), large.size());
    const StandinRequest remembered = photoServer.lastRequest();
    EXPECT_EQ(remembered.header("Content-Length"), QByteArray::number(large.size()));
    EXPECT_LE(remembered.body.size(), 64 * 1024);

    // What arrived is its owner's alone.
    const auto others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                        QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFile::permissions(dir.filePath(s(u"store/Photos/files/large.bin"))) & others,
              QFile::Permissions());
    EXPECT_EQ(QFile::permissions(dir.filePath(s(u"store"))) & others, QFile::Permissions());
}

// Whatever the program opens in a browser (a service's site at the end of a
// flow, a desktop client's download page, the product's pages, the advert)
// is a page of the sandbox, not an error.
TEST(Sandbox, EveryAddressOfTheProgramsConfigurationIsAPage)
{
    QTemporaryDir dir;
    Sandbox sandbox(dir.filePath(s(u"store")), sandboxServices());
    ASSERT_TRUE(sandbox.listening());
    const QString path = dir.filePath(s(u"services.ini"));
    ASSERT_TRUE(sandbox.writeServicesFile(path));
    const ServiceConfig config = ServiceConfig::load({s(u"--services"), path});

    int pages = 0;
    for (const QString &key : ServiceConfig::keys()) {
        const QString address = config.value(key);
        if (!address.startsWith(u"http://127.0.0.1:"))
            continue;
        SCOPED_TRACE(key.toStdString() + ' ' + address.toStdString());
        const Fetched page = fetch(address);
        EXPECT_EQ(page.status, 200);
        EXPECT_TRUE(page.contentType.startsWith("text/html"));
        EXPECT_TRUE(page.body.contains("</html>"));
        EXPECT_FALSE(page.body.contains("src=\"http")); // nothing is fetched from elsewhere
        ++pages;
    }
    EXPECT_GE(pages, 20);

    // A service's site shows what arrived, with pictures from its own server,
    // and looks again while photos come in.
    SandboxStore &store = sandbox.store();
    store.update(s(u"Flickr"), [](QJsonObject &state) {
        state[u"accounts"] = QJsonObject{{s(u"12@N01"), QJsonObject{{s(u"name"), s(u"ann")}}}};
    });
    const QString kept = store.keepFile(s(u"FlickrUpload"), s(u"12@N01/1.png"), pngOf(300, 200));
    store.update(s(u"FlickrUpload"), [&kept](QJsonObject &state) {
        state[u"photos"] = QJsonObject{
            {s(u"1"),
             QJsonObject{{s(u"account"), s(u"12@N01")}, {s(u"file"), kept}, {s(u"title"), s(u"Beach")}}}};
    });
    const Fetched site = fetch(config.flickr.site);
    const QString thumb = SandboxStore::fileUrl(s(u"FlickrUpload"), kept) + u"?thumb=240";
    EXPECT_TRUE(site.body.contains("Beach"));
    EXPECT_TRUE(site.body.contains(thumb.toUtf8()));
    EXPECT_TRUE(site.body.contains("http-equiv=\"refresh\""));
    EXPECT_EQ(fetch(config.flickr.site + thumb).contentType, "image/jpeg");
}

#ifdef FLAZZ_SANDBOX_EXE
namespace {

// Starts the program and reads the page address it prints.
QString startSandbox(QProcess &process, const QTemporaryDir &dir)
{
    process.start(QStringLiteral(FLAZZ_SANDBOX_EXE),
                  {s(u"--store"), dir.filePath(s(u"store")), s(u"--services-out"),
                   dir.filePath(s(u"services.ini")), s(u"--exit-with-stdin")});
    if (!process.waitForStarted(10000))
        return {};
    QByteArray out;
    while (!out.contains('\n') && process.waitForReadyRead(10000))
        out += process.readAllStandardOutput();
    const QByteArray prefix = "Flazz sandbox: ";
    return out.startsWith(prefix)
               ? QString::fromUtf8(out.mid(prefix.size(), out.indexOf('\n') - prefix.size()))
               : QString();
}

} // namespace

TEST(SandboxProgram, ServesItsPageWritesTheServicesFileAndEndsWhenItsParentGoesOrAsksItTo)
{
    QTemporaryDir dir;
    QProcess process;
    const QString home = startSandbox(process, dir);
    ASSERT_TRUE(home.startsWith(u"http://127.0.0.1:")) << qPrintable(home);

    const Fetched page = fetch(home);
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains("<h1>Flazz sandbox</h1>"));
    EXPECT_TRUE(page.body.contains("prints@sandbox.example")); // the print account, where a user looks first

    ServiceConfig config = ServiceConfig::defaults();
    QString error;
    EXPECT_TRUE(config.applyFile(dir.filePath(s(u"services.ini")), &error));
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);

    // Scripts find the control's token beside the services file, for the owner alone.
    QFile token(dir.filePath(s(u"services.ini.token")));
    ASSERT_TRUE(token.open(QIODevice::ReadOnly));
    EXPECT_EQ(token.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    EXPECT_EQ(fetch(home + u"control/traffic?token=" + QString::fromLatin1(token.readAll().trimmed())).status,
              200);

    process.closeWriteChannel(); // as when the program that started it ends
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);

#ifdef Q_OS_UNIX
    QTemporaryDir again;
    ASSERT_FALSE(startSandbox(process, again).isEmpty());
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardOutput().contains("stopped"));
#endif
}
#endif
