// Google Drive, SkyDrive and Facebook uploads, run in-process against their
// upload stand-ins, with the sign-in services' token calls scripted here.
#include "UploaderWorld.h"
#include "core/SettingsKeys.h"
#include "core/SettingsStore.h"
#include "sandbox/services/FacebookUploadService.h"
#include "sandbox/services/GoogleUploadService.h"
#include "sandbox/services/LiveUploadService.h"
#include "uploader/FacebookUpload.h"
#include "uploader/GoogleUpload.h"
#include "uploader/QueueUploadContext.h"
#include "uploader/UploadEngine.h"
#include "uploader/UploadExchange.h"

#include <QBuffer>
#include <QEventLoop>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <ostream>

using namespace Qt::StringLiterals;

// Readable failures: QString and its lists as text.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

const QString kAccount = u"1001"_s;
const QString kDriveFolder = u"0BFolderTrip"_s;
const QString kLiveFolder = u"folder.1001.1001!101"_s;

// A JPEG of noise: it does not compress, so its size follows its pixels.
QByteArray noiseJpeg(int width, int height, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = random.generate() | 0xff000000u;
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG", 92);
    return bytes;
}

class WebUploadTest : public ::testing::Test, protected UploaderWorld
{
protected:
    WebUploadTest()
    {
        google.install(googleServer, store);
        live.install(liveServer, store);
        facebook.install(facebookServer, store);
        config.google.accounts = config.google.drive = googleServer.baseUrl();
        config.google.clientId = u"123456789012-sandbox.apps.googleusercontent.com"_s;
        config.google.clientSecret = u"sandboxsecret0000000000AB"_s;
        config.live.login = config.live.apis = liveServer.baseUrl();
        config.live.clientId = u"00000000400A1B2C"_s;
        config.facebook.graph = facebookServer.baseUrl();

        // What the sign-in stand-ins would have left: tokens, a folder, an album.
        for (const QString &service : {u"Google"_s, u"Live"_s, u"Facebook"_s}) {
            setToken(service, service.toLower() + u"-token-1");
            const QString folder = service == u"Google" ? kDriveFolder : kLiveFolder;
            store.update(service, [&](QJsonObject &s) {
                s[u"folders"_s] = QJsonArray{QJsonObject{{u"id"_s, folder}, {u"account"_s, kAccount}}};
            });
        }
        SettingsStore(env.state().SettingsFile)
            .write({{QString::fromLatin1(SettingsKey::GoogleRefreshToken), u"1/google-refresh"_s},
                    {QString::fromLatin1(SettingsKey::SkyDriveRefreshToken), u"Cs-live-refresh"_s}});

        // The token calls belong to the sign-in stand-ins; these do what they do.
        googleServer.answer("POST", "/o/oauth2/token", [this](const StandinRequest &r) {
            const bool good = r.formValue(u"grant_type"_s) == u"refresh_token" &&
                              r.formValue(u"refresh_token"_s) == u"1/google-refresh" &&
                              r.formValue(u"client_id"_s) == config.google.clientId &&
                              r.formValue(u"client_secret"_s) == config.google.clientSecret;
            return renewal(u"Google"_s, good);
        });
        liveServer.answer("GET", "/oauth20_token.srf", [this](const StandinRequest &r) {
            const bool good =
                r.queryValue(u"grant_type"_s) == u"refresh_token" &&
                r.queryValue(u"refresh_token"_s) == u"Cs-live-refresh" &&
                r.queryValue(u"client_id"_s) == config.live.clientId &&
                r.queryValue(u"redirect_uri"_s) == liveServer.baseUrl() + u"/oauth20_desktop.srf";
            return renewal(u"Live"_s, good);
        });
    }

    // Every token of `service` expires as the first upload is answered, as
    // a token that runs out in the middle of a job does.
    void expireTokensAfterUpload(StandinServer &server, const QString &service, const QByteArray &method,
                                 const QByteArray &pathPrefix)
    {
        auto done = std::make_shared<std::atomic<bool>>(false);
        server.setListener([=, this](const StandinRequest &r, int status) {
            if ((status == 200 || status == 201) && r.method == method && r.path.startsWith(pathPrefix) &&
                !done->exchange(true))
                store.expireTokens(service);
        });
    }

