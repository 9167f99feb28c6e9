#include "sandbox/Sandbox.h"

#include "support/TestText.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Fetched
{
    int status = 0;
    QByteArray body;
    QByteArray contentType;
    QByteArray retryAfter;
};

Fetched fetch(const QString &url, const QByteArray &method = "GET", const QByteArray &body = {},
              const QByteArray &authorization = {})
{
    QNetworkAccessManager net;
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArrayLiteral("application/x-www-form-urlencoded"));
    if (!authorization.isEmpty())
        request.setRawHeader("Authorization", authorization);
    QNetworkReply *reply = net.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    Fetched f{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(),
              reply->rawHeader("Content-Type"), reply->rawHeader("Retry-After")};
    delete reply;
    return f;
}

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
    QString name() const override { return QStringLiteral("Photos"); }

    void install(StandinServer &server, SandboxStore &store) override
    {
        store.update(name(), [](QJsonObject &state) {
            state[QStringLiteral("tokens")] =
                QJsonObject{{QStringLiteral("tok"), QJsonObject{{QStringLiteral("expired"), false}}}};
        });
        server.answer("POST", "/upload", [this, &store](const StandinRequest &r) {
            const QString kept = store.keepFile(name(), r.queryValue(QStringLiteral("name")), r.body);
            return StandinAnswer{kept.isEmpty() ? 500 : 200, {}, kept.toUtf8()};
        });
    }

    void configure(ServiceConfig &config, const QString &baseUrl) const override
    {
        config.dropbox.api = baseUrl;
        config.dropbox.apiContent = baseUrl;
        config.dropbox.consumerKey = QStringLiteral("key;with,marks");
    }

    QString pageSection(const SandboxStore &store) const override
    {
        QString section = QStringLiteral("<p>account: Ann</p>");
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

} // namespace

TEST(Sandbox, PointsEveryServiceAtItselfThroughAFileFlazzReads)
{
    QTemporaryDir dir;
    Sandbox sandbox(dir.filePath(QStringLiteral("store")), photoService());
    ASSERT_TRUE(sandbox.listening());
    const QString home = sandbox.homeUrl();
    const QString photos = sandbox.server(QStringLiteral("photos"))->baseUrl();
    ASSERT_NE(home, photos);

    const QString path = dir.filePath(QStringLiteral("services.ini"));
    ASSERT_TRUE(sandbox.writeServicesFile(path));
    EXPECT_EQ(QFile(path).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    ServiceConfig read = ServiceConfig::defaults();
    QString error;
    ASSERT_TRUE(read.applyFile(path, &error));
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);

    EXPECT_EQ(read.dropbox.api, photos);
    EXPECT_EQ(read.dropbox.consumerKey, s(u"key;with,marks"));
    EXPECT_EQ(read.dropbox.web, home); // no stand-in for it: still nothing leaves the machine
    EXPECT_EQ(read.product.ads, home + u"/flazzads.html");
    EXPECT_EQ(read.lifePics.apiNamespace, ServiceConfig::defaults().lifePics.apiNamespace);
    for (const QString &key : ServiceConfig::keys()) {
        const QString value = read.value(key);
        if (value.startsWith(u"http") && !key.endsWith(u"ApiNamespace")) {
            EXPECT_TRUE(value.startsWith(u"http://127.0.0.1:")) << qPrintable(key);
        }
    }
    EXPECT_EQ(fetch(read.product.howItWorks).status, 200);
}

TEST(Sandbox, ThePageShowsArrivalsAndRequestsButNoCredentials)
{
    QTemporaryDir dir;
    Sandbox sandbox(dir.filePath(QStringLiteral("store")), photoService());
    const QString photos = sandbox.server(QStringLiteral("Photos"))->baseUrl();
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

    const QString beach = SandboxStore::fileUrl(QStringLiteral("Photos"), QStringLiteral("beach.png"));
    EXPECT_TRUE(page.body.contains(beach.toUtf8() + "?thumb=160"));
    const QString thumb = beach + u"?thumb=40";
    const Fetched small = fetch(sandbox.homeUrl() + thumb);
    EXPECT_EQ(small.contentType, "image/jpeg");
    EXPECT_EQ(QImage::fromData(small.body).size(), QSize(40, 20));
    const Fetched whole = fetch(sandbox.homeUrl() +
                                SandboxStore::fileUrl(QStringLiteral("Photos"), QStringLiteral("beach.png")));
    EXPECT_EQ(whole.body, png);
    EXPECT_EQ(whole.contentType, "image/png");
    EXPECT_EQ(fetch(sandbox.homeUrl() + u"/files/Photos/../../etc/passwd").status, 404);
}

