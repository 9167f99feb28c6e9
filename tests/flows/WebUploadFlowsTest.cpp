#include "webservices/flows/FacebookFlow.h"
#include "webservices/flows/FlickrFlow.h"

#include "FlowFakes.h"
#include "core/MessageCatalog.h"
#include "webservices/FacebookAccount.h"
#include "webservices/FlickrAccount.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class FakeFacebook : public FacebookAccount
{
public:
    std::deque<bool> authorizedAnswers{true};
    QStringList calls;
    bool IsAuthoriseUserExist() override
    {
        calls.append(u"check"_s);
        return nextAnswer(authorizedAnswers, false);
    }
    void DeleteFacebookUser() override { calls.append(u"delete"_s); }
    bool CreateFacebookAccount() override
    {
        calls.append(u"signin"_s);
        return true;
    }
    QString AccessToken() const override { return u"fbtoken"_s; }
    QList<AlbumEntry> albums() override { return {}; }
    QString createAlbum(const QString &) override { return {}; }
};

// A stored token, whether it still works, and the one a sign-in stores.
class FakeFlickr : public FlickrAccount
{
public:
    FakeFlickr(QStringList &log, QString token, bool works, QString tokenAfterSignIn)
        : stored(std::move(token)), afterSignIn(std::move(tokenAfterSignIn)), valid(works), calls(&log)
    {
    }
    QString stored;
    QString afterSignIn;
    bool valid;
    QStringList *calls;
    QString GetFlickrUserAuthCode() override { return stored; }
    bool CheckFlickrUser(const QString &token) override
    {
        calls->append(u"check " + token);
        return valid && !token.isEmpty();
    }
    bool CreateFlickrAccount() override
    {
        calls->append(u"signin"_s);
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
    const QString a = addPhoto(u"p/a.png"_s, 1, u"a"_s);
    const QString b = addPhoto(u"p/b.png"_s, 2, {});
    FakeFacebook facebook;
    chooser.answer = u"me"_s;
    FacebookFlow(parts, facebook, chooser, u"https://fb.example/"_s).run();

    EXPECT_EQ(chooser.service, Service::Facebook);
    EXPECT_EQ(chooser.source, static_cast<AlbumSource *>(&facebook));
    ASSERT_EQ(uploader.calls.size(), 1);
    const QStringList call = uploader.calls.at(0).split(u'|');
    EXPECT_EQ(call.at(2), a + u'\t' + b);
    EXPECT_EQ(call.at(3), u" a#\t# "_s);
    EXPECT_EQ(call.at(5), u"ALL_FRIENDS"_s);
    EXPECT_EQ(call.at(6), u"me"_s);
    EXPECT_EQ(prompt.callsOf(u"done"_s).size(), 1);
    EXPECT_EQ(shell.opened, QList<QString>{u"https://fb.example/"_s});
}

TEST_F(WebUploadFlowsTest, FacebookSignsInAnewWhenThePermissionsAreGone)
{
    addPhoto(u"p/a.png"_s, 1, {});
    FakeFacebook facebook;
    facebook.authorizedAnswers = {false, true};
    FacebookFlow(parts, facebook, chooser, {}).run();
    EXPECT_EQ(facebook.calls, (QStringList{u"check"_s, u"delete"_s, u"signin"_s, u"check"_s}));
    EXPECT_EQ(uploader.calls.size(), 1);

    facebook.authorizedAnswers = {false, false};
    chooser.shown = 0;
    FacebookFlow(parts, facebook, chooser, {}).run();
    EXPECT_EQ(chooser.shown, 0);
    EXPECT_EQ(messages(), QStringList{catalogText(MessageNo::AuthorizationUnsuccessful)});
    EXPECT_TRUE(window.enabledAtEnd());
}

TEST_F(WebUploadFlowsTest, FlickrChecksTheTokenSignsInWhenItFailsAndStopsShortOfFull)
{
    for (int i = 0; i < 5; ++i)
        addPhoto(u"p/%1.png"_s.arg(i), i, {});
    QStringList calls;
    env.state().UploadPromptEnabled = true;
    FlickrFlow(
        parts, [&] { return std::make_unique<FakeFlickr>(calls, u"old"_s, false, u"new"_s); },
        u"https://fl/"_s)
        .run();
    EXPECT_EQ(calls, (QStringList{u"check old"_s, u"signin"_s}));
    ASSERT_EQ(uploader.calls.size(), 1);
    EXPECT_TRUE(uploader.calls.at(0).startsWith(u"UploadToFlickr|new|"));
    EXPECT_EQ(window.maximum, 6);
    EXPECT_EQ(window.value, 5);
    EXPECT_EQ(notices.uploadPrompts, 1);

    FlickrFlow(parts, [&] { return std::make_unique<FakeFlickr>(calls, QString(), true, QString()); }, {})
        .run();
    EXPECT_EQ(messages(), QStringList{catalogText(MessageNo::AuthorizationUnsuccessful)});
    EXPECT_EQ(uploader.calls.size(), 1);
}

} // namespace