    StandinAnswer renewal(const QString &service, bool good)
    {
        StandinAnswer a;
        a.headers.append({QByteArray("Content-Type"), QByteArray("application/json")});
        if (!good) {
            a.status = 400;
            a.body = R"({"error":"invalid_grant"})";
            return a;
        }
        const QString token = service.toLower() + u"-token-" + QString::number(++renewals + 1);
        setToken(service, token);
        a.body = QJsonDocument(QJsonObject{{u"access_token"_s, token},
                                           {u"expires_in"_s, 3600},
                                           {u"refresh_token"_s, u"Cs-next"_s}})
                     .toJson();
        return a;
    }

    QStringList photos(int count, int width = 240, int height = 160)
    {
        QStringList paths;
        for (int i = 1; i <= count; ++i) {
            const QByteArray bytes = noiseJpeg(width, height, quint32(i + width));
            sent << bytes;
            paths << env.writeFile(u"photos/photo %1.jpg"_s.arg(i), bytes);
        }
        return paths;
    }

    QString addJob(const QString &service, const QStringList &paths, const QString &target,
                   const QStringList &remarks = {}, const QString &privacy = {})
    {
        UploadJobSpec spec;
        spec.service = ServiceId::fromText(service);
        spec.token = service.toLower() + u"-token-1";
        spec.items = uncheckedItems(paths, remarks);
        spec.target = target;
        spec.privacy = privacy;
        return queue.addJob(spec);
    }

    // Runs the engine until it has nothing left to do now.
    void runEngine(int timeoutMs = 10000)
    {
        EngineOptions options;
        options.perService = 1; // one photo after the other, so "mid-job" is one place
        options.limits.silenceMs = timeoutMs;
        options.pollMs = 50;
        options.retry.baseMs = 20;
        options.settingsFile = env.state().SettingsFile;
        UploadEngine engine(queue, config, options);
        QEventLoop loop;
        QObject::connect(&engine, &UploadEngine::drained, &loop, &QEventLoop::quit);
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        engine.start();
        loop.exec();
        ASSERT_EQ(engine.inFlight(), 0) << "the engine did not drain in time";
    }

    // Each photo's state, and its reason where it has one.
    QStringList states(const QString &job) const
    {
        QStringList out;
        for (const QueuedPhoto &p : queue.photos(job))
            out << (p.state == u"sent" || p.reason.isEmpty() ? p.state : p.state + u": " + p.reason);
        return out;
    }

    static int count(const QList<StandinRequest> &requests, const QByteArray &method, const QByteArray &path,
                     const QByteArray &queryPart = {})
    {
        return int(std::count_if(requests.begin(), requests.end(), [&](const StandinRequest &r) {
            return r.method == method && r.path == path && r.query.contains(queryPart);
        }));
    }

    StandinServer googleServer;
    StandinServer liveServer;
    StandinServer facebookServer;
    GoogleUploadService google;
    LiveUploadService live;
    FacebookUploadService facebook;
    UploadQueue &queue = UploaderWorld::queue();
    QList<QByteArray> sent;
    std::atomic<int> renewals{0};
};