TEST(Sandbox, FaultSwitchesReachTheServiceThroughTheControlEndpoint)
{
    QTemporaryDir dir;
    Sandbox sandbox(dir.filePath(QStringLiteral("store")), photoService());
    const QString control = sandbox.homeUrl() + u"/control/faults";
    const QString upload = sandbox.server(QStringLiteral("Photos"))->baseUrl() + u"/upload?name=a.jpg";

    EXPECT_EQ(fetch(control, "POST", "service=Photos&fault=unavailable&value=5&count=1").body, "ok");
    EXPECT_TRUE(fetch(control).body.contains("Photos\tstatus 503, Retry-After 5 (next 1 requests)"));
    const Fetched busy = fetch(upload, "POST", "x");
    EXPECT_EQ(busy.status, 503);
    EXPECT_EQ(busy.retryAfter, "5");
    EXPECT_EQ(fetch(upload, "POST", "x").status, 200);

    // The page's own form comes back to the page.
    const Fetched fromPage = fetch(control, "POST", "page=1&service=Photos&fault=error&value=502");
    EXPECT_EQ(fromPage.status, 200); // the redirect to the page was followed
    EXPECT_TRUE(fromPage.body.contains("now: status 502"));
    EXPECT_EQ(fetch(upload, "POST", "x").status, 502);
    EXPECT_EQ(fetch(control, "POST", "service=Photos&fault=none").body, "ok");
    EXPECT_EQ(fetch(upload, "POST", "x").status, 200);

    // Switches add up to a slow link until "none" clears them.
    EXPECT_EQ(fetch(control, "POST", "service=Photos&fault=latency&value=300").body, "ok");
    EXPECT_EQ(fetch(control, "POST", "service=Photos&fault=upload-bandwidth&value=20000000").body, "ok");
    EXPECT_TRUE(fetch(control).body.contains("Photos\tlatency 300 ms, requests read at 20000000 bytes/s"));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(fetch(upload, "POST", "x").status, 200);
    EXPECT_GE(clock.elapsed(), 290);
    EXPECT_EQ(fetch(control, "POST", "service=Photos&fault=none").body, "ok");
    EXPECT_TRUE(fetch(control).body.contains("Photos\tnone"));

    const int port = sandbox.server(QStringLiteral("Photos"))->port();
    EXPECT_TRUE(fetch(sandbox.homeUrl() + u"/control/traffic")
                    .body.contains(QStringLiteral("Photos\t%1\t5\t").arg(port).toUtf8()));

    EXPECT_EQ(fetch(control, "POST", "service=Nobody&fault=close").status, 400);
    EXPECT_EQ(fetch(control, "POST", "service=Photos&fault=melt").status, 400);

    EXPECT_EQ(fetch(control, "POST", "service=Photos&fault=expire-tokens").body, "ok");
    EXPECT_TRUE(sandbox.store()
                    .state(QStringLiteral("Photos"))[u"tokens"]
                    .toObject()[u"tok"]
                    .toObject()[u"expired"]
                    .toBool());
}

#ifdef FLAZZ_SANDBOX_EXE
namespace {

// Starts the program and reads the page address it prints.
QString startSandbox(QProcess &process, const QTemporaryDir &dir)
{
    process.start(QStringLiteral(FLAZZ_SANDBOX_EXE),
                  {QStringLiteral("--store"), dir.filePath(QStringLiteral("store")),
                   QStringLiteral("--services-out"), dir.filePath(QStringLiteral("services.ini")),
                   QStringLiteral("--exit-with-stdin")});
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

TEST(SandboxProgram, ServesItsPageWritesTheServicesFileAndEndsWhenItsParentGoes)
{
    QTemporaryDir dir;
    QProcess process;
    const QString home = startSandbox(process, dir);
    ASSERT_TRUE(home.startsWith(u"http://127.0.0.1:")) << qPrintable(home);

    const Fetched page = fetch(home);
    EXPECT_EQ(page.status, 200);
    EXPECT_TRUE(page.body.contains("<h1>Flazz sandbox</h1>"));

    ServiceConfig config = ServiceConfig::defaults();
    QString error;
    EXPECT_TRUE(config.applyFile(dir.filePath(QStringLiteral("services.ini")), &error));
    EXPECT_TRUE(error.isEmpty()) << qPrintable(error);
    EXPECT_EQ(config.product.site + u'/', home);

    process.closeWriteChannel(); // as when the program that started it ends
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

#ifdef Q_OS_UNIX
TEST(SandboxProgram, EndsCleanlyWhenAskedToTerminate)
{
    QTemporaryDir dir;
    QProcess process;
    ASSERT_FALSE(startSandbox(process, dir).isEmpty());
    process.terminate();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(process.readAllStandardOutput().contains("stopped"));
}
#endif
#endif
