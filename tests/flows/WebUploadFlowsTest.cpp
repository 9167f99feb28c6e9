#include "webservices/flows/FacebookFlow.h"
#include "webservices/flows/FlickrFlow.h"

#include "FlowFakes.h"
#include "core/MessageCatalog.h"
#include "webservices/FacebookAccount.h"
#include "webservices/FlickrAccount.h"

#include <gtest/gtest.h>

namespace {

class FakeFacebook : public FacebookAccount
{
public:
    std::deque<bool> authorizedAnswers{true};
    QStringList calls;
    bool IsAuthoriseUserExist() override
    {
        calls.append(QStringLiteral("check"));
        if (authorizedAnswers.empty())
            return false;
        const bool a = authorizedAnswers.front();
        authorizedAnswers.pop_front();
        return a;
    }
    void DeleteFacebookUser() override { calls.append(QStringLiteral("delete")); }
    bool CreateFacebookAccount() override
    {
        calls.append(QStringLiteral("signin"));
        return true;
    }
    QString AccessToken() const override { return QStringLiteral("fbtoken"); }
    QList<AlbumEntry> albums() override { return {}; }
    QString createAlbum(const QString &) override { return {}; }
};

class FakeFlickr : public FlickrAccount
{
public:
    QString stored;
    QString afterSignIn;
    bool valid = true;
    QStringList *calls = nullptr;
    QString GetFlickrUserAuthCode() override { return stored; }
    bool CheckFlickrUser(const QString &token) override
    {
        calls->append(u"check " + token);
        return valid && !token.isEmpty();
    }
    bool CreateFlickrAccount() override
    {
        calls->append(QStringLiteral("signin"));
        stored = afterSignIn;
        return !stored.isEmpty();
    }
};

class WebUploadFlowsTest : public ::testing::Test, protected FlowWorld
{
protected:
    WebUploadParts parts{state(), window, prompt, shell, notices, uploader};
};

TEST_F(WebUploadFlowsTest, FacebookSendsPathsRemarksAndTheChosenAlbum)
{
    const QString a = addPhoto(QStringLiteral("p/a.png"), 1, QStringLiteral("a"));
    const QString b = addPhoto(QStringLiteral("p/b.png"), 2, {});
    FakeFacebook facebook;
    chooser.answer = QStringLiteral("me");
    FacebookFlow(parts, facebook, chooser, QStringLiteral("https://fb.example/")).run();

    EXPECT_EQ(chooser.service, Service::Facebook);
    EXPECT_EQ(chooser.source, static_cast<AlbumSource *>(&facebook));
    ASSERT_EQ(uploader.calls.size(), 1);
    const QStringList call = uploader.calls.at(0).split(u'|');
    EXPECT_EQ(call.at(2), a + u'\t' + b);
    EXPECT_EQ(call.at(3), QStringLiteral(" a#\t# "));
    EXPECT_EQ(call.at(5), QStringLiteral("ALL_FRIENDS"));
    EXPECT_EQ(call.at(6), QStringLiteral("me"));
    EXPECT_EQ(prompt.callsOf(QStringLiteral("done")).size(), 1);
    EXPECT_EQ(shell.opened, QList<QString>{QStringLiteral("https://fb.example/")});
}

TEST_F(WebUploadFlowsTest, FacebookSignsInAnewWhenThePermissionsAreGone)
{
    addPhoto(QStringLiteral("p/a.png"), 1, {});
    FakeFacebook facebook;
    facebook.authorizedAnswers = {false, true};
    FacebookFlow(parts, facebook, chooser, {}).run();
    EXPECT_EQ(facebook.calls, (QStringList{QStringLiteral("check"), QStringLiteral("delete"),
                                           QStringLiteral("signin"), QStringLiteral("check")}));
    EXPECT_EQ(uploader.calls.size(), 1);

    facebook.authorizedAnswers = {false, false};
    chooser.shown = 0;
    FacebookFlow(parts, facebook, chooser, {}).run();
    EXPECT_EQ(chooser.shown, 0);
    ASSERT_EQ(prompt.callsOf(QStringLiteral("message")).size(), 1);
    EXPECT_TRUE(window.enabledAtEnd());
}

TEST_F(WebUploadFlowsTest, FlickrChecksTheTokenSignsInWhenItFailsAndStopsShortOfFull)
{
    for (int i = 0; i < 5; ++i)
        addPhoto(QStringLiteral("p/%1.png").arg(i), i, {});
    QStringList calls;
    env.state().UploadPromptEnabled = true;
    auto make = [&calls](QString stored, bool valid, QString after) {
        return [&calls, stored, valid, after]() -> std::unique_ptr<FlickrAccount> {
            auto f = std::make_unique<FakeFlickr>();
            f->stored = stored;
            f->valid = valid;
            f->afterSignIn = after;
            f->calls = &calls;
            return f;
        };
    };
    FlickrFlow(parts, make(QStringLiteral("old"), false, QStringLiteral("new")),
               QStringLiteral("https://fl/"))
        .run();
    EXPECT_EQ(calls, (QStringList{QStringLiteral("check old"), QStringLiteral("signin")}));
    ASSERT_EQ(uploader.calls.size(), 1);
    EXPECT_TRUE(uploader.calls.at(0).startsWith(u"UploadToFlickr|new|"));
    EXPECT_EQ(window.maximum, 6);
    EXPECT_EQ(window.value, 5);
    EXPECT_EQ(notices.uploadPrompts, 1);

    FlickrFlow(parts, make({}, true, {}), {}).run();
    const auto messages = prompt.callsOf(QStringLiteral("message"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages.at(0).text, catalogText(MessageNo::AuthorizationUnsuccessful));
    EXPECT_EQ(uploader.calls.size(), 1);
}

} // namespace