// A session cut off is resumed where the service says it stands, by a new
// uploader; one that ended on the service's side, or whose photo changed
// since, is not: the photo starts over, whole.
TEST_F(WebUploadTest, DriveSessionsResumeWhereTheServiceStandsUnlessTheyEndedOrTheBytesChanged)
{
    const QString id = addJob(u"Google"_s, photos(1, 1400, 1000), kDriveFolder);
    const QByteArray bytes = sent.first();
    ASSERT_GT(bytes.size(), 4 * 256 * 1024) << "the photo must span several chunks";
    const QueuedJob job = queue.job(id);
    const QueuedPhoto photo = queue.photos(id).first();
    const auto attempt = [&](const QByteArray &what, bool lookFirst = false) {
        QueueUploadContext context(queue.path(), env.state().SettingsFile);
        GoogleUpload upload(config.google, UploadLimits{10000}, 256 * 1024, 256 * 1024);
        upload.setContext(&context);
        EXPECT_TRUE(!lookFirst || upload.findSent(job, photo).kind == UploadOutcome::Kind::NotFound)
            << "a photo half sent is not one that arrived";
        return upload.send(job, photo, u"photo 1.jpg"_s, what).kind;
    };
    const auto resumable = [&] {
        return count(googleServer.requests(), "POST", "/upload/drive/v2/files", "uploadType=resumable");
    };

    google.cutNextChunkAt(0.6);
    EXPECT_EQ(attempt(bytes), UploadOutcome::Kind::Transient);
    ASSERT_FALSE(queue.note(id, 0).isEmpty()) << "the session must outlive the attempt";
    EXPECT_TRUE(store.files(google.name()).isEmpty());
    const qsizetype before = googleServer.requestCount();
    ASSERT_EQ(attempt(bytes, true), UploadOutcome::Kind::Sent);
    EXPECT_EQ(kept(google.name()), QList<QByteArray>{bytes});
    EXPECT_EQ(resumable(), 1) << "restarted, not resumed";
    const QList<StandinRequest> after = googleServer.requests().mid(before);
    const QByteArray total = QByteArray::number(bytes.size());
    const qint64 held = qint64(bytes.size() * 0.6) / (256 * 1024) * (256 * 1024);
    const auto firstChunk = std::find_if(after.begin(), after.end(), [](const StandinRequest &r) {
        return r.method == "PUT" && !r.header("Content-Range").contains('*');
    });
    ASSERT_NE(firstChunk, after.end());
    EXPECT_TRUE(std::any_of(after.begin(), firstChunk, [&](const StandinRequest &r) {
        return r.header("Content-Range") == "bytes */" + total;
    }));
    EXPECT_TRUE(
        firstChunk->header("Content-Range").startsWith(QByteArray("bytes " + QByteArray::number(held) + '-')))
        << firstChunk->header("Content-Range").toStdString();
    EXPECT_TRUE(queue.note(id, 0).isEmpty());

    google.cutNextChunkAt(0.6);
    EXPECT_EQ(attempt(bytes), UploadOutcome::Kind::Transient);
    QByteArray edited = bytes;
    edited[edited.size() / 2] = char(edited.at(edited.size() / 2) ^ 0x55);
    google.cutNextChunkAt(0.6);
    EXPECT_EQ(attempt(edited), UploadOutcome::Kind::Transient);
    google.forgetSessions();
    EXPECT_EQ(attempt(edited), UploadOutcome::Kind::Sent);
    EXPECT_EQ(kept(google.name()).size(), 2);
    EXPECT_TRUE(kept(google.name()).contains(edited));
    EXPECT_EQ(resumable(), 4);
}

// A token that runs out mid-job is renewed once from the stored sign-in and
// the job goes on; a sign-in revoked in the settings is not renewed.
TEST_F(WebUploadTest, TokensExpiredMidJobAreRenewedFromTheSettingsOnce)
{
    const QString drive = addJob(u"Google"_s, photos(3), kDriveFolder);
    const QString sky = addJob(u"Live"_s, photos(3), kLiveFolder);
    expireTokensAfterUpload(googleServer, u"Google"_s, "POST", "/upload/");
    expireTokensAfterUpload(liveServer, u"Live"_s, "PUT", "/v5.0/");
    runEngine();

    EXPECT_EQ(states(drive), QStringList(3, u"sent"_s));
    EXPECT_EQ(states(sky), QStringList(3, u"sent"_s));
    EXPECT_EQ(renewals.load(), 2);
    // The third photo started with the renewed token: no second refusal.
    EXPECT_EQ(count(googleServer.requests(), "POST", "/upload/drive/v2/files"), 4);
    EXPECT_NE(googleServer.lastRequest().header("Authorization"), "Bearer google-token-1");
    EXPECT_EQ(kept(google.name()).size(), 3);
    const StandinRequest first = googleServer.requests().first();
    EXPECT_TRUE(first.header("Content-Type").startsWith("multipart/related; boundary="));
    EXPECT_EQ(first.header("Authorization"), "Bearer google-token-1");
    EXPECT_EQ(kept(live.name()), sent.mid(3));
    const QList<StandinRequest> all = liveServer.requests();
    EXPECT_EQ(count(all, "GET", "/oauth20_token.srf"), 1);
    // One refused PUT (the expired token), then the same photo again.
    EXPECT_EQ(count(all, "PUT", "/v5.0/" + QUrl::toPercentEncoding(kLiveFolder) + "/files/photo%202.jpg"), 2);
    EXPECT_FALSE(all.last().query.contains("access_token=live-token-1"));

    SettingsStore(env.state().SettingsFile).write(QString::fromLatin1(SettingsKey::GoogleRefreshToken), {});
    const QString next = addJob(u"Google"_s, photos(1), kDriveFolder);
    store.expireTokens(u"Google"_s);
    runEngine();
    EXPECT_EQ(queue.job(next).state, u"stopped");
    EXPECT_EQ(states(next), QStringList{u"queued"_s});
    EXPECT_EQ(renewals.load(), 2);
}

TEST_F(WebUploadTest, FacebookExpiredTokenStopsTheJobWithTheReasonAndKeepsItQueued)
{
    const QString id = addJob(u"Facebook"_s, photos(3), u"me"_s);
    expireTokensAfterUpload(facebookServer, u"Facebook"_s, "POST", "/");
    runEngine();

    const QueuedJob job = queue.job(id);
    EXPECT_EQ(job.state, u"stopped");
    EXPECT_TRUE(job.reason.startsWith(u"Error validating access token: Session has expired"))
        << job.reason.toStdString();
    EXPECT_EQ(states(id), (QStringList{u"sent"_s, u"queued"_s, u"queued"_s}));
    EXPECT_EQ(kept(facebook.name()).size(), 1);
    EXPECT_EQ(renewals.load(), 0);
    // A new sign-in hands the stopped job its token, and the rest goes.
    setToken(u"Facebook"_s, u"facebook-token-9"_s);
    UploadJobSpec again;
    again.service = Service::Facebook;
    again.token = u"facebook-token-9"_s;
    queue.addJob(again);
    runEngine();
    EXPECT_EQ(states(id), QStringList(3, u"sent"_s));
}

TEST_F(WebUploadTest, RefusalsStopWhatTheyConcernAndNoMore)
{
    // Facebook refuses a photo above 4 MB; the others of the job go.
    photos(1);
    const QByteArray huge = noiseJpeg(2400, 1800, 99);
    ASSERT_GT(huge.size(), 4 * 1024 * 1024);
    const QString big = env.writeFile(u"photos/huge.jpg"_s, huge);
    const QString fb = addJob(u"Facebook"_s, {big, env.path(u"photos/photo 1.jpg"_s)}, u"me"_s);
    // SkyDrive: a token the service does not know is not renewed; the job waits for a sign-in.
    const QString sky = addJob(u"Live"_s, {env.path(u"photos/photo 1.jpg"_s)}, kLiveFolder);
    store.update(u"Live"_s, [](QJsonObject &state) { state.remove(u"tokens"_s); });
    runEngine();

    const QList<QueuedPhoto> fbPhotos = queue.photos(fb);
    EXPECT_EQ(fbPhotos.at(0).state, u"failed");
    EXPECT_TRUE(fbPhotos.at(0).reason.contains(u"4 MB")) << fbPhotos.at(0).reason.toStdString();
    EXPECT_EQ(fbPhotos.at(1).state, u"sent");
    EXPECT_EQ(queue.job(sky).state, u"stopped");
    EXPECT_EQ(queue.job(sky).reason, u"The provided access token isn't valid.");
    EXPECT_EQ(renewals.load(), 0);
}

TEST_F(WebUploadTest, FacebookDefaultAlbumIsMeWithCaptionAndPrivacy)
{
    const QString id =
        addJob(u"Facebook"_s, photos(2), u"me"_s, {u"Beach at dusk"_s, QString()}, u"ALL_FRIENDS"_s);
    runEngine();
    ASSERT_EQ(states(id), QStringList(2, u"sent"_s));

    const QList<StandinRequest> all = facebookServer.requests();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all.at(0).path, "/me/photos");
    // Each request's parts as name=value, the photo's by its file name; no
    // remarks, no caption.
    const auto parts = [&](int request) {
        QList<QByteArray> out;
        for (const StandinPart &p : all.at(request).multipart().value_or(QList<StandinPart>()))
            out << p.name + '=' + (p.filename.isNull() ? p.body : p.filename);
        return out;
    };
    const QByteArray token = "access_token=facebook-token-1", privacy = R"(privacy={"value":"ALL_FRIENDS"})";
    EXPECT_EQ(parts(0), (QList<QByteArray>{token, "message=Beach at dusk", privacy, "source=photo 1.jpg"}));
    EXPECT_EQ(parts(1), (QList<QByteArray>{token, privacy, "source=photo 2.jpg"}));
    EXPECT_EQ(all.at(0).multipart()->last().body, sent.at(0));
}

// Every photo arrives, but each answer comes after the sender gave up: the
// retries must find the photos on the service instead of sending them again.
TEST_F(WebUploadTest, PhotosWhoseAnswerWasLostAreFoundInsteadOfSentTwice)
{
    using namespace std::chrono_literals;
    // The first send of each photo; what the retries ask is answered at once.
    googleServer.setFaults("/upload/", StandinFaults::late(1500ms, "POST", 2));
    liveServer.setFaults("/v5.0/", StandinFaults::late(1500ms, "PUT", 2));
    facebookServer.setFaults("/", StandinFaults::late(1500ms, "POST", 2));
    const QString drive = addJob(u"Google"_s, photos(2), kDriveFolder);
    const QString skydrive = addJob(u"Live"_s, photos(2), kLiveFolder);
    const QString fb = addJob(u"Facebook"_s, photos(2), u"me"_s, {u"One"_s, u"Two"_s});
    runEngine(400);

    for (const QString &job : {drive, skydrive, fb})
        EXPECT_EQ(states(job), QStringList(2, u"sent"_s));
    for (const QString &service : {google.name(), live.name(), facebook.name()})
        EXPECT_EQ(kept(service).size(), 2) << qPrintable(service);
    for (const QueuedPhoto &p : queue.photos(fb))
        EXPECT_TRUE(p.attempts > 0) << "the answer was meant to be lost";
}

TEST_F(WebUploadTest, FacebookPhotosThatCouldClaimTheSameArrivalAreSentAgainRatherThanLost)
{
    // Two photos of one shape, both cut off mid-send; only the first arrived.
    auto attempt = [this](const QStringList &remarks, bool secondArrives) {
        const QString id = addJob(u"Facebook"_s, photos(2), u"me"_s, remarks);
        const QueuedJob job = queue.job(id);
        const QList<QueuedPhoto> both = queue.photos(id);
        QueueUploadContext context(queue.path(), env.state().SettingsFile);
        FacebookUpload upload(config.facebook, UploadLimits{10000});
        upload.setContext(&context);
        for (int i = 0; i < 2; ++i) {
            queue.markSending(id, i);
            if (i == 1 && !secondArrives)
                facebookServer.setFaults("/", [] {
                    StandinFaults lost = StandinFaults::serverError(503, 1);
                    lost.method = "POST";
                    return lost;
                }());
            upload.send(job, both.at(i), u"photo.jpg"_s, sent.at(sent.size() - 2 + i));
        }
        return std::pair{upload.findSent(job, both.at(0)).kind, upload.findSent(job, both.at(1)).kind};
    };
    using Kind = UploadOutcome::Kind;
    // Told apart by their captions, each finds what is its own.
    EXPECT_EQ(attempt({u"Left"_s, u"Right"_s}, false), std::pair(Kind::Sent, Kind::NotFound));
    // Alike: the one arrival cannot be given to either, so both go again.
    EXPECT_EQ(attempt({}, false), std::pair(Kind::NotFound, Kind::NotFound));
}

TEST_F(WebUploadTest, SkyDriveNeverReplacesAUsersFileOfTheSameName)
{
    // The user's own "photo 1.jpg" is in the folder already.
    const QByteArray theirs = noiseJpeg(64, 64, 7);
    const QString put = liveServer.baseUrl() + u"/v5.0/" +
                        QString::fromLatin1(QUrl::toPercentEncoding(kLiveFolder)) +
                        u"/files/photo%201.jpg?access_token=live-token-1";
    ASSERT_EQ(exchangeUpload("PUT", put, {}, theirs, UploadLimits{10000}).status, 201);
    const QString id = addJob(u"Live"_s, photos(1), kLiveFolder);
    runEngine();
    EXPECT_EQ(states(id), QStringList{u"sent"_s});
    QStringList names;
    for (const QJsonValue &f : store.state(live.name()).value(u"files").toArray())
        names << f.toObject().value(u"name").toString();
    EXPECT_EQ(names, (QStringList{u"photo 1.jpg"_s, u"photo 1 (1).jpg"_s}));
    EXPECT_TRUE(kept(live.name()).contains(theirs));
}

} // namespace
